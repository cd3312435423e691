#include "search/LineCheck.h"

#include <algorithm>
#include <tuple>

#include "catalogue/Catalogue.h"
#include "search/SearchScan.h"
#include "server/ServerErrors.h"

void CConfiguredDevices::AddTag(std::uint32_t type, std::uint32_t address)
{
    // Tags come grouped by device in the server's order, so the last device seen is the
    // usual match; otherwise a binary search of the sorted index.
    if (!m_devices.empty() && m_devices.back().type == type && m_devices.back().address == address) {
        ++m_devices.back().tags;
        return;
    }
    const auto key = std::make_tuple(address, type);
    const auto less = [&](std::size_t i, const std::tuple<std::uint32_t, std::uint32_t>& k) {
        return std::make_tuple(m_devices[i].address, m_devices[i].type) < k;
    };
    const auto at = std::lower_bound(m_index.begin(), m_index.end(), key, less);
    if (at != m_index.end() && m_devices[*at].address == address && m_devices[*at].type == type) {
        ++m_devices[*at].tags;
        return;
    }
    m_devices.push_back(ConfiguredDevice{type, address, 1});
    m_index.insert(at, m_devices.size() - 1);
}

std::vector<ConfiguredDevice> CConfiguredDevices::Sorted() const
{
    std::vector<ConfiguredDevice> sorted;
    sorted.reserve(m_index.size());
    for (const std::size_t i : m_index) sorted.push_back(m_devices[i]);
    return sorted;
}

std::vector<ConfiguredDevice> CConfiguredDevices::OfTags(const std::vector<ServerTag>& tags,
                                                         const std::function<bool(const TagId&)>& wanted,
                                                         std::vector<ServerTag>* kept)
{
    CConfiguredDevices configured;
    for (const ServerTag& tag : tags) {
        if (wanted && !wanted(tag.id)) continue;
        configured.AddTag(tag.id.type, tag.id.address);
        if (kept != nullptr) kept->push_back(tag);
    }
    return configured.Sorted();
}

LineCheckResult ClassifyProbe(std::uint32_t configuredType, HResult hr, std::int32_t foundType)
{
    if (HrFailed(hr)) return LineCheckResult::Failed;
    if (foundType == 0) return LineCheckResult::Absent;
    if (foundType > 0 && static_cast<std::uint32_t>(foundType) == configuredType) return LineCheckResult::Ok;
    return LineCheckResult::OtherType;
}

const char* LineCheckResultWord(LineCheckResult result)
{
    switch (result) {
    case LineCheckResult::Ok: return "ok";
    case LineCheckResult::Absent: return "absent";
    case LineCheckResult::OtherType: return "other-type";
    case LineCheckResult::Failed: return "failed";
    }
    return "failed";
}

void LineCheckCounts::Add(LineCheckResult result)
{
    switch (result) {
    case LineCheckResult::Ok: ++ok; break;
    case LineCheckResult::Absent: ++absent; break;
    case LineCheckResult::OtherType: ++otherType; break;
    case LineCheckResult::Failed: ++failed; break;
    }
}

void CLineCheck::Check(const std::vector<ConfiguredDevice>& devices)
{
    m_bStop = false;
    m_bStopped = false;
    m_lost = kS_OK;
    m_checked = 0;
    std::size_t i = 0;
    while (i < devices.size()) {
        const std::uint32_t address = devices[i].address;
        m_host.DispatchOneWaitingMessage();
        if (m_bStop) {
            m_bStopped = true;
            break;
        }
        std::string text;
        HResult hr = kS_OK;
        const std::int32_t type = CSearchScan::ProbeAddress(m_server, static_cast<int>(address), text, &hr);
        for (; i < devices.size() && devices[i].address == address; ++i) {
            LineCheckEntry entry;
            entry.device = devices[i];
            entry.result = ClassifyProbe(devices[i].type, hr, type);
            entry.foundType = entry.result == LineCheckResult::Failed ? 0 : type;
            entry.foundText = text;
            entry.hr = hr;
            ++m_checked;
            m_host.OnDeviceChecked(entry);
        }
        // Every further probe would fail the same way, at once.
        if (IsConnectionLost(hr)) {
            m_lost = hr;
            break;
        }
    }
    m_host.OnCheckFinished();
}

std::string AnsweringTypeName(std::int32_t type, const std::string& typeWord)
{
    std::string name = type > 0 ? GetDeviceName(type) : std::string();
    return name.empty() ? typeWord + std::to_string(type) : name;
}
