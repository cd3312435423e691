// The main window's export and import of tag files (CSV), built on the tag-file core that
// zolctl uses: the same reading of the server's tags, the same writer and format, the
// same reader and import plan. Import only adds tags and changes periods; it never deletes.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/ImportSteps.h"
#include "app/ServerChange.h"
#include "app/TarnelDlg.h"
#include "common/AtomicFile.h"
#include "dialogs/ImportPreviewDlg.h"
#include "dialogs/ProgressWnd.h"
#include "server/win/ComTagServer.h"
#include "server/ServerErrors.h"
#include "tagfile/ImportPlan.h"
#include "tagfile/ServerTags.h"
#include "tagfile/TagFileReader.h"
#include "tagfile/TagFileWriter.h"
#include "tagfile/TagNames.h"
#include "tree/ChildIndex.h"
#include "tree/TagPath.h"
#include "ui/BusyWindow.h"
#include "ui/FileDialog.h"
#include "words/TagNameWords.h"
#include "ui/Text.h"
#include "ui/TreeViewModel.h"

namespace {

// The default file name: zolcfg-tags-YYYYMMDD.csv, with the device's node text for one.
std::wstring DefaultExportName(const std::string& deviceText)
{
    std::wstring name = L"zolcfg-tags-" + TodayForFileName();
    if (!deviceText.empty()) name += L"-" + FileNamePart(Widen(deviceText));
    return name + L".csv";
}

std::string NarrowPath(const std::filesystem::path& path) { return Narrow(path.filename().wstring()); }

}  // namespace

CAcceptedTags::CAcceptedTags(CTreeViewModel& tree) : m_tree(tree), m_bulk(tree), m_index(tree) {}

CAcceptedTags::~CAcceptedTags() { SortWhatGrew(); }

void CAcceptedTags::SortWhatGrew()
{
    for (TreeNode parent : m_index.TakeNewlyGrown()) m_tree.SortChildrenAsInserted(parent);
}

void CAcceptedTags::Called(ImportAction action, const PlannedTag& tag, HResult hr)
{
    if (action == ImportAction::Add && HrSucceeded(hr)) Insert(tag.id);
}

void CAcceptedTags::Insert(const TagId& id)
{
    const TagId device{id.type, id.address, 0};
    if (device != m_device) SortWhatGrew();
    m_device = device;
    const TagPathOptions options{InsertAt::Last, &m_index};
    ::InsertTagPath(m_tree,
                    CTarnelDlg::TreeTagName(static_cast<int>(id.address), static_cast<int>(id.type),
                                            static_cast<int>(id.param)),
                    id.address, id.type, id.param, options);
}

void InsertAcceptedTags(CTreeViewModel& tree, const ImportPlan& plan, const ImportReport& report,
                        std::size_t callsMade)
{
    std::vector<bool> refused(plan.add.size(), false);
    std::size_t firstRefusal = 0;
    for (const ImportRefusal& r : report.refused) {
        if (r.action != ImportAction::Add) continue;
        for (std::size_t i = firstRefusal; i < plan.add.size(); ++i)
            if (plan.add[i].id == r.id) {
                refused[i] = true;
                firstRefusal = i + 1;
                break;
            }
    }
    CAcceptedTags accepted(tree);
    const std::size_t made = callsMade < plan.add.size() ? callsMade : plan.add.size();
    for (std::size_t i = 0; i < made; ++i)
        if (!refused[i]) accepted.Insert(plan.add[i].id);
}

std::string RunTroubleLines(const ImportReport& r, const std::string& stopped)
{
    std::string text;
    if (!r.refused.empty())
        text += "\nСервер отказал в " + std::to_string(r.refused.size()) + " тегах (первая ошибка " +
                HResultText(r.refused.front().hr) + ").";
    if (r.disconnected)
        text += "\nСвязь с сервером потеряна (ошибка " + HResultText(r.disconnectResult) + ").";
    if (r.stopped || r.disconnected)
        text += "\n" + stopped + ": не отправлено " + std::to_string(r.notAttempted) + " тегов.";
    return text;
}

