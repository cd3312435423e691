// CConnectionLatch: a server connection that remembers when it was lost.
//
// Once a call on the connection comes back with a code that says the connection is gone
// (IsConnectionLost), every later call returns that code at once and reaches nothing: the
// server that would have answered is not there, and a command must not go on sending its
// calls blind. Whoever owns the connection asks Lost() after a command, connects anew and
// takes a new latch.
#pragma once

#include "server/TagServer.h"

class CConnectionLatch final : public ITagServer {
public:
    explicit CConnectionLatch(ITagServer& inner) : m_inner(inner) {}

    // The code of the call that found the connection gone; kS_OK while it stands.
    HResult Lost() const { return m_lost; }

    HResult AddTag(std::uint32_t type, std::uint32_t address, std::uint32_t param, std::int64_t period) override;
    HResult DeleteTag(std::uint32_t type, std::uint32_t address, std::uint32_t param) override;
    HResult RestartServer() override;
    HResult GetComSettings(std::uint16_t* port, std::uint32_t* baudRate, std::uint8_t* dataBits,
                           std::uint8_t* stopBits, std::uint8_t* parity) override;
    HResult SetComSettings(std::uint16_t port, std::uint32_t baudRate, std::uint8_t dataBits, std::uint8_t stopBits,
                           std::uint8_t parity) override;
    HResult EnumTags(std::uint32_t* cursor, std::uint32_t* type, std::uint32_t* address, std::uint32_t* param,
                     std::uint32_t* reserved1, std::uint32_t* reserved2) override;
    HResult GetTagInfo(std::uint32_t type, std::uint32_t address, std::uint32_t param, std::uint32_t* periodLow,
                       std::uint32_t* periodHigh) override;
    HResult ProbeDevice(std::uint32_t address, unsigned char text[kProbeTextSize], std::int32_t* type) override;

private:
    // Makes the call unless the connection is known to be gone, and learns from its result.
    template <typename Call>
    HResult Through(Call call);

    ITagServer& m_inner;
    HResult m_lost = kS_OK;
};
