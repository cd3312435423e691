// The one connection sequence to the ZOL-OPC-Server, used by the start-up, the restart,
// the search worker and zolctl:
//   CoInitialize (when asked) -> CoGetClassObject(class, local server, IClassFactory)
//   -> IClassFactory::CreateInstance(IAddTags) -> release the factory.
// It reports which step failed and its HRESULT so that each caller shows its own message.
#pragma once

#include <windows.h>
#include <objbase.h>

#include "AddTags.h"
#include "server/ConnectFailure.h"

#include <functional>

struct ConnectResult {
    ConnectStep failedStep = ConnectStep::None;
    HRESULT hr = S_OK;
    bool comInitialized = false;  // CoInitialize succeeded here and must be balanced

    bool Ok() const { return failedStep == ConnectStep::None; }
};

// On success *ppAddTags holds one reference (from CreateInstance); on failure it is null.
// With initializeCom the calling thread's COM initialisation is part of the sequence; a
// failure at a later step leaves COM initialised (comInitialized tells the caller).
ConnectResult ConnectAddTags(bool initializeCom, IAddTags** ppAddTags);

// The same, trying again for a moment while the server is just ending (IsServerEnding):
// how the window, the search worker and zolctl connect.
ConnectResult ConnectAddTagsPastAnEndingServer(bool initializeCom, IAddTags** ppAddTags);

// After RestartServer: connects anew until the server answers a call (GetComSettings) or
// timeoutMs have passed, pausing pauseMs between attempts. A real server may take many
// seconds to come back (a service, a slow port). between() runs before each pause (the
// window animates its title, zolctl looks for Ctrl+C); false from it stops the wait.
struct ReconnectResult {
    ConnectResult connect;  // of the last attempt
    HRESULT answer = S_OK;  // of the call that proves the server answers
    bool stopped = false;   // between() ended the wait
    bool Ok() const { return connect.Ok() && SUCCEEDED(answer); }
};
// On success *ppAddTags holds one reference; on failure it is null. COM must be initialised
// on the calling thread.
ReconnectResult ReconnectAfterRestart(int timeoutMs, int pauseMs, const std::function<bool()>& between,
                                      IAddTags** ppAddTags);

// True when IAddTags can be marshalled for this program: a proxy/stub is registered for the
// interface in the registry view of the program's own bitness. A 32-bit and a 64-bit
// program each need their own; without it CreateInstance fails with E_NOINTERFACE.
bool AddTagsMarshallingRegistered();

// The server's class identifier (the real server's; the stand-in registers the same).
extern const CLSID& kServerClassId;
