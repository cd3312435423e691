// com_roundtrip [COM_CALLS [INPROC_CALLS]]
//
// Times GetComSettings, the smallest IAddTags call with every out-value written, twice in
// one run: through COM to the registered local server (zolsrv.exe, a separate process,
// marshalled by zolps.dll), and on the server's own object created in this process (the
// same code without the apartment and the marshalling). Prints time per call, calls per
// second and their ratio. The out-of-process figure leaves out the first call, which
// starts the server.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "server/win/ServerConnection.h"
#include "standin/StandinServer.h"
#include "standin/win/ComObjects.h"

namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

volatile unsigned g_sink;

// Calls GetComSettings `calls` times; returns the seconds taken, or a negative value when
// a call failed.
double TimeCalls(IAddTags* tags, long calls)
{
    unsigned short port = 0;
    ULONG baud = 0;
    unsigned char bits = 0, stop = 0, parity = 0;
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    for (long i = 0; i < calls; ++i) {
        if (FAILED(tags->GetComSettings(&port, &baud, &bits, &stop, &parity))) return -1;
        g_sink = g_sink + baud + bits;
    }
    QueryPerformanceCounter(&end);
    return Seconds(start, end);
}

}  // namespace

int main(int argc, char** argv)
{
    const long comCalls = argc > 1 ? std::atol(argv[1]) : 3000;
    const long inprocCalls = argc > 2 ? std::atol(argv[2]) : 2000000;
    if (comCalls <= 0 || inprocCalls <= 0) {
        std::fprintf(stderr, "usage: com_roundtrip [COM_CALLS [INPROC_CALLS]]\n");
        return 1;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;

    // In-process: the server object on a scratch state directory of its own.
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    const std::filesystem::path scratch =
        std::filesystem::path(temp) / (L"com-roundtrip-" + std::to_wstring(GetCurrentProcessId()));
    double inprocSeconds = -1;
    {
        CStandinServer server(scratch);
        server.LoadState();
        IAddTags* local = new CAddTagsObject(server, nullptr);
        inprocSeconds = TimeCalls(local, inprocCalls);
        local->Release();
    }
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);

    // Out of process.
    IAddTags* remote = nullptr;
    const ConnectResult connected = ConnectAddTags(false, &remote);
    if (!connected.Ok()) {
        std::fprintf(stderr, "com_roundtrip: cannot connect to the server: 0x%08lX (is zolsrv.exe registered?)\n",
                     static_cast<unsigned long>(connected.hr));
        CoUninitialize();
        return 3;
    }
    TimeCalls(remote, 1);  // warm-up
    const double comSeconds = TimeCalls(remote, comCalls);
    remote->Release();
    CoUninitialize();
    if (comSeconds < 0 || inprocSeconds < 0) {
        std::fprintf(stderr, "com_roundtrip: a call failed\n");
        return 4;
    }

    const double inprocPerCall = inprocSeconds / static_cast<double>(inprocCalls);
    const double comPerCall = comSeconds / static_cast<double>(comCalls);
    std::printf("GetComSettings round trip, one run\n");
    std::printf("  in-process : %9ld calls %10.1f ns/call %14.0f calls/s\n", inprocCalls,
                inprocPerCall * 1e9, 1.0 / inprocPerCall);
    std::printf("  over COM   : %9ld calls %10.1f us/call %14.0f calls/s\n", comCalls,
                comPerCall * 1e6, 1.0 / comPerCall);
    std::printf("  ratio COM / in-process: %.0f\n", comPerCall / inprocPerCall);
    return 0;
}
