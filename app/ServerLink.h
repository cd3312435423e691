// The window's connection to the server as the portable code sees it: the COM adapter of
// the window's IAddTags pointer under a latch that remembers a lost connection (the server
// restarted or stopped by another program). Every call the window makes goes through it, so
// that after the first call that finds the server gone no later one is sent blind.
#pragma once

#include "server/win/ComTagServer.h"
#include "server/ConnectionLatch.h"

class CServerLink {
public:
    explicit CServerLink(IAddTags* pAddTags) : m_com(pAddTags), m_latch(m_com) {}
    CServerLink(const CServerLink&) = delete;
    CServerLink& operator=(const CServerLink&) = delete;

    ITagServer& Server() { return m_latch; }
    HResult Lost() const { return m_latch.Lost(); }

private:
    CComTagServer m_com;
    CConnectionLatch m_latch;
};
