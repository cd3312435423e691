#include "report/ReportContext.h"

#include <cstdio>
#include <system_error>
#include <utility>
#include <vector>

#include "history/Journal.h"

std::string ReportDateTime(const LocalTime& t)
{
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
    return text;
}

void AddReportContext(IHistoryPlatform& platform, const std::filesystem::path& historyFolder,
                      std::size_t journalCount, ConfigReportSources* sources, std::string* journalProblem)
{
    sources->computer = platform.ComputerName();
    sources->dateTime = ReportDateTime(platform.Now());
    sources->journalCount = journalCount;
    sources->journal.clear();
    if (journalCount == 0 || historyFolder.empty()) return;
    std::error_code ec;
    if (!std::filesystem::is_directory(historyFolder, ec)) return;
    std::vector<JournalLine> lines;
    std::string error;
    if (ReadJournal(historyFolder, &lines, &error))
        sources->journal = std::move(lines);
    else if (journalProblem != nullptr)
        *journalProblem = error;
}
