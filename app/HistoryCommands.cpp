// The main window's history: the dialog of snapshots and journal lines, restoring a
// snapshot (the import preview with replace, then the calls through the journal), and the
// background snapshot taken after start-up and after each restart.
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/ServerChange.h"
#include "app/SnapshotThread.h"
#include "app/TarnelDlg.h"
#include "catalogue/Windows1251.h"
#include "common/AtomicFile.h"
#include "dialogs/HistoryDlg.h"
#include "dialogs/ImportPreviewDlg.h"
#include "dialogs/ProgressWnd.h"
#include "tagfile/ServerTags.h"
#include "tagfile/TagFileReader.h"
#include "tagfile/TextEncoding.h"
#include "tree/TagNodes.h"
#include "ui/Text.h"
#include "ui/BusyWindow.h"
#include "words/TagNameWords.h"
#include "ui/TreeViewModel.h"

namespace {

// ZOLCFG_SNAPSHOTS=0 switches the background snapshot off (tests that count the server's
// calls, measurements of the window alone).
bool BackgroundSnapshotsWanted()
{
    wchar_t value[8] = {};
    const DWORD n = GetEnvironmentVariableW(L"ZOLCFG_SNAPSHOTS", value, 8);
    return !(n == 1 && value[0] == L'0');
}

// The damage in the window's words.
std::string SnapshotDamageText(const SnapshotDamage& damage)
{
    switch (damage.kind) {
    case SnapshotDamage::Kind::Tags:
        return "в заголовке тегов " + std::to_string(damage.header) + ", в файле " + std::to_string(damage.rows);
    case SnapshotDamage::Kind::Devices:
        return "в заголовке устройств " + std::to_string(damage.header) + ", в файле " + std::to_string(damage.rows);
    case SnapshotDamage::Kind::CutInLine: return "последняя строка обрезана";
    case SnapshotDamage::Kind::None: break;
    }
    return std::string();
}

}  // namespace

// How long closing the window (or a restart) waits for the background snapshot to end.
constexpr DWORD kSnapshotStopWaitMs = 2000;

void CTarnelDlg::StartBackgroundSnapshot()
{
    StopBackgroundSnapshot();
    if (!m_pHistory || m_pHistory->Folder().empty() || !m_pAddTags || !BackgroundSnapshotsWanted()) return;
    // Kept only once running: whoever sees m_pSnapshot sees a thread that has started.
    auto snapshot = std::make_unique<CSnapshotThread>(m_pHistory->Folder(), WindowProgramName(),
                                                      CatalogueTagNames(UnnamedPartWords()));
    if (snapshot->Start()) m_pSnapshot = std::move(snapshot);
}

void CTarnelDlg::StopBackgroundSnapshot()
{
    // A thread stuck in a call to a server that hangs is left to the process's end: the
    // window must still close, and a restart still go on.
    if (m_pSnapshot && !m_pSnapshot->Stop(kSnapshotStopWaitMs)) (void)m_pSnapshot.release();
    m_pSnapshot.reset();
}

HistoryListing CTarnelDlg::ReadHistory() const
{
    HistoryListing listing;
    if (!m_pHistory) return listing;
    listing.folder = m_pHistory->Folder();
    if (!m_pHistory->FolderProblem().empty()) {
        listing.problem = m_pHistory->FolderProblem();
        return listing;
    }
    const std::vector<SnapshotInfo> snapshots = ListSnapshots(listing.folder, true);
    for (auto it = snapshots.rbegin(); it != snapshots.rend(); ++it) {
        HistorySnapshotRow row;
        row.time = it->time;
        if (row.time.empty() && it->stamp.size() == 15)  // "20261208-102503" when the first line says nothing
            row.time = it->stamp.substr(0, 4) + "-" + it->stamp.substr(4, 2) + "-" + it->stamp.substr(6, 2) + "T" +
                       it->stamp.substr(9, 2) + ":" + it->stamp.substr(11, 2) + ":" + it->stamp.substr(13, 2);
        row.program = it->program;
        row.file = it->path;
        // No first line to count from (a file saved otherwise, empty, UTF-16), or one the
        // rows do not match: the rows, as a restore would read them, decide.
        row.damaged = static_cast<bool>(FindSnapshotDamage(*it));
        row.readable = it->readable;
        row.devices = it->counted && !row.damaged ? it->devices : it->rowDevices;
        row.tags = it->counted && !row.damaged ? it->tags : it->rowTags;
        listing.snapshots.push_back(row);
    }
    std::vector<JournalLine> lines;
    std::string error;
    if (!ReadJournal(listing.folder, &lines, &error)) listing.problem = error;
    listing.journal.reserve(lines.size());
    // A call whose program ended before its result was written (UTF-8, as the rows are).
    const std::string unknown = Cp1251ToUtf8("неизвестно: программа завершилась во время вызова");
    for (const JournalLine& l : lines)
        listing.journal.push_back({l.time, l.user, l.program, l.action, l.name, l.before, l.after,
                                   l.result == kJournalUnknownResult ? unknown : l.result});
    return listing;
}

