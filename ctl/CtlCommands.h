// The commands of zolctl. Each returns the process's exit code (CtlConsole.h).
#pragma once

#include "ctl/CtlArgs.h"
#include "tagfile/ImportRun.h"
#include "tagfile/ServerTags.h"
#include "tagfile/TagNaming.h"

int RunZolctl(const std::vector<std::string>& argv);

// The commands that work on tag lists (CtlTagCommands.cpp).
int CommandTags(const CtlArgs& args);
int CommandExport(const CtlArgs& args);
int CommandImport(const CtlArgs& args);
int CommandCopyDevice(const CtlArgs& args);
int CommandDiff(const CtlArgs& args);  // CtlDiff.cpp

// Shared by the commands (CtlTagCommands.cpp).
std::string DescribeUnendedTagWalk(const TagWalkReport& walk);
// Why the list is not the server's whole configuration (ServerTagList::Gap), one line; "" when it is.
std::string DescribeTagListGap(const ServerTagList& list);
void PrintImportPlan(const ImportPlan& plan, const TagNaming& naming);
// The refusals and the summary of a run; the exit code. fileName: for the lines of refusals.
int ReportImportRun(const ImportReport& report, const ImportPlan& plan, const std::string& fileName,
                    bool journalFailed);

// Shared by the commands.
bool LoadCatalogue(const CtlArgs& args);  // false: --dsc is no directory (message printed)
std::string TagText(std::uint32_t type, std::uint32_t address, std::uint32_t param);
