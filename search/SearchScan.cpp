#include "search/SearchScan.h"

#include <algorithm>
#include <cstring>

#include "server/ServerErrors.h"

std::int32_t CSearchScan::ProbeAddress(ITagServer& server, int address, std::string& text, HResult* result)
{
    unsigned char buffer[kProbeTextSize] = {};
    std::int32_t type = 0;  // a failed call may leave it unwritten
    const HResult hr = server.ProbeDevice(static_cast<std::uint32_t>(address), buffer, &type);
    if (result != nullptr) *result = hr;
    if (HrFailed(hr) || type == 0) {
        text.clear();
        return 0;
    }
    // The server is relied on to terminate the text, but a missing NUL must not let the
    // copy run past the buffer: without one, all kProbeTextSize bytes are the text.
    const void* nul = std::memchr(buffer, '\0', sizeof buffer);
    const std::size_t length =
        nul != nullptr ? static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - buffer)
                       : sizeof buffer;
    text.assign(reinterpret_cast<const char*>(buffer), length);
    return type;
}

void CSearchScan::Scan(int firstAddress, int secondAddress)
{
    m_nStartAddress = std::min(firstAddress, secondAddress);
    m_nEndAddress = std::max(firstAddress, secondAddress);
    m_bStop = false;
    m_bAbort = false;
    m_lost = kS_OK;

    // A 64-bit counter, so that an end of INT_MAX does not overflow the loop.
    for (std::int64_t a = m_nStartAddress; a <= m_nEndAddress; ++a) {
        const int address = static_cast<int>(a);
        m_host.DispatchOneWaitingMessage();
        if (m_bAbort)
            break;
        std::string text;
        HResult hr = kS_OK;
        const std::int32_t type = ProbeAddress(m_server, address, text, &hr);
        m_host.OnScanProgress(address);
        // Every further probe would fail the same way, at once, and report nothing found.
        if (IsConnectionLost(hr)) {
            m_lost = hr;
            break;
        }
        if (m_bStop)
            break;
        if (type != 0)
            m_host.OnDeviceFound(type, text, address);
    }
    m_host.OnScanFinished();
}
