// What an as-built report holds beside the server's facts, gathered alike by every front
// end: this computer's name, the local date and time, and the journal's last lines.
// Portable.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "history/HistoryPlatform.h"
#include "report/ConfigReport.h"

// "2026-12-10 14:05"
std::string ReportDateTime(const LocalTime& time);

// Fills sources' computer, date and time, journal and journal count. The journal is read
// from historyFolder only when journalCount is not 0 and the folder is there (a report never
// makes one; an empty folder path: no history). A journal that cannot be read leaves the
// report without it and says why in *journalProblem (English, from the history's reader).
void AddReportContext(IHistoryPlatform& platform, const std::filesystem::path& historyFolder,
                      std::size_t journalCount, ConfigReportSources* sources, std::string* journalProblem);
