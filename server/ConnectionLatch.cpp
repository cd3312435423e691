#include "server/ConnectionLatch.h"

#include "server/ServerErrors.h"

template <typename Call>
HResult CConnectionLatch::Through(Call call)
{
    if (m_lost != kS_OK) return m_lost;
    const HResult hr = call();
    if (IsConnectionLost(hr)) m_lost = hr;
    return hr;
}

HResult CConnectionLatch::AddTag(std::uint32_t type, std::uint32_t address, std::uint32_t param, std::int64_t period)
{
    return Through([&] { return m_inner.AddTag(type, address, param, period); });
}

HResult CConnectionLatch::DeleteTag(std::uint32_t type, std::uint32_t address, std::uint32_t param)
{
    return Through([&] { return m_inner.DeleteTag(type, address, param); });
}

HResult CConnectionLatch::RestartServer()
{
    return Through([&] { return m_inner.RestartServer(); });
}

HResult CConnectionLatch::GetComSettings(std::uint16_t* port, std::uint32_t* baudRate, std::uint8_t* dataBits,
                                         std::uint8_t* stopBits, std::uint8_t* parity)
{
    return Through([&] { return m_inner.GetComSettings(port, baudRate, dataBits, stopBits, parity); });
}

HResult CConnectionLatch::SetComSettings(std::uint16_t port, std::uint32_t baudRate, std::uint8_t dataBits,
                                         std::uint8_t stopBits, std::uint8_t parity)
{
    return Through([&] { return m_inner.SetComSettings(port, baudRate, dataBits, stopBits, parity); });
}

HResult CConnectionLatch::EnumTags(std::uint32_t* cursor, std::uint32_t* type, std::uint32_t* address,
                                   std::uint32_t* param, std::uint32_t* reserved1, std::uint32_t* reserved2)
{
    return Through([&] { return m_inner.EnumTags(cursor, type, address, param, reserved1, reserved2); });
}

HResult CConnectionLatch::GetTagInfo(std::uint32_t type, std::uint32_t address, std::uint32_t param,
                                     std::uint32_t* periodLow, std::uint32_t* periodHigh)
{
    return Through([&] { return m_inner.GetTagInfo(type, address, param, periodLow, periodHigh); });
}

HResult CConnectionLatch::ProbeDevice(std::uint32_t address, unsigned char text[kProbeTextSize], std::int32_t* type)
{
    return Through([&] { return m_inner.ProbeDevice(address, text, type); });
}
