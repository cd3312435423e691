#include "history/ChangeSession.h"

#include <utility>

CChangeSession::CChangeSession(IHistoryPlatform& platform, JournalContext context, std::string action)
    : m_platform(platform), m_context(std::move(context)), m_action(std::move(action))
{
}

CChangeSession::~CChangeSession() { End(); }

bool CChangeSession::Begin(const std::filesystem::path& folder, const std::string& folderProblem,
                           const ChangeSessionFront& front)
{
    std::string problem = folderProblem;
    if (problem.empty()) {
        m_pJournal = std::make_unique<CJournal>(m_platform, folder);
        bool cancelled = false;
        const bool opened = front.open ? front.open(*m_pJournal, &problem, &cancelled) : m_pJournal->Open(&problem);
        if (!opened) m_pJournal.reset();
        if (cancelled) return false;
    }
    // Nothing is changed without a record unless the front end says so.
    return m_pJournal || (front.withoutJournal && front.withoutJournal(problem));
}

CJournaledServer& CChangeSession::Server(ITagServer& inner)
{
    if (!m_pServer || &m_pServer->Inner() != &inner) {
        m_pServer = std::make_unique<CJournaledServer>(inner, m_pJournal.get(), m_context);
        m_pServer->BeginStep(m_action);
    }
    return *m_pServer;
}

ChangeSessionEnd CChangeSession::End()
{
    ChangeSessionEnd end;
    if (m_bEnded) return end;
    m_bEnded = true;
    if (m_pServer) {
        end.begun = true;
        end.step = m_pServer->EndStep();
        end.journalFailed = m_pServer->JournalFailed();
        end.journalError = m_pServer->JournalError();
    }
    if (m_pJournal) end.flushed = m_pJournal->Close(&end.closeError);
    return end;
}
