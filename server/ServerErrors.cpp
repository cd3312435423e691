#include "server/ServerErrors.h"

namespace {

struct KnownResult {
    std::uint32_t code;
    const char* name;  // the usual symbol, or nullptr
    const char* text;
};

// One table: the words a message gives a code, and the names a test's fault file may use.
constexpr KnownResult kKnownResults[] = {
    {0x00000000u, "S_OK", "success"},
    {0x00000001u, "S_FALSE", "success (false)"},
    {0x80004001u, "E_NOTIMPL", "not implemented"},
    {0x80004002u, "E_NOINTERFACE", "interface not supported"},
    {0x80004003u, "E_POINTER", "invalid pointer"},
    {0x80004005u, "E_FAIL", "unspecified failure"},
    {0x8000FFFFu, "E_UNEXPECTED", "unexpected failure"},
    {0x80070005u, "E_ACCESSDENIED", "access denied"},
    {0x8007000Eu, "E_OUTOFMEMORY", "out of memory"},
    {0x8007001Du, nullptr, "the server cannot write its files"},
    {0x80070057u, "E_INVALIDARG", "invalid argument"},
    {0x80070103u, nullptr, "no more items"},
    {0x80070490u, nullptr, "not found"},
    {0x80040111u, "CLASS_E_CLASSNOTAVAILABLE", "class not available"},
    {0x80040154u, "REGDB_E_CLASSNOTREG", "class not registered"},
    {0x80080005u, "CO_E_SERVER_EXEC_FAILURE", "server execution failed"},
    {0x80080008u, "CO_E_SERVER_STOPPING", "the server is stopping"},
    {0x800401F0u, nullptr, "COM not initialized"},
    {0x800401FDu, nullptr, "object not connected to the server"},
    {0x80010007u, nullptr, "the server died"},
    {0x80010012u, nullptr, "the server died"},
    {0x80010105u, nullptr, "the server threw an exception"},
    {0x80010108u, "RPC_E_DISCONNECTED", "the server disconnected"},
    {0x800706B5u, nullptr, "the interface is unknown"},
    {0x800706BAu, "RPC_S_SERVER_UNAVAILABLE", "the server is unavailable"},
    {0x800706BEu, nullptr, "the remote call failed"},
    {0x800706BFu, nullptr, "the remote call failed"},
};

bool EqualsIgnoringCase(const std::string& a, const char* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
        if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i]))) return false;
    }
    return i == a.size() && b[i] == '\0';
}

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
    case kRPC_E_CONNECTION_TERMINATED:
    case kRPC_E_INVALID_OBJECT:
        return true;
    default:
        return false;
    }
}

bool IsCallUndelivered(HResult hr)
{
    switch (hr) {
    case kRPC_S_SERVER_UNAVAILABLE:
    case kRPC_E_DISCONNECTED:
    case kCO_E_OBJNOTCONNECTED:
    case kRPC_S_CALL_FAILED_DNE:
    case kRPC_E_SERVER_DIED_DNE:
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

bool HResultFromName(const std::string& name, HResult* hr)
{
    for (const KnownResult& known : kKnownResults) {
        if (known.name != nullptr && EqualsIgnoringCase(name, known.name)) {
            *hr = static_cast<HResult>(known.code);
            return true;
        }
    }
    return false;
}
