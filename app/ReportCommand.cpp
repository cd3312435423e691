// The main window's as-built report: the server's list, its port settings, the description
// files and the journal's last lines, built by the report core zolctl report uses, written
// whole where the user says and opened as the guide is.
#include <filesystem>
#include <string>
#include <vector>

#include "app/ServerChange.h"
#include "app/TarnelDlg.h"
#include "catalogue/DescriptionFilesReport.h"
#include "catalogue/Windows1251.h"
#include "history/HistoryPlatform.h"
#include "report/ConfigReport.h"
#include "report/ReportContext.h"
#include "report/ReportHtml.h"
#include "serial/PortSettings.h"
#include "ui/FileDialog.h"
#include "ui/Help.h"
#include "words/ReportWords.h"
#include "words/TagNameWords.h"
#include "ui/Text.h"

namespace {

constexpr std::size_t kReportJournalLines = 50;

std::string FileNameText(const std::filesystem::path& file) { return Narrow(file.filename().wstring()); }

}  // namespace

void CTarnelDlg::OnConfigReport()
{
    const std::filesystem::path file =
        AskFile(m_hWnd, true, L"zolcfg-report-" + TodayForFileName() + L".html", "Отчёт о конфигурации", kHtmlFiles);
    if (file.empty()) return;

    const ServerTagList list = ReadServerTagsShown(Server(), ServerTagsOptions{});
    // A server that went away leaves nothing to report; a list the server did not end is
    // reported as read, its first lines saying so.
    if (list.disconnected || list.stopped) {
        Tell("Отчёт не записан: " + TagListGapText(list) + ".");
        return;
    }
    ConfigReportSources sources;
    sources.list = &list;
    if (list.Gap(false) != TagListGap::None) sources.gap = Cp1251ToUtf8(TagListGapText(list));
    sources.port = ReadPortSettings(Server());
    const std::vector<DescriptionFileReport> files = ReportDescriptionFiles(std::filesystem::path("."));
    sources.files = &files;
    sources.version = Cp1251ToUtf8(WindowProgramName());
    sources.unnamed = UnnamedPartWords();
    sources.typeWord = u8"тип ";
    const bool history = m_pHistory && m_pHistory->FolderProblem().empty();
    std::string journalProblem;
    AddReportContext(SystemHistoryPlatform(), history ? m_pHistory->Folder() : std::filesystem::path(),
                     kReportJournalLines, &sources, &journalProblem);
    const ConfigReport report = BuildConfigReport(sources);

    std::string error;
    AtomicWriteStep failed = AtomicWriteStep::None;
    if (!WriteFileAtomic(file, WriteReportHtml(report, ReportPageWords()), &error, &failed)) {
        Tell("Не удалось записать файл " + FileNameText(file) + ": " + FileWriteFailureText(failed) +
             ".\nОтчёт не записан.");
        return;
    }
    std::string told;
    if (!sources.gap.empty()) told += "В отчёте только прочитанные теги: " + TagListGapText(list) + ".\n";
    if (!journalProblem.empty()) told += "Журнал изменений не прочитан: в отчёте его нет.\n";
    if (!OpenDocument(m_hWnd, file.wstring(), std::string()))
        told += "Отчёт записан в файл " + FileNameText(file) + ", но открыть его не удалось.";
    if (!told.empty()) Tell(told);
}
