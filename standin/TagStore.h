// The stand-in server's set of configured tags: keyed by (type, address, param), each with
// its refresh period in 100-ns units, walked in a stable order (type, then address, then
// parameter) by EnumTags.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

struct StandinTag {
    std::uint32_t type = 0;
    std::uint32_t address = 0;
    std::uint32_t param = 0;
    std::int64_t period = 0;
};

class CTagStore {
public:
    // A tag key is valid when type and address are 1..255 and param is 1..65535, the ranges
    // in which they travel in the configurator's tree keys.
    static bool ValidKey(std::uint32_t type, std::uint32_t address, std::uint32_t param);

    // Creates the tag or sets the period of an existing one; true when it was created.
    // The key must be valid.
    bool Set(std::uint32_t type, std::uint32_t address, std::uint32_t param, std::int64_t period);
    // True when the tag existed and was removed.
    bool Erase(std::uint32_t type, std::uint32_t address, std::uint32_t param);
    // The tag's period, or null when there is no such tag.
    const std::int64_t* Find(std::uint32_t type, std::uint32_t address, std::uint32_t param) const;

    std::size_t Size() const { return m_tags.size(); }
    bool Empty() const { return m_tags.empty(); }
    std::vector<StandinTag> Tags() const;  // in walk order

    // One step of the EnumTags walk. *cursor is 0 at the start of a walk, otherwise the value
    // left by the previous step (opaque to the client). Delivers the tag at the cursor and
    // leaves in *cursor the position of the next one, or 0 after the last tag; with `endless`
    // the walk starts again at the first tag instead of ending. Returns false, with *cursor 0
    // and *out untouched, when there is nothing to deliver (no tags, or the cursor is past
    // the last tag because tags were deleted during the walk).
    bool Walk(std::uint32_t* cursor, bool endless, StandinTag* out) const;

    bool operator==(const CTagStore& other) const { return m_tags == other.m_tags; }

private:
    static std::uint32_t Pack(std::uint32_t type, std::uint32_t address, std::uint32_t param);
    static StandinTag Unpack(std::uint32_t key, std::int64_t period);

    std::map<std::uint32_t, std::int64_t> m_tags;  // packed key -> period; packed order = walk order
};