void CTarnelDlg::OnHistory()
{
    CHistoryDlg* shown = nullptr;
    CHistoryDlg dlg([this] { return ReadHistory(); },
                    [this, &shown](const HistorySnapshotRow& snapshot) { RestoreSnapshot(snapshot.file, shown); }, this);
    shown = &dlg;
    dlg.DoModal();
}

void CTarnelDlg::RestoreSnapshot(const std::filesystem::path& file, CWnd* owner)
{
    m_RestoreFile = file;
    m_pRestoreOwner = owner;
    RunCommand(ID_RESTORE_SNAPSHOT);
    m_RestoreFile.clear();
    m_pRestoreOwner = nullptr;
}

void CTarnelDlg::OnRestoreSnapshot()
{
    const std::filesystem::path file = m_RestoreFile;
    CWnd& box = m_pRestoreOwner != nullptr ? *m_pRestoreOwner : static_cast<CWnd&>(*this);
    const std::string fileName = Narrow(file.filename().wstring());
    // A background snapshot still being taken must not remove this one by its retention.
    if (m_pSnapshot) m_pSnapshot->Spare(file);
    std::string bytes;
    if (!ReadWholeFile(file, &bytes)) {
        Tell("Не удалось прочитать файл " + fileName + ".", &box);
        return;
    }
    // Its missing rows would be deleted from the server: refused before the server is asked.
    if (const SnapshotDamage damage = FindSnapshotDamage(bytes)) {
        Tell("Файл " + fileName + " повреждён: " + SnapshotDamageText(damage) + ".\nНа сервер ничего не отправлено.",
             &box);
        return;
    }

    CServerChange change(*this, "Восстановить снимок", true, &box);
    if (!change.Ok()) return;
    CJournaledServer& server = change.Server();

    // The whole configuration with every period: what to delete and the before-values.
    const TagNames naming = CatalogueTagNames(UnnamedPartWords());
    TagFileReadOptions readOptions;
    readOptions.naming = &naming;
    RestoreBase base;
    bool whole = false;
    {
        const CBusyWindow busy(box, CBusyWindow::KeepCursor);
        std::size_t calls = 0;
        CProgressWnd progress(this, &CProgressWnd::FillText, m_nProgressDelayMs);
        ServerTagsOptions options;
        options.stop = [&] {
            progress.OnCount(++calls);
            return false;
        };
        whole = PrepareRestore(server, bytes, options, readOptions, false, &base);
    }
    const ServerTagList& serverTags = base.list;
    if (!whole) {
        Tell("Восстановление невозможно: " + TagListGapText(serverTags) + ".\nНа сервер ничего не отправлено.", &box);
        return;
    }
    const RestorePlan& restore = base.restore;
    if (!restore.file.readable) {
        Tell("Файл " + fileName + " не является снимком конфигурации.", &box);
        return;
    }
    if (restore.damage) {  // changed since it was read above
        Tell("Файл " + fileName + " повреждён: " + SnapshotDamageText(restore.damage) +
                 ".\nНа сервер ничего не отправлено.",
             &box);
        return;
    }
    // What was read before the preview waited on the user is not fresh: each call reads
    // its tag (and the port) right before it, for the journal's before-value.

    CImportPreviewDlg dlg(file.filename().wstring(), restore.file, restore.plan, server, &box);
    dlg.m_bRestore = true;
    dlg.m_NotMade = RestoreRunOptions(server, nullptr).notMade;
    dlg.m_bPortChanges = restore.portChanges;
    dlg.DoModal();

    const ImportReport& r = dlg.m_Report;
    const RestorePortResult portResult = dlg.m_bRan ? RestorePort(server, restore, r) : RestorePortResult();
    {
        CTreeViewModel tree = TreeModel();
        ShowTagsAsHeld(tree, change.TagChanges(), &CTarnelDlg::TreeTagName);
    }
    m_hCurrentItem = nullptr;
    change.Finish();
    if (!dlg.m_bRan) return;

    std::string text = "Восстановление: добавлено " + std::to_string(r.added) + ", изменён период " +
                       std::to_string(r.changed) + ", удалено " + std::to_string(r.deleted) + ", без изменений " +
                       std::to_string(r.unchanged) + ", отказано " + std::to_string(r.refused.size()) + ".";
    if (!r.refused.empty())
        text += "\nСервер отказал в " + std::to_string(r.refused.size()) + " вызовах (первая ошибка " +
                HResultText(r.refused.front().hr) + ").";
    if (portResult.tried)
        text += HrFailed(portResult.hr)
                    ? "\n" + RefusalText("Сервер не принял настройки COM-порта", portResult.hr)
                    : std::string("\nНастройки COM-порта восстановлены.");
    if (r.disconnected) text += "\nСвязь с сервером потеряна (ошибка " + HResultText(r.disconnectResult) + ").";
    if (r.stopped || r.disconnected)
        text += "\nВосстановление остановлено: не отправлено " + std::to_string(r.notAttempted) + " вызовов.";
    Tell(text, &box);
}
