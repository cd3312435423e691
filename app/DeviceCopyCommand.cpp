// "Копировать на адреса..." on a device node: the device's tags copied to other addresses
// with their periods, carried out as an import is (tagfile/DeviceCopy.h builds the import
// plan; RunImportPlan sends it through the journaled change, one undo step).
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/ImportSteps.h"
#include "app/ServerChange.h"
#include "app/TarnelDlg.h"
#include "dialogs/CopyDeviceDlg.h"
#include "dialogs/ProgressWnd.h"
#include "dialogs/StepProgressWnd.h"
#include "tagfile/DeviceCopy.h"
#include "ui/BusyWindow.h"
#include "ui/Text.h"

namespace {

constexpr char kAction[] = "Копировать устройство";

}  // namespace

void CTarnelDlg::OnCopyDevice()
{
    const TagKey key = static_cast<TagKey>(m_Tree.GetItemData(m_hCurrentItem));
    const CopySource source{TagKeyTypeCode(key), TagKeyAddress(key)};
    const std::string nodeText = m_Tree.GetItemText(m_hCurrentItem);

    CServerChange change(*this, kAction);
    if (!change.Ok()) return;
    CJournaledServer& server = change.Server();
    ServerTagsOptions readOptions;
    readOptions.wantPeriod = [&source](const TagId& id) { return CopyNeedsPeriod(source, id); };
    ServerTagList list = ReadServerTagsShown(server, readOptions);
    // A list that lacks tags would take an address in use for a free one. The periods are
    // asked of the source's tags alone, and one the server did not give the plan refuses.
    if (!list.HasEveryTag()) {
        Tell("Копирование невозможно: " + TagListGapText(list) + ".\nНа сервер ничего не отправлено.");
        return;
    }
    if (SourceTags(source, list.tags).empty()) {
        Tell("У устройства «" + nodeText + "» нет тегов на сервере: копировать нечего.");
        return;
    }

    CCopyDeviceDlg::Names names;
    names.device = [](std::uint32_t address, std::uint32_t type) {
        return TreeDeviceText(static_cast<int>(address), static_cast<int>(type));
    };
    names.tag = [](std::uint32_t address, std::uint32_t type, std::uint32_t param) {
        return TreeTagName(static_cast<int>(address), static_cast<int>(type), static_cast<int>(param));
    };
    const std::string prefill = FormatAddressList(SearchedCopyTargets(source, m_LastSearchFinds, list.tags));
    CCopyDeviceDlg dlg(source, list.tags, prefill, names, this);
    if (dlg.DoModal() != IDOK) return;  // Cancel sends nothing

    // The dialog waited on the user, and another program may have changed the server
    // meanwhile: what the journal records as the value before each call is read again,
    // either the whole list once more (the plan made again from it) or, when that would
    // take more calls than the copy, each tag right before its call.
    DeviceCopyPlan copy = dlg.m_Plan;
    if (RereadingIsCheaper(list.tags, source, copy.plan.Calls())) {
        list = ReadServerTagsShown(server, readOptions);
        if (!list.HasEveryTag()) {
            Tell("Копирование невозможно: " + TagListGapText(list) + ".\nНа сервер ничего не отправлено.");
            return;
        }
        copy = MakeDeviceCopyPlan(source, dlg.m_Addresses, list.tags);
        // An empty list may be a failing server's: the tags' before-values are asked then.
        server.KnowTags(list.tags, list.HasEveryTag() && !list.tags.empty());
    }

    HWND focus = FocusedControl();
    CBusyWindow busy(*this);
    ImportReport report;
    {
        // The tree gains each tag as the server accepts it.
        CTreeViewModel tree = TreeModel();
        CAcceptedTags accepted(tree);
        const std::size_t total = copy.plan.Calls();
        std::unique_ptr<CStepProgressWnd> progress;
        if (total > CStepProgressWnd::kShownAboveCalls)
            progress = std::make_unique<CStepProgressWnd>(this, "Копирование устройства", total);
        ImportRunOptions options;
        options.stop = [&] { return (progress && progress->StopRequested()) || server.JournalFailed(); };
        options.progress = [&](std::size_t done, std::size_t) {
            if (progress) progress->Step(done);
        };
        options.called = [&](ImportAction action, const PlannedTag& tag, HResult hr) {
            accepted.Called(action, tag, hr);
        };
        options.notMade = [&server](HResult hr) { return hr == kE_JournalNotWritten && server.JournalFailed(); };
        report = RunImportPlan(copy.plan, server, options);
    }
    busy.End();
    ReturnFocus(focus, m_Tree);
    change.Finish();

    std::string text = "Копирование " + nodeText + ": добавлено " + std::to_string(report.added) +
                       ", изменён период " + std::to_string(report.changed) + ", без изменений " +
                       std::to_string(report.unchanged) + ", отказано " + std::to_string(report.refused.size()) +
                       ".";
    if (!copy.refused.empty()) {
        std::vector<std::uint32_t> skipped;
        for (const RefusedTarget& target : copy.refused) skipped.push_back(target.address);
        text += "\nНе скопировано на адреса: " + FormatAddressList(skipped) + ".";
    }
    if (!copy.unknownPeriods.empty())
        text += "\nНе скопировано тегов без периода: " + std::to_string(copy.unknownPeriods.size()) + ".";
    if (!copy.refusedTags.empty())
        text += "\nНе скопировано тегов, которые импорт не принимает: " + std::to_string(copy.refusedTags.size()) +
                ".";
    text += RunTroubleLines(report, "Копирование остановлено");
    Tell(BoxLines(text));
}
