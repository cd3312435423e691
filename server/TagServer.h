// The portable mirror of the server's configuration interface IAddTags.
//
// The Windows layer talks to the server through the COM interface generated from
// AddTags.idl; the portable core (tree walk, scan loop, branch deletion) is written
// against this abstract class so that it can run natively against in-memory fakes.
// CComTagServer (ComTagServer.h) adapts a COM pointer to it. kAddTagsOperations lists
// the operations with their slots in the COM table; a Windows test checks it against
// the widl-generated vtable so that the two cannot drift apart.
#pragma once

#include <cstdint>
#include <string>

using HResult = std::int32_t;

constexpr HResult kS_OK = 0;
constexpr HResult kE_FAIL = static_cast<HResult>(0x80004005u);
constexpr HResult kE_INVALIDARG = static_cast<HResult>(0x80070057u);
constexpr HResult kE_NOINTERFACE = static_cast<HResult>(0x80004002u);
constexpr HResult kE_UNEXPECTED = static_cast<HResult>(0x8000FFFFu);

inline bool HrFailed(HResult hr) { return hr < 0; }
inline bool HrSucceeded(HResult hr) { return hr >= 0; }

// A failure that comes from the channel between client and server rather than from the
// server's own answer: the COM channel codes (facility RPC, 0x8001xxxx) and the Win32 RPC
// codes (0x800706xx).
inline bool IsTransportFailure(HResult hr)
{
    const auto code = static_cast<std::uint32_t>(hr);
    return (code & 0xFFFF0000u) == 0x80010000u || (code & 0xFFFFFF00u) == 0x80070600u;
}

// Size of the text buffer of ProbeDevice.
constexpr int kProbeTextSize = 100;

class ITagServer {
public:
    virtual ~ITagServer() = default;

    virtual HResult AddTag(std::uint32_t type, std::uint32_t address, std::uint32_t param,
                           std::int64_t period) = 0;
    virtual HResult DeleteTag(std::uint32_t type, std::uint32_t address, std::uint32_t param) = 0;
    virtual HResult RestartServer() = 0;
    virtual HResult GetComSettings(std::uint16_t* port, std::uint32_t* baudRate,
                                   std::uint8_t* dataBits, std::uint8_t* stopBits,
                                   std::uint8_t* parity) = 0;
    virtual HResult SetComSettings(std::uint16_t port, std::uint32_t baudRate,
                                   std::uint8_t dataBits, std::uint8_t stopBits,
                                   std::uint8_t parity) = 0;
    virtual HResult EnumTags(std::uint32_t* cursor, std::uint32_t* type, std::uint32_t* address,
                             std::uint32_t* param, std::uint32_t* reserved1,
                             std::uint32_t* reserved2) = 0;
    virtual HResult GetTagInfo(std::uint32_t type, std::uint32_t address, std::uint32_t param,
                               std::uint32_t* periodLow, std::uint32_t* periodHigh) = 0;
    virtual HResult ProbeDevice(std::uint32_t address, unsigned char text[kProbeTextSize],
                                std::int32_t* type) = 0;
};

// An ITagServer around another that passes every call on as it is: a wrapper that watches
// or changes some calls derives from it and overrides only those.
class CForwardingTagServer : public ITagServer {
public:
    explicit CForwardingTagServer(ITagServer& inner) : m_inner(inner) {}

    ITagServer& Inner() { return m_inner; }

    HResult AddTag(std::uint32_t type, std::uint32_t address, std::uint32_t param, std::int64_t period) override
    {
        return m_inner.AddTag(type, address, param, period);
    }
    HResult DeleteTag(std::uint32_t type, std::uint32_t address, std::uint32_t param) override
    {
        return m_inner.DeleteTag(type, address, param);
    }
    HResult RestartServer() override { return m_inner.RestartServer(); }
    HResult GetComSettings(std::uint16_t* port, std::uint32_t* baudRate, std::uint8_t* dataBits,
                           std::uint8_t* stopBits, std::uint8_t* parity) override
    {
        return m_inner.GetComSettings(port, baudRate, dataBits, stopBits, parity);
    }
    HResult SetComSettings(std::uint16_t port, std::uint32_t baudRate, std::uint8_t dataBits, std::uint8_t stopBits,
                           std::uint8_t parity) override
    {
        return m_inner.SetComSettings(port, baudRate, dataBits, stopBits, parity);
    }
    HResult EnumTags(std::uint32_t* cursor, std::uint32_t* type, std::uint32_t* address, std::uint32_t* param,
                     std::uint32_t* reserved1, std::uint32_t* reserved2) override
    {
        return m_inner.EnumTags(cursor, type, address, param, reserved1, reserved2);
    }
    HResult GetTagInfo(std::uint32_t type, std::uint32_t address, std::uint32_t param, std::uint32_t* periodLow,
                       std::uint32_t* periodHigh) override
    {
        return m_inner.GetTagInfo(type, address, param, periodLow, periodHigh);
    }
    HResult ProbeDevice(std::uint32_t address, unsigned char text[kProbeTextSize], std::int32_t* type) override
    {
        return m_inner.ProbeDevice(address, text, type);
    }

protected:
    ITagServer& m_inner;
};

struct AddTagsOperation {
    const char* name;
    int slot;  // index in the COM table; 0-2 are IUnknown's
};

// The operations of IAddTags in slot order. Slot 10 exists in the server's table and is
// never called by the configurator.
inline constexpr AddTagsOperation kAddTagsOperations[] = {
    {"AddTag", 3},        {"DeleteTag", 4},  {"RestartServer", 5}, {"GetComSettings", 6},
    {"SetComSettings", 7}, {"EnumTags", 8},  {"GetTagInfo", 9},    {"Reserved", 10},
    {"ProbeDevice", 11},
};
inline constexpr int kAddTagsOperationCount =
    static_cast<int>(sizeof(kAddTagsOperations) / sizeof(kAddTagsOperations[0]));

// Splits a 64-bit period into the two 32-bit halves GetTagInfo delivers, and joins them.
inline std::int64_t JoinPeriod(std::uint32_t low, std::uint32_t high)
{
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
}
inline std::uint32_t PeriodLow(std::int64_t period)
{
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(period) & 0xFFFFFFFFu);
}
inline std::uint32_t PeriodHigh(std::int64_t period)
{
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(period) >> 32);
}

// "0x80070057"-style text of an HRESULT, for messages and logs.
const char* FormatHResult(HResult hr, char (&buffer)[16]);
std::string HResultText(HResult hr);
