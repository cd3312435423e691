// Bringing the configuration tree in line with the server for chosen tags, after calls that
// added or deleted them outside the commands that edit the tree themselves (undo, redo): a
// tag the server now holds gets its nodes under its name, with the keys a rebuild would
// give; one it no longer holds loses its node and every ancestor left without children.
#pragma once

#include "server/TagServer.h"
#include "tree/TagNameFunction.h"
#include "tree/TreeModel.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct TagOnServer {
    std::uint32_t type = 0;
    std::uint32_t address = 0;
    std::uint32_t param = 0;
    bool held = false;  // the server holds the tag now
};

struct TagNodesReport {
    std::size_t inserted = 0;  // tags whose nodes were made
    std::size_t removed = 0;   // tag nodes taken out
};

// The node of a tag (device and tag pieces of exactly its key, groups by text), or null.
TreeNode FindTagNode(const ITreeModel& tree, const std::string& tagName, std::uint32_t address,
                     std::uint32_t typeCode, std::uint32_t paramNumber);

// Inserts the nodes of held tags that are missing (appended, then each grown parent sorted
// once, as the fill does) and removes the nodes of tags not held. A tag node that has
// children of its own stays as their parent. Runs in one bulk update.
TagNodesReport ShowTagsAsHeld(ITreeModel& tree, const std::vector<TagOnServer>& tags, const TagNameFunction& namer);

// Passes every call to the server it wraps and notes each AddTag and DeleteTag the server
// accepted, as the tag's presence afterwards: what ShowTagsAsHeld needs after calls made by
// code that does not touch the tree (undo, redo).
class CTagChangeRecorder final : public CForwardingTagServer {
public:
    explicit CTagChangeRecorder(ITagServer& inner) : CForwardingTagServer(inner) {}

    std::vector<TagOnServer> m_Changes;

    HResult AddTag(std::uint32_t type, std::uint32_t address, std::uint32_t param, std::int64_t period) override;
    HResult DeleteTag(std::uint32_t type, std::uint32_t address, std::uint32_t param) override;
};