void CTarnelDlg::OnExportTags()
{
    // Export of one device from its node, of every tag from empty space.
    bool oneDevice = false;
    std::uint32_t deviceType = 0, deviceAddress = 0;
    std::string deviceText;
    if (m_hCurrentItem != nullptr) {
        const TagKey key = static_cast<TagKey>(m_Tree.GetItemData(m_hCurrentItem));
        oneDevice = true;
        deviceType = TagKeyTypeCode(key);
        deviceAddress = TagKeyAddress(key);
        deviceText = m_Tree.GetItemText(m_hCurrentItem);
    }
    const std::filesystem::path file = AskFile(m_hWnd, true, DefaultExportName(deviceText), "Экспорт тегов", kCsvFiles);
    if (file.empty()) return;

    const auto ofDevice = [&](const TagId& id) { return id.type == deviceType && id.address == deviceAddress; };
    ServerTagsOptions options;
    if (oneDevice) options.wantPeriod = ofDevice;
    const ServerTagList list = ReadServerTagsShown(
        Server(), options, [](std::size_t n) { return "Экспорт тегов: запросов к серверу " + std::to_string(n); });

    // A server that went away leaves nothing worth a file; a list the server did not end is
    // written as read, with a word about it, as zolctl export does.
    if (list.disconnected || list.stopped) {
        Tell("Теги не экспортированы: " + TagListGapText(list) + ".\nФайл не записан.");
        return;
    }
    std::vector<ServerTag> tags;
    for (const ServerTag& tag : list.tags)
        if (!oneDevice || ofDevice(tag.id)) tags.push_back(tag);
    // A server without tags and a failing one answer alike; the user decides whether an
    // existing file of tags gives way to an empty one.
    const std::string failedEnd = list.walk.endedOnFailure
                                      ? "Список тегов сервера закончился ошибкой " + HResultText(list.walk.lastFailure) +
                                            ": в нём могут быть не все теги."
                                      : std::string();
    std::string old;
    if (tags.empty() && ReadWholeFile(file, &old)) {
        const std::size_t oldTags = CountTagRows(old);
        if (oldTags != 0) {
            std::string question = "В файле " + NarrowPath(file) + " тегов: " + std::to_string(oldTags) +
                                   ", с сервера прочитано тегов: 0.";
            if (!failedEnd.empty()) question += "\n" + failedEnd;
            if (MessageBox(question + "\nЗаменить файл пустым списком?", nullptr, MB_YESNO | MB_ICONQUESTION) != IDYES)
                return;
        }
    }
    const std::string content =
        WriteTagFile(MakeTagFileRecords(tags, CatalogueTagNames(UnnamedPartWords())), TagFileFormat{});
    std::string error;
    AtomicWriteStep failed = AtomicWriteStep::None;
    if (!WriteFileAtomic(file, content, &error, &failed)) {
        Tell("Не удалось записать файл " + NarrowPath(file) + ": " + FileWriteFailureText(failed) + ".\nФайл не записан.");
        return;
    }
    std::string text = "Экспортировано тегов: " + std::to_string(tags.size()) + " в файл " + NarrowPath(file);
    if (list.walk.end != TagWalkEnd::Completed)
        text += "\nВ файле только прочитанные теги: " + TagListGapText(list) + ".";
    else if (!failedEnd.empty())
        text += "\n" + failedEnd;
    if (list.periodFailures > 0)
        text += "\nСервер не выдал период у " + std::to_string(list.periodFailures) + " тегов (ошибка " +
                HResultText(list.firstPeriodFailure) + "); их период в файле пуст.";
    Tell(text);
}

void CTarnelDlg::OnImportTags()
{
    const std::filesystem::path file = AskFile(m_hWnd, false, std::wstring(), "Импорт тегов", kCsvFiles);
    if (file.empty()) return;

    std::string bytes;
    if (!ReadWholeFile(file, &bytes)) {
        Tell("Не удалось прочитать файл " + NarrowPath(file) + ".");
        return;
    }
    const TagNames naming = CatalogueTagNames(UnnamedPartWords());
    TagFileReadOptions readOptions;
    readOptions.naming = &naming;
    TagFileContent content = ReadTagFile(bytes, readOptions);
    if (!content.readable) {
        std::string reason = "нет строки заголовка с именами столбцов";
        if (!content.issues.empty()) reason = Narrow(CImportPreviewDlg::IssueLine(content.issues.front()));
        Tell("Файл " + NarrowPath(file) + " не является списком тегов: " + reason + ".");
        return;
    }

    CServerChange change(*this, "Импорт тегов");
    if (!change.Ok()) return;
    CJournaledServer& server = change.Server();
    const CTagIdSet inFile(content);
    ServerTagsOptions options;
    options.wantPeriod = [&inFile](const TagId& id) { return inFile.Contains(id); };
    const ServerTagList serverTags = ReadServerTagsShown(server, options);
    // A list that broke off on a failure after some tags, or lacks periods, still shows
    // every tag the file names as the server holds it: only a list cut short refuses.
    if (serverTags.disconnected || serverTags.stopped || serverTags.walk.end != TagWalkEnd::Completed) {
        Tell("Импорт невозможен: " + TagListGapText(serverTags) + ".\nНа сервер ничего не отправлено.");
        return;
    }

    // A row that can only name a tag is no fault when the server holds that tag as it says.
    SettleExistingTagRows(&content, serverTags.tags);
    const ImportPlan plan = MakeImportPlan(content.rows, serverTags.tags, false);
    // The periods just read are not the journal's before-values: the preview waits on the
    // user, and another program may change a tag meanwhile. Each call reads its tag first.
    CImportPreviewDlg dlg(file.filename().wstring(), content, plan, server, this);
    dlg.m_NotMade = [&server](HResult hr) { return hr == kE_JournalNotWritten && server.JournalFailed(); };
    dlg.DoModal();
    change.Finish();
    if (!dlg.m_bRan) return;

    {
        CTreeViewModel tree = TreeModel();
        InsertAcceptedTags(tree, plan, dlg.m_Report, dlg.m_nCallsMade);
    }

    const ImportReport& r = dlg.m_Report;
    std::string text = "Импорт: добавлено " + std::to_string(r.added) + ", изменён период " +
                       std::to_string(r.changed) + ", без изменений " + std::to_string(r.unchanged) +
                       ", отказано " + std::to_string(r.refused.size()) + ", неверных строк " +
                       std::to_string(r.invalidRows) + ".";
    text += RunTroubleLines(r, "Импорт остановлен");
    Tell(text);
}
