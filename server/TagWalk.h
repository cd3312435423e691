// The walk over the server's tags with EnumTags, bounded so that a server which never ends
// its list cannot hold a caller forever. The main window's tree fill and zolctl both walk
// the server through this routine.
#pragma once

#include "server/TagServer.h"

#include <cstddef>
#include <cstdint>
#include <functional>

// Why the walk over the server's tags ended.
enum class TagWalkEnd {
    Completed,     // the server ended the walk by leaving the cursor at 0
    RepeatedTag,   // the server delivered a tag it had already delivered: it started over
    FailureLimit,  // maxFailuresInRow calls in a row failed without ending the walk
    Disconnected,  // a call failed in the connection, not in the server (stopWhenDisconnected only)
    Stopped,       // the caller's stop test asked for the end
};

struct TagWalkOptions {
    std::size_t maxFailuresInRow = 1000;
    // End at the first call that fails in the channel to the server (IsTransportFailure: the
    // server is gone or cannot be reached) instead of counting it as one more failed call.
    // A server may answer "no tags" with any failure of its own; a broken channel is no answer.
    bool stopWhenDisconnected = false;
    // Asked before every call; true ends the walk with TagWalkEnd::Stopped.
    std::function<bool()> stop;
};

struct TagWalkReport {
    TagWalkEnd end = TagWalkEnd::Completed;
    std::size_t tags = 0;         // distinct tags delivered
    std::size_t calls = 0;        // EnumTags calls made
    std::size_t failedCalls = 0;  // of which failed
    HResult lastFailure = kS_OK;  // result of the last failed call
    // The call that ended the walk (cursor left at 0) failed: a server without tags answers
    // so, and so does one that fails; lastFailure is its result.
    bool endedOnFailure = false;
};

// Walks EnumTags from cursor 0 until the server leaves the cursor at 0, calling onTag once
// for each distinct tag in the server's order. A failed call delivers nothing and the walk
// goes on. The cursor is the server's own value and is not judged; the walk stops early
// when a tag comes round a second time, after maxFailuresInRow failed calls in a row, and
// as the options ask; the report says why.
TagWalkReport WalkServerTags(
    ITagServer& server,
    const std::function<void(std::uint32_t type, std::uint32_t address, std::uint32_t param)>& onTag,
    const TagWalkOptions& options = {});
