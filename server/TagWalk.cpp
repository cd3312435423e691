#include "server/TagWalk.h"

#include "server/ServerErrors.h"

#include <unordered_set>

namespace {

struct DeliveredTag {
    std::uint32_t type, address, param;
    bool operator==(const DeliveredTag& o) const
    {
        return type == o.type && address == o.address && param == o.param;
    }
};

struct DeliveredTagHash {
    std::size_t operator()(const DeliveredTag& t) const
    {
        const std::uint64_t ab = (static_cast<std::uint64_t>(t.type) << 32) | t.address;
        return std::hash<std::uint64_t>()(ab) ^ (std::hash<std::uint32_t>()(t.param) * 31u);
    }
};

}  // namespace

TagWalkReport WalkServerTags(
    ITagServer& server,
    const std::function<void(std::uint32_t type, std::uint32_t address, std::uint32_t param)>& onTag,
    const TagWalkOptions& options)
{
    TagWalkReport report;
    std::unordered_set<DeliveredTag, DeliveredTagHash> delivered;
    std::size_t failuresInRow = 0;

    std::uint32_t cursor = 0;
    do {
        if (options.stop && options.stop()) {
            report.end = TagWalkEnd::Stopped;
            break;
        }
        std::uint32_t type = 0, address = 0, param = 0, reserved1 = 0, reserved2 = 0;
        const HResult hr = server.EnumTags(&cursor, &type, &address, &param, &reserved1, &reserved2);
        ++report.calls;
        if (HrFailed(hr)) {
            ++report.failedCalls;
            report.lastFailure = hr;
            if (options.stopWhenDisconnected && (IsTransportFailure(hr) || IsConnectionLost(hr))) {
                report.end = TagWalkEnd::Disconnected;
                break;
            }
            if (cursor == 0) report.endedOnFailure = true;
            if (cursor != 0 && ++failuresInRow >= options.maxFailuresInRow) {
                report.end = TagWalkEnd::FailureLimit;
                break;
            }
            continue;
        }
        failuresInRow = 0;
        if (!delivered.insert(DeliveredTag{type, address, param}).second) {
            // Already delivered. Only a walk that goes on after it has started over.
            if (cursor != 0)
                report.end = TagWalkEnd::RepeatedTag;
            break;
        }
        ++report.tags;
        onTag(type, address, param);
    } while (cursor != 0);
    return report;
}
