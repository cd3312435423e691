#include "standin/TagStore.h"

#include <iterator>

namespace {

// The cursor is the packed key of the next tag, rotated so that it does not read like a
// tree key by accident. Valid keys are never 0 (type >= 1), so neither is a cursor.
std::uint32_t KeyToCursor(std::uint32_t key) { return (key << 13) | (key >> 19); }
std::uint32_t CursorToKey(std::uint32_t cursor) { return (cursor >> 13) | (cursor << 19); }

}  // namespace

bool CTagStore::ValidKey(std::uint32_t type, std::uint32_t address, std::uint32_t param)
{
    return type >= 1 && type <= 0xFF && address >= 1 && address <= 0xFF && param >= 1 &&
           param <= 0xFFFF;
}

std::uint32_t CTagStore::Pack(std::uint32_t type, std::uint32_t address, std::uint32_t param)
{
    return (type << 24) | (address << 16) | param;
}

StandinTag CTagStore::Unpack(std::uint32_t key, std::int64_t period)
{
    StandinTag tag;
    tag.type = key >> 24;
    tag.address = (key >> 16) & 0xFF;
    tag.param = key & 0xFFFF;
    tag.period = period;
    return tag;
}

bool CTagStore::Set(std::uint32_t type, std::uint32_t address, std::uint32_t param,
                    std::int64_t period)
{
    auto result = m_tags.insert_or_assign(Pack(type, address, param), period);
    return result.second;
}

bool CTagStore::Erase(std::uint32_t type, std::uint32_t address, std::uint32_t param)
{
    if (!ValidKey(type, address, param)) return false;
    return m_tags.erase(Pack(type, address, param)) != 0;
}

const std::int64_t* CTagStore::Find(std::uint32_t type, std::uint32_t address,
                                    std::uint32_t param) const
{
    if (!ValidKey(type, address, param)) return nullptr;
    auto it = m_tags.find(Pack(type, address, param));
    return it == m_tags.end() ? nullptr : &it->second;
}

std::vector<StandinTag> CTagStore::Tags() const
{
    std::vector<StandinTag> tags;
    tags.reserve(m_tags.size());
    for (const auto& entry : m_tags) tags.push_back(Unpack(entry.first, entry.second));
    return tags;
}

bool CTagStore::Walk(std::uint32_t* cursor, bool endless, StandinTag* out) const
{
    auto it = *cursor == 0 ? m_tags.begin() : m_tags.lower_bound(CursorToKey(*cursor));
    if (it == m_tags.end() && endless) it = m_tags.begin();
    if (it == m_tags.end()) {
        *cursor = 0;
        return false;
    }
    *out = Unpack(it->first, it->second);
    auto next = std::next(it);
    if (next == m_tags.end() && endless) next = m_tags.begin();
    *cursor = next == m_tags.end() ? 0 : KeyToCursor(next->first);
    return true;
}
