// The server's tags with their periods, read through ITagServer: the EnumTags walk (bounded
// as the main window's, TagWalk.h), then GetTagInfo for each tag whose period is wanted.
// Export wants every period; import only those of tags the file also holds.
#pragma once

#include "server/TagServer.h"
#include "server/TagWalk.h"
#include "tagfile/TagFile.h"
#include "tagfile/TagNames.h"

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
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

// Why a list read from the server is not its whole configuration, in the order they are
// asked: the first that holds is the one to tell.
enum class TagListGap {
    None,            // whole
    Disconnected,    // the server went away (disconnectResult)
    Stopped,         // the caller stopped the reading
    WalkUnended,     // the server did not end its list (walk.end says how)
    EndedOnFailure,  // the list broke off on a failed call after some tags (walk.lastFailure)
    PeriodMissing,   // a tag's period was refused or not asked (firstPeriodFailure)
};

struct ServerTagList {
    std::vector<ServerTag> tags;  // in the server's order
    TagWalkReport walk;
    std::size_t periodFailures = 0;   // GetTagInfo refusals (those tags stay periodKnown false)
    HResult firstPeriodFailure = kS_OK;
    bool disconnected = false;        // the server went away; the list is what came before
    HResult disconnectResult = kS_OK;
    bool stopped = false;

    // What the list lacks of the server's whole configuration. Every tag the server holds
    // means a walk the server ended itself, not on a failed call after tags; a server
    // without tags answers its first EnumTags with a failure, and that empty list is whole.
    // With periods, each tag's period is known as well.
    TagListGap Gap(bool withPeriods = true) const;
    // Every tag with its period: the only list a snapshot, a restore or a replace stands on.
    bool Complete() const { return Gap() == TagListGap::None; }
    // Every tag the server holds, whatever periods were read (an import reads only some).
    bool HasEveryTag() const { return Gap(false) == TagListGap::None; }
};

ServerTagList ReadServerTags(ITagServer& server, const ServerTagsOptions& options = {});

// The words a front end says why a list is not whole in, one pattern for each gap, in
// which {hr} stands for the code's text (as hresult writes it), {count} for a number of
// tags (read before an unended walk was stopped; without a period) and {failed} for the
// calls of an unended walk that failed.
struct TagListGapWords {
    std::function<std::string(HResult)> hresult;
    std::string disconnected;    // {hr}: disconnectResult
    std::string stopped;
    std::string repeatedTag;     // the walk stopped on a tag that came round again; {count}
    std::string failedCalls;     // the walk stopped on its failed calls; {failed}, {hr} the last, {count}
    std::string endedOnFailure;  // {hr}: the failure the list broke off on
    std::string periodMissing;   // {count}: periodFailures, {hr}: firstPeriodFailure
};

// Why the list is not whole (Gap()), in those words; "" when it is.
std::string DescribeTagListGap(const ServerTagList& list, const TagListGapWords& words);

// The tags as file records in the server's order, named by naming.
std::vector<TagFileRecord> MakeTagFileRecords(const std::vector<ServerTag>& tags, const TagNames& naming);
