// The main window's undo and redo (their items and keys are rows of the command table):
// carrying out a step's inverse (or its repetition) through the journal, with the tree
// brought in line with the server afterwards.
#include <cstdio>
#include <memory>

#include "app/ServerChange.h"
#include "app/TarnelDlg.h"
#include "dialogs/StepProgressWnd.h"
#include "tree/TagNodes.h"
#include "ui/BusyWindow.h"
#include "ui/Text.h"
#include "ui/TreeViewModel.h"

void CTarnelDlg::OnUndo() { RunUndoStep(true); }

void CTarnelDlg::OnRedo() { RunUndoStep(false); }

void CTarnelDlg::RunUndoStep(bool undo)
{
    CUndoStack& stack = m_pHistory->m_Undo;
    const std::string action = undo ? stack.UndoAction() : stack.RedoAction();
    const std::string journalAction = (undo ? "Отменить: " : "Вернуть: ") + action;

    CServerChange change(*this, journalAction, false);
    if (!change.Ok()) return;
    const std::size_t total = undo ? stack.UndoCalls() : stack.RedoCalls();

    // The server's calls dispatch messages: no input reaches the window meanwhile.
    HWND focus = FocusedControl();
    CBusyWindow busy(*this);
    UndoReport report;
    {
        std::unique_ptr<CStepProgressWnd> progress;
        if (total > CStepProgressWnd::kShownAboveCalls)
            progress = std::make_unique<CStepProgressWnd>(this, undo ? "Отмена действия" : "Возврат действия", total);
        PlannedRunOptions options;
        if (progress) {
            options.stop = [&progress] { return progress->StopRequested(); };
            options.progress = [&progress](std::size_t done, std::size_t) { progress->Step(done); };
        }
        report = undo ? stack.Undo(change.Server(), journalAction, options)
                      : stack.Redo(change.Server(), journalAction, options);
    }
    busy.End();
    ReturnFocus(focus, m_Tree);

    {
        // The tags another program changed are shown as it left them.
        std::vector<TagOnServer> shown = change.TagChanges();
        for (const auto& [id, held] : report.run.changedTags)
            shown.push_back(TagOnServer{id.type, id.address, id.param, held});
        CTreeViewModel tree = TreeModel();
        ShowTagsAsHeld(tree, shown, &CTarnelDlg::TreeTagName);
    }
    m_hCurrentItem = nullptr;
    change.Finish();
    ReportUndoStep(undo, report);
}

void CTarnelDlg::ReportUndoStep(bool undo, const UndoReport& report)
{
    const PlannedRunReport& run = report.run;
    const std::size_t done = run.doneOrdinals.size();
    std::string text;
    if (report.notInvertible > 0)
        text += "Удаление тегов: " + std::to_string(report.notInvertible) +
                " отменить нельзя: сервер не сообщил их период.\n";
    if (run.changedElsewhere > 0) {
        const std::string first =
            run.firstChangedIsPort
                ? std::string("настройки COM-порта")
                : TreeTagName(static_cast<int>(run.firstChanged.address), static_cast<int>(run.firstChanged.type),
                              static_cast<int>(run.firstChanged.param));
        text += std::string(undo ? "Изменены другой программой, не отменены: " : "Изменены другой программой, не возвращены: ") +
                std::to_string(run.changedElsewhere) + " (первый: " + first + ").\n";
    }
    if (run.refused > 0)
        text += "Сервер отказал в " + std::to_string(run.refused) + " из " + std::to_string(report.calls) +
                " вызовов (первая ошибка " + HResultText(run.firstRefusal) + ").\n";
    if (run.disconnected)
        text += "Связь с сервером потеряна (ошибка " + HResultText(run.disconnectResult) + ").\n";
    if (run.stopped)
        text += std::string(undo ? "Отмена остановлена" : "Возврат остановлен") + ": выполнено " +
                std::to_string(done) + " из " + std::to_string(report.calls) + " вызовов.\n";
    if (text.empty() || run.journalFailed) {
        if (!text.empty()) Tell(BoxLines(text.substr(0, text.size() - 1)));
        return;
    }
    if (!report.complete)
        text += std::string(undo ? "Остальное можно отменить снова: «" : "Остальное можно вернуть снова: «") +
                report.action + "».";
    else
        text.pop_back();
    Tell(BoxLines(text));
}
