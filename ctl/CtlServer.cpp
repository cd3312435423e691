#include "ctl/CtlServer.h"

#include "ctl/CtlConsole.h"
#include "ctl/CtlResult.h"

std::string DescribeConnectFailure(const ConnectResult& result)
{
    return DescribeConnectFailure(result.failedStep, static_cast<HResult>(result.hr));
}

CCtlConnection::~CCtlConnection() { Close(); }

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
    CComRef<IAddTags> addTags;
    *result = ConnectAddTagsPastAnEndingServer(!m_com.Held(), addTags.Put());
    if (result->comInitialized) m_com.Reset(true);
    if (!result->Ok()) return false;
    Adopt(std::move(addTags));
    return true;
}

void CCtlConnection::Adopt(CComRef<IAddTags> addTags)
{
    Close();
    m_pAddTags = std::move(addTags);
    m_pServer = std::make_unique<CComTagServer>(m_pAddTags.Get());
}

void CCtlConnection::Close()
{
    m_pServer.reset();
    m_pAddTags.Reset();
}
