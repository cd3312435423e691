// An in-memory ITagServer for native tests and benchmarks: a set of tags with periods,
// walked by EnumTags in (type, address, param) order, with faults on demand (refusals per
// operation and per tag, walks that never end, failing walks) and a count of every call.
#pragma once

#include "server/TagServer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

class CFakeTagServer final : public ITagServer {
public:
    struct Tag {
        std::uint32_t type, address, param;
        bool operator<(const Tag& o) const
        {
            return std::tie(type, address, param) < std::tie(o.type, o.address, o.param);
        }
        bool operator==(const Tag& o) const
        {
            return type == o.type && address == o.address && param == o.param;
        }
    };

    enum class EnumMode {
        Normal,        // cursor = position of the next tag, 0 after the last one
        Endless,       // after the last tag it starts over; the cursor never returns to 0
        ConstantCursor,  // the cursor stays at one value; the walk still cycles through the tags
        AlwaysFail,    // every call fails and leaves a non-zero cursor
    };

    struct Calls {
        std::size_t addTag = 0, deleteTag = 0, restart = 0, getCom = 0, setCom = 0,
                    enumTags = 0, getTagInfo = 0, probe = 0;
        std::size_t Total() const
        {
            return addTag + deleteTag + restart + getCom + setCom + enumTags + getTagInfo + probe;
        }
    };

    // --- the store ---
    std::map<Tag, std::int64_t> tags;

    // --- faults ---
    EnumMode enumMode = EnumMode::Normal;
    std::set<std::size_t> failingEnumCalls;  // 1-based numbers of EnumTags calls that fail
    bool failingEnumEndsWalk = false;        // ... and leave the cursor at 0: the list breaks off
    bool refuseEveryAdd = false;
    std::set<Tag> refuseAdd;                 // AddTag refused for these tags
    std::set<Tag> refuseDelete;              // DeleteTag refused for these tags
    bool refuseGetTagInfo = false;
    bool refuseRestart = false;
    bool refuseSetCom = false;
    bool refuseGetCom = false;
    HResult refusal = kE_FAIL;
    // When non-zero: the server "dies" once this many calls were made; every later call of
    // AddTag, DeleteTag, EnumTags, GetTagInfo and ProbeDevice fails with RPC_S_SERVER_UNAVAILABLE.
    std::size_t dieAfterCalls = 0;
    static constexpr HResult kServerGone = static_cast<HResult>(0x800706BAu);

    Calls calls;
    bool Dead() const { return dieAfterCalls != 0 && calls.Total() >= dieAfterCalls; }
    std::vector<Tag> deleteOrder;  // DeleteTag calls in the order made
    std::vector<Tag> addOrder;     // AddTag calls in the order made

    void Put(std::uint32_t type, std::uint32_t address, std::uint32_t param, std::int64_t period = 0)
    {
        tags[Tag{type, address, param}] = period;
    }
    bool Has(std::uint32_t type, std::uint32_t address, std::uint32_t param) const
    {
        return tags.count(Tag{type, address, param}) != 0;
    }

    HResult AddTag(std::uint32_t type, std::uint32_t address, std::uint32_t param,
                   std::int64_t period) override
    {
        if (Dead()) return kServerGone;
        ++calls.addTag;
        const Tag t{type, address, param};
        addOrder.push_back(t);
        if (refuseEveryAdd || refuseAdd.count(t) != 0)
            return refusal;
        tags[t] = period;
        return kS_OK;
    }

    HResult DeleteTag(std::uint32_t type, std::uint32_t address, std::uint32_t param) override
    {
        if (Dead()) return kServerGone;
        ++calls.deleteTag;
        const Tag t{type, address, param};
        deleteOrder.push_back(t);
        if (refuseDelete.count(t) != 0)
            return refusal;
        return tags.erase(t) != 0 ? kS_OK : kE_INVALIDARG;
    }

    HResult RestartServer() override
    {
        ++calls.restart;
        return refuseRestart ? refusal : kS_OK;
    }

    HResult GetComSettings(std::uint16_t* port, std::uint32_t* baudRate, std::uint8_t* dataBits,
                           std::uint8_t* stopBits, std::uint8_t* parity) override
    {
        ++calls.getCom;
        if (refuseGetCom) return refusal;
        *port = m_port;
        *baudRate = m_baud;
        *dataBits = m_dataBits;
        *stopBits = m_stopBits;
        *parity = m_parity;
        return kS_OK;
    }

