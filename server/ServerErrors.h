// HRESULTs in words, and the ones that mean the server is gone.
#pragma once

#include "server/TagServer.h"

#include <string>

constexpr HResult kRPC_E_DISCONNECTED = static_cast<HResult>(0x80010108u);
constexpr HResult kRPC_E_SERVER_DIED = static_cast<HResult>(0x80010007u);
constexpr HResult kRPC_E_SERVER_DIED_DNE = static_cast<HResult>(0x80010012u);
constexpr HResult kRPC_S_SERVER_UNAVAILABLE = static_cast<HResult>(0x800706BAu);
constexpr HResult kRPC_S_CALL_FAILED = static_cast<HResult>(0x800706BEu);
constexpr HResult kRPC_S_CALL_FAILED_DNE = static_cast<HResult>(0x800706BFu);
constexpr HResult kCO_E_OBJNOTCONNECTED = static_cast<HResult>(0x800401FDu);
constexpr HResult kRPC_E_CONNECTION_TERMINATED = static_cast<HResult>(0x80010006u);
constexpr HResult kRPC_E_INVALID_OBJECT = static_cast<HResult>(0x80010114u);

// True for the results a call gets when the server process has ended or the connection to
// it broke: every further call on that connection fails the same way. The call itself may
// well have been carried out before the server went (a restart, say).
bool IsConnectionLost(HResult hr);

// True for the lost connections that say the call never reached the server: it was gone
// before the call (RPC_S_SERVER_UNAVAILABLE, RPC_E_DISCONNECTED, CO_E_OBJNOTCONNECTED,
// RPC_S_CALL_FAILED_DNE, RPC_E_SERVER_DIED_DNE). The call did nothing and may be made again on a new connection.
bool IsCallUndelivered(HResult hr);

// "class not registered (0x80040154)": the usual meaning in words when it is known, then
// the code; "error 0x..." otherwise.
std::string DescribeHResult(HResult hr);

// The code of a usual symbol ("E_FAIL", "REGDB_E_CLASSNOTREG", letter case ignored) of the
// same table; false for a name it does not hold.
bool HResultFromName(const std::string& name, HResult* hr);
