// Why a connection to the server failed, for every front end: the step that failed, the
// codes that mean a server is just ending (worth trying again), and the English texts the
// window's boxes, the search worker's box and zolctl's error line give. The window's
// explanation of a code in Russian is its own (app/ConnectFailureWords.h).
#pragma once

#include "server/TagServer.h"

#include <string>

enum class ConnectStep {
    None,            // connected
    InitializeCom,   // CoInitialize failed
    GetClassObject,  // the server's class object could not be obtained
    CreateInstance,  // the class object refused IAddTags
};

// A server whose last client has just gone answers a new connection with an RPC error (or
// CO_E_SERVER_STOPPING) until its process has left; the next activation starts a new one.
// Every front end tries such a failure again, kEndingServerRetries times with
// kEndingServerPauseMs between, before it reports it.
constexpr int kEndingServerRetries = 10;
constexpr int kEndingServerPauseMs = 200;
bool IsServerEnding(ConnectStep step, HResult hr);

// The box the window and the search worker show for a failed step: "Can't initialice COM",
// "Can't connect to OPC-server", "Server does not support IAddTags"; nullptr for None.
const char* ConnectFailureBox(ConnectStep step);

// The window's box for the usual refusals of CreateInstance ("E_NOINTERFACE", ...), nullptr
// for any other code.
const char* CreateInstanceRefusalName(HResult hr);

// zolctl's line: "cannot connect: class not registered (0x80040154)", the step and the code.
std::string DescribeConnectFailure(ConnectStep step, HResult hr);
