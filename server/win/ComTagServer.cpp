#include "server/win/ComTagServer.h"

// ULONG and LONG are 32-bit on Windows (LLP64), so the out-pointers pass straight through.
static_assert(sizeof(ULONG) == sizeof(std::uint32_t) && sizeof(LONG) == sizeof(std::int32_t),
              "IAddTags arguments are 32-bit");

#define ZOL_AS_ULONG(p) reinterpret_cast<ULONG*>(p)

HResult CComTagServer::AddTag(std::uint32_t type, std::uint32_t address, std::uint32_t param,
                              std::int64_t period)
{
    return m_pAddTags->AddTag(type, address, param, period);
}

HResult CComTagServer::DeleteTag(std::uint32_t type, std::uint32_t address, std::uint32_t param)
{
    return m_pAddTags->DeleteTag(type, address, param);
}

HResult CComTagServer::RestartServer() { return m_pAddTags->RestartServer(); }

HResult CComTagServer::GetComSettings(std::uint16_t* port, std::uint32_t* baudRate,
                                      std::uint8_t* dataBits, std::uint8_t* stopBits,
                                      std::uint8_t* parity)
{
    return m_pAddTags->GetComSettings(port, ZOL_AS_ULONG(baudRate), dataBits, stopBits, parity);
}

HResult CComTagServer::SetComSettings(std::uint16_t port, std::uint32_t baudRate,
                                      std::uint8_t dataBits, std::uint8_t stopBits,
                                      std::uint8_t parity)
{
    return m_pAddTags->SetComSettings(port, baudRate, dataBits, stopBits, parity);
}

HResult CComTagServer::EnumTags(std::uint32_t* cursor, std::uint32_t* type,
                                std::uint32_t* address, std::uint32_t* param,
                                std::uint32_t* reserved1, std::uint32_t* reserved2)
{
    return m_pAddTags->EnumTags(ZOL_AS_ULONG(cursor), ZOL_AS_ULONG(type), ZOL_AS_ULONG(address),
                                ZOL_AS_ULONG(param), ZOL_AS_ULONG(reserved1),
                                ZOL_AS_ULONG(reserved2));
}

HResult CComTagServer::GetTagInfo(std::uint32_t type, std::uint32_t address, std::uint32_t param,
                                  std::uint32_t* periodLow, std::uint32_t* periodHigh)
{
    return m_pAddTags->GetTagInfo(type, address, param, ZOL_AS_ULONG(periodLow),
                                  ZOL_AS_ULONG(periodHigh));
}

HResult CComTagServer::ProbeDevice(std::uint32_t address, unsigned char text[kProbeTextSize],
                                   std::int32_t* type)
{
    return m_pAddTags->ProbeDevice(address, text, reinterpret_cast<LONG*>(type));
}
