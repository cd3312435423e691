#include "server/ServerErrors.h"

namespace {

struct KnownResult {
    std::uint32_t code;
    const char* text;
};

constexpr KnownResult kKnownResults[] = {
    {0x00000000u, "success"},
    {0x00000001u, "success (false)"},
    {0x80004001u, "not implemented"},
    {0x80004002u, "interface not supported"},
    {0x80004003u, "invalid pointer"},
    {0x80004005u, "unspecified failure"},
    {0x8000FFFFu, "unexpected failure"},
    {0x80070005u, "access denied"},
    {0x8007000Eu, "out of memory"},
    {0x8007001Du, "the server cannot write its files"},
    {0x80070057u, "invalid argument"},
    {0x80070103u, "no more items"},
    {0x80070490u, "not found"},
    {0x80040111u, "class not available"},
    {0x80040154u, "class not registered"},
    {0x80080005u, "server execution failed"},
    {0x800401F0u, "COM not initialized"},
    {0x800401FDu, "object not connected to the server"},
    {0x80010007u, "the server died"},
    {0x80010012u, "the server died"},
    {0x80010105u, "the server threw an exception"},
    {0x80010108u, "the server disconnected"},
    {0x800706BAu, "the server is unavailable"},
    {0x800706BEu, "the remote call failed"},
    {0x800706BFu, "the remote call failed"},
};

}  // namespace

bool IsConnectionLost(HResult hr)
{
    switch (hr) {
    case kRPC_E_DISCONNECTED:
    case kRPC_E_SERVER_DIED:
    case kRPC_E_SERVER_DIED_DNE:
    case kRPC_S_SERVER_UNAVAILABLE:
    case kRPC_S_CALL_FAILED:
    case kRPC_S_CALL_FAILED_DNE:
    case kCO_E_OBJNOTCONNECTED:
        return true;
    default:
        return false;
    }
}

std::string DescribeHResult(HResult hr)
{
    char hex[16];
    FormatHResult(hr, hex);
    for (const KnownResult& known : kKnownResults) {
        if (known.code == static_cast<std::uint32_t>(hr))
            return std::string(known.text) + " (" + hex + ")";
    }
    return std::string("error ") + hex;
}