    HResult SetComSettings(std::uint16_t port, std::uint32_t baudRate, std::uint8_t dataBits,
                           std::uint8_t stopBits, std::uint8_t parity) override
    {
        ++calls.setCom;
        if (refuseSetCom) return refusal;
        m_port = port;
        m_baud = baudRate;
        m_dataBits = dataBits;
        m_stopBits = stopBits;
        m_parity = parity;
        return kS_OK;
    }

    HResult EnumTags(std::uint32_t* cursor, std::uint32_t* type, std::uint32_t* address,
                     std::uint32_t* param, std::uint32_t* reserved1,
                     std::uint32_t* reserved2) override
    {
        if (Dead()) return kServerGone;
        ++calls.enumTags;
        *reserved1 = 0;
        *reserved2 = 0;
        if (enumMode == EnumMode::AlwaysFail) {
            *cursor = 1;
            return refusal;
        }
        if (failingEnumCalls.count(calls.enumTags) != 0) {
            if (failingEnumEndsWalk) *cursor = 0;
            return refusal;  // otherwise the cursor as it was: the next call asks for the same position
        }
        if (tags.empty()) {
            *cursor = 0;
            return kE_FAIL;
        }

        std::size_t position;
        if (enumMode == EnumMode::ConstantCursor)
            position = *cursor == 0 ? 0 : m_hiddenPosition;
        else
            position = *cursor;
        if (enumMode != EnumMode::Normal)
            position %= tags.size();
        if (position >= tags.size()) {
            *cursor = 0;
            return kE_INVALIDARG;
        }

        // A walk reads the tags as they were when it started at cursor 0.
        if (*cursor == 0 || m_walk.size() != tags.size()) {
            m_walk.clear();
            for (const auto& entry : tags)
                m_walk.push_back(entry.first);
        }
        const Tag& t = m_walk[position];
        *type = t.type;
        *address = t.address;
        *param = t.param;

        const std::size_t next = position + 1;
        switch (enumMode) {
        case EnumMode::Normal:
            *cursor = next < tags.size() ? static_cast<std::uint32_t>(next) : 0;
            break;
        case EnumMode::Endless:
            *cursor = static_cast<std::uint32_t>(next % tags.size() == 0 ? tags.size() : next);
            break;
        case EnumMode::ConstantCursor:
            m_hiddenPosition = next % tags.size();
            *cursor = 7;
            break;
        case EnumMode::AlwaysFail:
            break;
        }
        return kS_OK;
    }

    HResult GetTagInfo(std::uint32_t type, std::uint32_t address, std::uint32_t param,
                       std::uint32_t* periodLow, std::uint32_t* periodHigh) override
    {
        if (Dead()) return kServerGone;
        ++calls.getTagInfo;
        const auto it = tags.find(Tag{type, address, param});
        if (refuseGetTagInfo || it == tags.end())
            return refusal;
        *periodLow = PeriodLow(it->second);
        *periodHigh = PeriodHigh(it->second);
        return kS_OK;
    }

    // --- the simulated line: what ProbeDevice answers at an address (unlisted: no device) ---
    struct ProbeAnswer {
        HResult hr = kS_OK;
        std::int32_t type = 0;
        std::string text;
    };
    std::map<std::uint32_t, ProbeAnswer> line;
    std::vector<std::uint32_t> probeOrder;  // ProbeDevice calls in the order made

    HResult ProbeDevice(std::uint32_t address, unsigned char text[kProbeTextSize],
                        std::int32_t* type) override
    {
        if (Dead()) return kServerGone;
        ++calls.probe;
        probeOrder.push_back(address);
        std::memset(text, 0, kProbeTextSize);
        *type = 0;
        const auto it = line.find(address);
        if (it == line.end()) return kS_OK;
        *type = it->second.type;
        std::memcpy(text, it->second.text.data(), std::min<std::size_t>(it->second.text.size(), kProbeTextSize - 1));
        return it->second.hr;
    }

private:
    std::vector<Tag> m_walk;
    std::size_t m_hiddenPosition = 0;
    std::uint16_t m_port = 1;
    std::uint32_t m_baud = 9600;
    std::uint8_t m_dataBits = 8, m_stopBits = 0, m_parity = 0;
};
