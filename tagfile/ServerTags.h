// The server's tags with their periods, read through ITagServer: the EnumTags walk (bounded
// as the main window's, TagWalk.h), then GetTagInfo for each tag whose period is wanted.
// Export wants every period; import only those of tags the file also holds.
#pragma once

#include "server/TagServer.h"
#include "server/TagWalk.h"
#include "tagfile/TagFile.h"
#include "tagfile/TagNaming.h"

#include <cstddef>
#include <functional>
#include <vector>

struct ServerTag {
    TagId id;
    std::int64_t period = 0;
    bool periodKnown = false;  // GetTagInfo was asked and answered
};

struct ServerTagsOptions {
    std::size_t maxFailuresInRow = 1000;  // of the walk, as the main window's
    // Null: every period; otherwise only the tags for which it returns true.
    std::function<bool(const TagId&)> wantPeriod;
    // Asked before every call; true ends the reading (stopped).
    std::function<bool()> stop;
};

struct ServerTagList {
    std::vector<ServerTag> tags;  // in the server's order
    TagWalkReport walk;
    std::size_t periodFailures = 0;   // GetTagInfo refusals (those tags stay periodKnown false)
    HResult firstPeriodFailure = kS_OK;
    bool disconnected = false;        // the server went away; the list is what came before
    HResult disconnectResult = kS_OK;
    bool stopped = false;

    // The walk and the periods are complete.
    bool Complete() const
    {
        return walk.end == TagWalkEnd::Completed && !disconnected && !stopped;
    }
};

ServerTagList ReadServerTags(ITagServer& server, const ServerTagsOptions& options = {});

// The tags as file records in the server's order, named by naming.
std::vector<TagFileRecord> MakeTagFileRecords(const std::vector<ServerTag>& tags, const TagNaming& naming);
