#include "ctl/CtlServer.h"

#include "ctl/CtlConsole.h"
#include "server/ServerErrors.h"

std::string DescribeConnectFailure(const ConnectResult& result)
{
    const std::string what = DescribeHResult(static_cast<HResult>(result.hr));
    switch (result.failedStep) {
    case ConnectStep::InitializeCom: return "cannot connect: COM cannot be initialised: " + what;
    case ConnectStep::GetClassObject: return "cannot connect: " + what;
    case ConnectStep::CreateInstance: return "cannot connect: the server refused IAddTags: " + what;
    case ConnectStep::None: break;
    }
    return "connected";
}

CCtlConnection::~CCtlConnection()
{
    Close();
    if (m_bComInitialized) CoUninitialize();
}

bool CCtlConnection::Open()
{
    // A server that is just ending (its last client has gone) answers a connection with an
    // RPC error until it has left; the next activation starts a new one, so such a failure
    // is tried again for a moment before it is reported.
    constexpr HResult kUnknownInterface = static_cast<HResult>(0x800706B5u);
    ConnectResult result;
    for (int attempt = 0;; ++attempt) {
        if (Reconnect(&result)) return true;
        const HResult hr = static_cast<HResult>(result.hr);
        const bool ending = result.failedStep != ConnectStep::InitializeCom &&
                            (hr == kUnknownInterface || IsConnectionLost(hr));
        if (!ending || attempt == 10) break;
        Sleep(200);
    }
    WriteErr(DescribeConnectFailure(result) + "\n");
    return false;
}

bool CCtlConnection::Reconnect(ConnectResult* result)
{
    Close();
    IAddTags* pAddTags = nullptr;
    *result = ConnectAddTags(!m_bComInitialized, &pAddTags);
    if (result->comInitialized) m_bComInitialized = true;
    if (!result->Ok()) return false;
    m_pAddTags = pAddTags;
    m_pServer = std::make_unique<CComTagServer>(m_pAddTags);
    return true;
}

void CCtlConnection::Adopt(IAddTags* pAddTags)
{
    Close();
    m_pAddTags = pAddTags;
    m_pServer = std::make_unique<CComTagServer>(m_pAddTags);
}

void CCtlConnection::Close()
{
    m_pServer.reset();
    if (m_pAddTags != nullptr) {
        m_pAddTags->Release();
        m_pAddTags = nullptr;
    }
}
