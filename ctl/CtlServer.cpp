#include "ctl/CtlServer.h"

#include "ctl/CtlConsole.h"
#include "ctl/CtlResult.h"

std::string DescribeConnectFailure(const ConnectResult& result)
{
    return DescribeConnectFailure(result.failedStep, static_cast<HResult>(result.hr));
}

CCtlConnection::~CCtlConnection()
{
    Close();
    if (m_bComInitialized) CoUninitialize();
}

bool CCtlConnection::Open()
{
    ConnectResult result;
    if (Reconnect(&result)) return true;
    WriteError(DescribeConnectFailure(result) + "\n");
    return false;
}

bool CCtlConnection::Reconnect(ConnectResult* result)
{
    Close();
    IAddTags* pAddTags = nullptr;
    *result = ConnectAddTagsPastAnEndingServer(!m_bComInitialized, &pAddTags);
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
