// The scan of an address range for devices, without the thread and its messages.
//
// For each address from the smaller to the larger end of the range, in this order:
//   1. the host dispatches at most one waiting message (a stop request among them calls
//      RequestStop),
//   2. the server probes the address,
//   3. a progress report for the address,
//   4. if a stop was requested, the scan ends here (a device at this address is not reported),
//   5. a found report when a device answered.
// A finished report follows every scan, whether it ran to its end or was stopped.
// An abort (RequestAbort) seen at step 1 ends the scan there, before the probe.
// A probe that finds the connection to the server gone ends the scan after its progress
// report; ConnectionLost() then gives its code.
#pragma once

#include <cstdint>
#include <string>

#include "server/TagServer.h"

// What the scan tells its host. The search worker turns these into posted messages.
class ISearchScanHost {
public:
    virtual ~ISearchScanHost() = default;

    // Dispatches at most one waiting message; called once per address, before its probe.
    virtual void DispatchOneWaitingMessage() = 0;

    virtual void OnScanProgress(int address) = 0;
    // type is never 0; text is the server's text, terminated, at most kProbeTextSize bytes.
    virtual void OnDeviceFound(std::int32_t type, const std::string& text, int address) = 0;
    virtual void OnScanFinished() = 0;
};

class CSearchScan {
public:
    CSearchScan(ITagServer& server, ISearchScanHost& host) : m_server(server), m_host(host) {}

    // Probes every address between the two ends inclusive, whichever is the larger.
    void Scan(int firstAddress, int secondAddress);

    // A stop request: the scan ends after the address being probed and the next one's probe
    // and progress report. Outside a scan it only sets the flag, which the next scan clears.
    void RequestStop() { m_bStop = true; }
    bool StopRequested() const { return m_bStop; }

    // An end without waiting for results: the scan ends before its next probe (the one
    // being made is finished), with the finished report. For a host that is going away,
    // where a stop's extra probe would only delay it. Cleared by the next scan.
    void RequestAbort() { m_bAbort = true; }
    bool AbortRequested() const { return m_bAbort; }

    // The code of the probe that found the connection gone in the last scan; kS_OK if none.
    HResult ConnectionLost() const { return m_lost; }

    int StartAddress() const { return m_nStartAddress; }
    int EndAddress() const { return m_nEndAddress; }

    // Asks the server about one address. A failed call, or a type code of 0, means no device
    // (returns 0); the text is always terminated, whatever the server left in the buffer.
    // *result (when given) gets the call's own result.
    static std::int32_t ProbeAddress(ITagServer& server, int address, std::string& text, HResult* result = nullptr);

private:
    ITagServer& m_server;
    ISearchScanHost& m_host;
    int m_nStartAddress = 0;
    int m_nEndAddress = 0;
    bool m_bStop = false;
    bool m_bAbort = false;
    HResult m_lost = kS_OK;
};
