#include "server/ConnectFailure.h"

#include "server/ServerErrors.h"

namespace {

constexpr HResult kRPC_S_UNKNOWN_IF = static_cast<HResult>(0x800706B5u);
constexpr HResult kCO_E_SERVER_STOPPING = static_cast<HResult>(0x80080008u);

struct RefusalName {
    std::uint32_t code;
    const char* name;
};

constexpr RefusalName kCreateInstanceRefusals[] = {
    {0x80004002u, "E_NOINTERFACE"}, {0x8000FFFFu, "E_UNEXPECTED"}, {0x80040110u, "E_NOAGGREGATION"},
    {0x8007000Eu, "E_OUTOFMEMORY"}, {0x80070057u, "E_INVALIDARG"},
};

}  // namespace

bool IsServerEnding(ConnectStep step, HResult hr)
{
    if (step != ConnectStep::GetClassObject && step != ConnectStep::CreateInstance) return false;
    return hr == kRPC_S_UNKNOWN_IF || hr == kCO_E_SERVER_STOPPING || IsConnectionLost(hr);
}

const char* ConnectFailureBox(ConnectStep step)
{
    switch (step) {
    case ConnectStep::InitializeCom: return "Can't initialice COM";
    case ConnectStep::GetClassObject: return "Can't connect to OPC-server";
    case ConnectStep::CreateInstance: return "Server does not support IAddTags";
    case ConnectStep::None: break;
    }
    return nullptr;
}

const char* CreateInstanceRefusalName(HResult hr)
{
    for (const RefusalName& refusal : kCreateInstanceRefusals)
        if (refusal.code == static_cast<std::uint32_t>(hr)) return refusal.name;
    return nullptr;
}

std::string DescribeConnectFailure(ConnectStep step, HResult hr)
{
    const std::string what = DescribeHResult(hr);
    switch (step) {
    case ConnectStep::InitializeCom: return "cannot connect: COM cannot be initialised: " + what;
    case ConnectStep::GetClassObject: return "cannot connect: " + what;
    case ConnectStep::CreateInstance: return "cannot connect: the server refused IAddTags: " + what;
    case ConnectStep::None: break;
    }
    return "connected";
}
