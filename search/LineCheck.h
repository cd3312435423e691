// The line check: does every configured device answer at its address, and as the type it
// is configured as? Each configured address is probed once, in ascending order, through the
// auto-search's own probe (CSearchScan::ProbeAddress); every device configured there takes
// its result from that one answer. The check asks the server only: it changes nothing.
//
// For each address, in this order:
//   1. the host dispatches at most one waiting message (a stop request among them calls
//      RequestStop, and the check ends here, before the probe),
//   2. the server probes the address,
//   3. one report per device configured at the address.
// A finished report follows every check. A probe that finds the connection to the server
// gone ends the check after its reports; ConnectionLost() then gives its code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "server/TagServer.h"
#include "tagfile/ServerTags.h"

// A device the server holds tags for.
struct ConfiguredDevice {
    std::uint32_t type = 0;
    std::uint32_t address = 0;
    std::size_t tags = 0;

    bool operator==(const ConfiguredDevice& o) const
    {
        return type == o.type && address == o.address && tags == o.tags;
    }
};

// The devices of a tag list given as (type, address) per tag, in any order: one entry per
// pair with its count of tags, by ascending address, then type.
class CConfiguredDevices {
public:
    void AddTag(std::uint32_t type, std::uint32_t address);
    std::vector<ConfiguredDevice> Sorted() const;

    // The devices of the tags wanted holds for (null: every tag), sorted; *kept (when given)
    // gets those tags in the server's order.
    static std::vector<ConfiguredDevice> OfTags(const std::vector<ServerTag>& tags,
                                                const std::function<bool(const TagId&)>& wanted = nullptr,
                                                std::vector<ServerTag>* kept = nullptr);

private:
    std::vector<ConfiguredDevice> m_devices;  // in the order first seen
    std::vector<std::size_t> m_index;         // sorted positions into m_devices, by (address, type)
};

enum class LineCheckResult {
    Ok,         // answers as the configured type
    Absent,     // no answer (type 0)
    OtherType,  // another device type answers at the address
    Failed,     // the probe call itself failed
};

// One probe's answer for a device configured as configuredType.
LineCheckResult ClassifyProbe(std::uint32_t configuredType, HResult hr, std::int32_t foundType);

// The word zolctl's JSON carries: ok, absent, other-type, failed.
const char* LineCheckResultWord(LineCheckResult result);

struct LineCheckEntry {
    ConfiguredDevice device;
    LineCheckResult result = LineCheckResult::Absent;
    std::int32_t foundType = 0;  // the type that answered; 0 when none or the call failed
    std::string foundText;       // the server's text for it (Windows-1251, may hold anything)
    HResult hr = kS_OK;          // the probe call's own result
};

struct LineCheckCounts {
    std::size_t ok = 0, absent = 0, otherType = 0, failed = 0;

    void Add(LineCheckResult result);
    std::size_t Total() const { return ok + absent + otherType + failed; }
    // Every device checked answers as configured (true for none).
    bool AllOk() const { return ok == Total(); }
};

class ILineCheckHost {
public:
    virtual ~ILineCheckHost() = default;

    // Dispatches at most one waiting message; called once per address, before its probe.
    virtual void DispatchOneWaitingMessage() = 0;
    virtual void OnDeviceChecked(const LineCheckEntry& entry) = 0;
    virtual void OnCheckFinished() = 0;
};

class CLineCheck {
public:
    CLineCheck(ITagServer& server, ILineCheckHost& host) : m_server(server), m_host(host) {}

    // devices: as CConfiguredDevices::Sorted gives them (ascending address). Each address is
    // probed once however many devices are configured there.
    void Check(const std::vector<ConfiguredDevice>& devices);

    // Ends the check before its next probe (the one being made is finished). Cleared by the
    // next check.
    void RequestStop() { m_bStop = true; }
    bool Stopped() const { return m_bStopped; }

    // The code of the probe that found the connection gone in the last check; kS_OK if none.
    HResult ConnectionLost() const { return m_lost; }
    // Devices reported in the last check.
    std::size_t Checked() const { return m_checked; }

private:
    ITagServer& m_server;
    ILineCheckHost& m_host;
    bool m_bStop = false;
    bool m_bStopped = false;
    HResult m_lost = kS_OK;
    std::size_t m_checked = 0;
};

// A front end's name of a type that answered: the catalogue's name, else typeWord and the
// number ("тип 21" with the window's word).
std::string AnsweringTypeName(std::int32_t type, const std::string& typeWord);
