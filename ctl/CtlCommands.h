// The commands of zolctl. Each returns the process's exit code (CtlConsole.h).
#pragma once

#include "ctl/CtlArgs.h"
#include "tagfile/ImportRun.h"
#include "tagfile/ServerTags.h"
#include "tagfile/TagNames.h"

// The command line checked against the table, then the row's handler.
int RunZolctl(const std::vector<std::string>& argv);

// The handlers of the table's rows (ctl/CtlCommandTable.h), each in the ctl/ file of its
// kind: tag lists in CtlTagCommands.cpp (diff in CtlDiff.cpp), the history in
// CtlHistory.cpp, single tags, the port, the search and the restart in CtlCommands.cpp.
#define ZOL_CTL_DECLARE_HANDLER(name, fewest, most, options, change, formats, summary, usage, handler) \
    int handler(const CtlArgs& args);
ZOLCTL_COMMANDS(ZOL_CTL_DECLARE_HANDLER)
#undef ZOL_CTL_DECLARE_HANDLER

// Shared by the commands (CtlTagCommands.cpp).
// Why the list is not the server's whole configuration (ServerTagList::Gap) in zolctl's
// words, one line; "" when it is.
std::string DescribeTagListGap(const ServerTagList& list);
void PrintImportPlan(const ImportPlan& plan, const TagNames& naming);
// The refusals and the summary of a run; the exit code. fileName: for the lines of refusals.
int ReportImportRun(const ImportReport& report, const ImportPlan& plan, const std::string& fileName,
                    bool journalFailed);

// Shared by the commands.
bool LoadCatalogue(const CtlArgs& args);  // false: --dsc is no directory (message printed)
std::string TagText(std::uint32_t type, std::uint32_t address, std::uint32_t param);
