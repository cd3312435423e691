// The 32-bit item data of every node of the configuration tree and of the add-tags tree,
// and the node kind read from it.
//
//   bits 24-31  network address of the device
//   bits 16-23  device type code (low 8 bits)
//   bits  0-15  0 for a device node, 0xFFFF for a group node, the parameter number for a tag
#pragma once

#include <cstdint>

using TagKey = std::uint32_t;

// Parameter part of a group node's key.
constexpr std::uint32_t kGroupParamPart = 0xFFFFu;

constexpr TagKey MakeTagKey(std::uint32_t address, std::uint32_t typeCode, std::uint32_t paramPart)
{
    return ((address & 0xFFu) << 24) | ((typeCode & 0xFFu) << 16) | (paramPart & 0xFFFFu);
}

constexpr std::uint32_t TagKeyAddress(TagKey key) { return key >> 24; }
constexpr std::uint32_t TagKeyTypeCode(TagKey key) { return (key >> 16) & 0xFFu; }
constexpr std::uint32_t TagKeyParam(TagKey key) { return key & 0xFFFFu; }

// What a node is, decided from its key alone.
enum class NodeKind : int { None = 0, Device = 1, Tag = 2, Group = 3 };

constexpr NodeKind GetNodeKind(TagKey key)
{
    if (TagKeyAddress(key) == 0 || TagKeyTypeCode(key) == 0)
        return NodeKind::None;
    if (TagKeyParam(key) == 0)
        return NodeKind::Device;
    if (TagKeyParam(key) != kGroupParamPart)
        return NodeKind::Tag;
    return NodeKind::Group;
}

// Whether a parameter number from a description can travel to the server as a tag: the key
// holds 16 bits, 0 reads as a device and 0xFFFF as a group, so only 1..65534 name a parameter.
constexpr bool IsTagParameterNumber(long long number) { return number >= 1 && number <= 65534; }

// Whether a tag the server delivers can be carried by a key as itself: the key holds one
// byte of address (0..255) and of type code (1..255; 0 reads as no device) and a parameter
// part where 0 reads as a device and 0xFFFF as a group. Anything else would be cut to
// another tag's key, and a command on it would act on that other tag.
constexpr bool CanKeyCarryTag(std::uint32_t typeCode, std::uint32_t address, std::uint32_t param)
{
    return typeCode >= 1 && typeCode <= 255 && address <= 255 && IsTagParameterNumber(param);
}
