// Adapts a COM IAddTags pointer (borrowed, not owned) to the portable ITagServer.
#pragma once

#include "server/TagServer.h"
#include "AddTags.h"

class CComTagServer final : public ITagServer {
public:
    explicit CComTagServer(IAddTags* pAddTags) : m_pAddTags(pAddTags) {}

    HResult AddTag(std::uint32_t type, std::uint32_t address, std::uint32_t param,
                   std::int64_t period) override;
    HResult DeleteTag(std::uint32_t type, std::uint32_t address, std::uint32_t param) override;
    HResult RestartServer() override;
    HResult GetComSettings(std::uint16_t* port, std::uint32_t* baudRate, std::uint8_t* dataBits,
                           std::uint8_t* stopBits, std::uint8_t* parity) override;
    HResult SetComSettings(std::uint16_t port, std::uint32_t baudRate, std::uint8_t dataBits,
                           std::uint8_t stopBits, std::uint8_t parity) override;
    HResult EnumTags(std::uint32_t* cursor, std::uint32_t* type, std::uint32_t* address,
                     std::uint32_t* param, std::uint32_t* reserved1,
                     std::uint32_t* reserved2) override;
    HResult GetTagInfo(std::uint32_t type, std::uint32_t address, std::uint32_t param,
                       std::uint32_t* periodLow, std::uint32_t* periodHigh) override;
    HResult ProbeDevice(std::uint32_t address, unsigned char text[kProbeTextSize],
                        std::int32_t* type) override;

private:
    IAddTags* m_pAddTags;
};
