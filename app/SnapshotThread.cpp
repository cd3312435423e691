#include "app/SnapshotThread.h"

#include <utility>

#include "server/ComRef.h"
#include "server/win/ComInitialization.h"
#include "server/win/ComTagServer.h"
#include "server/ServerErrors.h"
#include "server/win/ServerConnection.h"
#include "tagfile/ServerTags.h"

CSnapshotThread::CSnapshotThread(std::filesystem::path folder, std::string program, TagNames naming)
    : m_folder(std::move(folder)), m_strProgram(std::move(program)), m_naming(std::move(naming))
{
}

CSnapshotThread::~CSnapshotThread() { Stop(); }

bool CSnapshotThread::Start()
{
    if (m_hThread) return true;
    m_hThread.Reset(::CreateThread(nullptr, 0, &CSnapshotThread::ThreadProc, this, CREATE_SUSPENDED, nullptr));
    if (!m_hThread) return false;
    // Below the window's thread, so that a busy machine gives the window its time first.
    SetThreadPriority(m_hThread.Get(), THREAD_PRIORITY_LOWEST);
    ResumeThread(m_hThread.Get());
    return true;
}

bool CSnapshotThread::Stop(DWORD timeoutMs)
{
    if (!m_hThread) return true;
    m_bStop = true;
    if (WaitForSingleObject(m_hThread.Get(), timeoutMs) != WAIT_OBJECT_0) return false;
    m_hThread.Reset();
    return true;
}

bool CSnapshotThread::Wait(DWORD timeoutMs)
{
    return !m_hThread || WaitForSingleObject(m_hThread.Get(), timeoutMs) == WAIT_OBJECT_0;
}

DWORD WINAPI CSnapshotThread::ThreadProc(LPVOID param)
{
    static_cast<CSnapshotThread*>(param)->Run();
    return 0;
}

void CSnapshotThread::Run()
{
    // Declared first, so that it ends last: the connection goes before its apartment ends.
    CComInitialization com;
    CComRef<IAddTags> addTags;
    const ConnectResult connected = ConnectAddTags(true, addTags.Put());
    com.Reset(connected.comInitialized);
    if (connected.Ok()) {
        CComTagServer server(addTags.Get());
        ServerTagsOptions options;
        options.stop = [this] { return m_bStop.load(); };
        ServerTagList list;
        ReadWholeConfiguration(server, options, &list);
        // The server restarted or ended meanwhile: no snapshot of a part, and a word why.
        if (list.disconnected) m_strProblem = "связь с сервером потеряна (ошибка " + HResultText(list.disconnectResult) + ")";
        JournalContext context;
        context.program = m_strProgram;
        context.naming = m_naming;
        SnapshotTarget target;
        target.folder = m_folder;
        target.stop = options.stop;
        // Read when the file is written: a restore started meanwhile spares its snapshot.
        target.keep = [this] {
            std::lock_guard<std::mutex> lock(m_spareMutex);
            return m_spared;
        };
        const SnapshotTaken taken = TakeSnapshot(SystemHistoryPlatform(), context, server, list, target);
        m_bRead = taken.outcome == SnapshotOutcome::Kept || taken.outcome == SnapshotOutcome::Failed;
        m_Result = taken.result;
    } else {
        m_strProblem = "нет связи с сервером (ошибка " + HResultText(connected.hr) + ")";
    }
}

void CSnapshotThread::Spare(const std::filesystem::path& file)
{
    std::lock_guard<std::mutex> lock(m_spareMutex);
    m_spared.push_back(file);
}
