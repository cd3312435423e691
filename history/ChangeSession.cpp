#include "history/ChangeSession.h"

#include <utility>

bool ReadWholeConfiguration(ITagServer& server, const ServerTagsOptions& options, ServerTagList* list)
{
    ServerTagsOptions whole = options;
    whole.wantPeriod = nullptr;  // every period
    *list = ReadServerTags(server, whole);
    return list->Complete();
}

SnapshotTaken TakeSnapshot(IHistoryPlatform& platform, const JournalContext& context, ITagServer& server,
                           const ServerTagList& list, const SnapshotTarget& target)
{
    SnapshotTaken taken;
    const auto stopped = [&target] { return target.stop && target.stop(); };
    // A part of the configuration would look like deletions to whoever restores it.
    taken.gap = list.Gap();
    if (taken.gap != TagListGap::None) return taken;
    if (stopped()) {
        taken.outcome = SnapshotOutcome::Stopped;
        return taken;
    }
    const PortSettings port = ReadPortSettings(server, &taken.portResult);
    if (!port.known && target.needPort) {
        taken.outcome = SnapshotOutcome::NoPort;
        return taken;
    }
    if (stopped()) {
        taken.outcome = SnapshotOutcome::Stopped;
        return taken;
    }
    const std::vector<std::filesystem::path> keep = target.keep ? target.keep() : std::vector<std::filesystem::path>();
    taken.result = WriteSnapshot(platform, target.folder, MakeTagFileRecords(list.tags, context.naming), port,
                                 context.program, keep);
    taken.outcome =
        taken.result.written || taken.result.unchanged ? SnapshotOutcome::Kept : SnapshotOutcome::Failed;
    return taken;
}

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
        m_folder = folder;
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

SnapshotTaken CChangeSession::Snapshot(ITagServer& server, const ServerTagList& list,
                                       std::vector<std::filesystem::path> keep)
{
    if (m_folder.empty()) {
        SnapshotTaken taken;
        taken.outcome = SnapshotOutcome::NoFolder;
        return taken;
    }
    SnapshotTarget target;
    target.folder = m_folder;
    target.keep = [keep = std::move(keep)] { return keep; };
    return TakeSnapshot(m_platform, m_context, server, list, target);
}
