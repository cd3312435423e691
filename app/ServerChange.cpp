#include "app/ServerChange.h"

#include <windows.h>

#include <cstdio>

#include "app/JournalHeld.h"
#include "app/TarnelDlg.h"
#include "catalogue/Windows1251.h"
#include "tagfile/TextEncoding.h"
#include "ui/Text.h"

#ifndef ZOL_VERSION_TEXT
#define ZOL_VERSION_TEXT "0.917.0"
#endif

namespace {

// The folder as the window names it (Windows-1251, for a message).
std::string FolderName(const std::filesystem::path& folder) { return Narrow(folder.wstring()); }

}  // namespace

const std::string& WindowProgramName()
{
    static const std::string name = std::string("zolcfg ") + ZOL_VERSION_TEXT;
    return name;
}

CWindowHistory::CWindowHistory()
{
    if (!ResolveHistoryFolder(std::string(), SystemHistoryPlatform(), &m_folder, &m_folderProblem)) m_folder.clear();
}

JournalContext CWindowHistory::Context() const
{
    JournalContext context;
    context.program = WindowProgramName();
    context.naming = CatalogueTagNaming();
    // The journal names a tag as the tree shows it, stand-ins for undescribed parts included.
    context.naming.tagName = [](std::uint32_t address, std::uint32_t type, std::uint32_t param) {
        return CTarnelDlg::TreeTagName(static_cast<int>(address), static_cast<int>(type), static_cast<int>(param));
    };
    return context;
}

CServerChange::CServerChange(CTarnelDlg& window, const std::string& action, bool record, CWnd* questionOwner)
    : m_window(window), m_bRecord(record)
{
    if (window.m_pAddTags == nullptr || !window.m_pHistory) return;
    CWindowHistory& history = *window.m_pHistory;

    std::string problem = history.FolderProblem();
    if (problem.empty()) {
        m_pJournal = std::make_unique<CJournal>(SystemHistoryPlatform(), history.Folder());
        // A journal held open elsewhere (a spreadsheet) is asked about: retry or cancel.
        bool cancelled = false;
        const CWnd& asker = questionOwner != nullptr ? *questionOwner : static_cast<const CWnd&>(window);
        if (!OpenJournalOrAskRetry(*m_pJournal, asker, &problem, &cancelled)) m_pJournal.reset();
        if (cancelled) return;
    }
    if (!m_pJournal && !history.m_bWithoutJournal) {
        // Nothing is changed without a record unless the user says so, once for this run.
        const std::string text = "Журнал изменений не может быть записан в папку " + FolderName(history.Folder()) +
                                 ": " + Utf8ToCp1251(problem) + ".\nИзменять конфигурацию без журнала?";
        const CWnd& owner = questionOwner != nullptr ? *questionOwner : static_cast<const CWnd&>(window);
        if (owner.MessageBox(text, nullptr, MB_YESNO | MB_ICONWARNING) != IDYES) return;
        history.m_bWithoutJournal = true;
    }
    m_pInner = std::make_unique<CComTagServer>(window.m_pAddTags);
    m_pRecorder = std::make_unique<CTagChangeRecorder>(*m_pInner);
    m_pServer = std::make_unique<CJournaledServer>(*m_pRecorder, m_pJournal.get(), history.Context());
    m_pServer->BeginStep(action);
}

CServerChange::~CServerChange() { Finish(); }

void CServerChange::Finish()
{
    if (m_bFinished || !m_pServer) return;
    m_bFinished = true;
    CUndoStep step = m_pServer->EndStep();
    if (m_bRecord && m_window.m_pHistory) m_window.m_pHistory->m_Undo.Push(std::move(step));
    std::string closeError;
    const bool flushed = !m_pJournal || m_pJournal->Close(&closeError);
    if (m_pServer->JournalFailed())
        m_window.MessageBox("Журнал изменений не записан: " + Utf8ToCp1251(m_pServer->JournalError()) +
                            ".\nОстальные изменения не отправлены на сервер.");
    else if (!flushed)
        m_window.MessageBox("Журнал изменений не сохранён на диске: " + Utf8ToCp1251(closeError) + ".");
}
