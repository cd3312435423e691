#include "tagfile/ServerTags.h"

#include "server/ServerErrors.h"

#include <algorithm>

TagListGap ServerTagList::Gap(bool withPeriods) const
{
    if (disconnected) return TagListGap::Disconnected;
    if (stopped) return TagListGap::Stopped;
    if (walk.end != TagWalkEnd::Completed) return TagListGap::WalkUnended;
    if (walk.endedOnFailure && !tags.empty()) return TagListGap::EndedOnFailure;
    if (withPeriods && (periodFailures != 0 ||
                        !std::all_of(tags.begin(), tags.end(), [](const ServerTag& t) { return t.periodKnown; })))
        return TagListGap::PeriodMissing;
    return TagListGap::None;
}

namespace {

// pattern with each "{name}" replaced by its value.
std::string Fill(const std::string& pattern, const std::vector<std::pair<const char*, std::string>>& values)
{
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        bool replaced = false;
        if (pattern[i] == '{') {
            for (const auto& [name, value] : values) {
                const std::string key = std::string("{") + name + "}";
                if (pattern.compare(i, key.size(), key) == 0) {
                    out += value;
                    i += key.size() - 1;
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) out += pattern[i];
    }
    return out;
}

}  // namespace

std::string DescribeTagListGap(const ServerTagList& list, const TagListGapWords& words)
{
    const auto hr = [&](HResult code) { return words.hresult ? words.hresult(code) : std::string(); };
    switch (list.Gap()) {
    case TagListGap::None: return std::string();
    case TagListGap::Disconnected: return Fill(words.disconnected, {{"hr", hr(list.disconnectResult)}});
    case TagListGap::Stopped: return words.stopped;
    case TagListGap::WalkUnended:
        if (list.walk.end == TagWalkEnd::RepeatedTag)
            return Fill(words.repeatedTag, {{"count", std::to_string(list.walk.tags)}});
        return Fill(words.failedCalls, {{"failed", std::to_string(list.walk.failedCalls)},
                                        {"hr", hr(list.walk.lastFailure)},
                                        {"count", std::to_string(list.walk.tags)}});
    case TagListGap::EndedOnFailure: return Fill(words.endedOnFailure, {{"hr", hr(list.walk.lastFailure)}});
    case TagListGap::PeriodMissing: break;
    }
    return Fill(words.periodMissing,
                {{"count", std::to_string(list.periodFailures)}, {"hr", hr(list.firstPeriodFailure)}});
}

ServerTagList ReadServerTags(ITagServer& server, const ServerTagsOptions& options)
{
    ServerTagList list;
    TagWalkOptions walkOptions;
    walkOptions.maxFailuresInRow = options.maxFailuresInRow;
    walkOptions.stopWhenDisconnected = true;
    walkOptions.stop = options.stop;
    list.walk = WalkServerTags(
        server,
        [&](std::uint32_t type, std::uint32_t address, std::uint32_t param) {
            ServerTag tag;
            tag.id = TagId{type, address, param};
            list.tags.push_back(tag);
        },
        walkOptions);
    if (list.walk.end == TagWalkEnd::Disconnected) {
        list.disconnected = true;
        list.disconnectResult = list.walk.lastFailure;
        return list;
    }
    if (list.walk.end == TagWalkEnd::Stopped) {
        list.stopped = true;
        return list;
    }

    for (ServerTag& tag : list.tags) {
        if (options.wantPeriod && !options.wantPeriod(tag.id)) continue;
        if (options.stop && options.stop()) {
            list.stopped = true;
            break;
        }
        std::uint32_t low = 0, high = 0;
        const HResult hr = server.GetTagInfo(tag.id.type, tag.id.address, tag.id.param, &low, &high);
        if (HrFailed(hr)) {
            if (IsConnectionLost(hr)) {
                list.disconnected = true;
                list.disconnectResult = hr;
                break;
            }
            if (list.periodFailures++ == 0) list.firstPeriodFailure = hr;
            continue;
        }
        tag.period = JoinPeriod(low, high);
        tag.periodKnown = true;
    }
    return list;
}

std::vector<TagFileRecord> MakeTagFileRecords(const std::vector<ServerTag>& tags, const TagNames& naming)
{
    std::vector<TagFileRecord> records;
    records.reserve(tags.size());
    for (const ServerTag& tag : tags) {
        TagFileRecord r;
        r.id = tag.id;
        r.period = tag.period;
        r.periodKnown = tag.periodKnown;
        r.device = naming.deviceName(tag.id.type);
        r.name = naming.tagName(tag.id.address, tag.id.type, tag.id.param);
        records.push_back(std::move(r));
    }
    return records;
}
