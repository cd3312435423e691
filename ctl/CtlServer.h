// zolctl's connection to the server: the one connection sequence (ConnectAddTags) with
// its failure in words, and the portable ITagServer over it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <utility>

#include "server/ComRef.h"
#include "server/win/ComInitialization.h"
#include "server/win/ComTagServer.h"
#include "server/win/ServerConnection.h"

// "cannot connect: class not registered (0x80040154)": the failing step and its HRESULT.
std::string DescribeConnectFailure(const ConnectResult& result);

class CCtlConnection {
public:
    CCtlConnection() = default;
    ~CCtlConnection();
    CCtlConnection(const CCtlConnection&) = delete;
    CCtlConnection& operator=(const CCtlConnection&) = delete;

    // Initialises COM (once) and connects; on failure prints why and returns false.
    bool Open();
    // Connects (again) without a message, past a server that is just ending; *result says why not.
    bool Reconnect(ConnectResult* result);
    // Takes over a connection made elsewhere.
    void Adopt(CComRef<IAddTags> addTags);
    // Lets the connection go (the server's objects are released).
    void Close();

    IAddTags* Get() const { return m_pAddTags.Get(); }
    ITagServer& Server() { return *m_pServer; }

private:
    // In this order, so that the connection goes before the COM initialisation it needs.
    CComInitialization m_com;
    CComRef<IAddTags> m_pAddTags;
    std::unique_ptr<CComTagServer> m_pServer;
};
