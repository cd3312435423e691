// The commands of zolctl. Each returns the process's exit code (CtlConsole.h).
#pragma once

#include "ctl/CtlArgs.h"

int RunZolctl(const std::vector<std::string>& argv);

// The commands that work on tag lists (CtlTagCommands.cpp).
int CommandTags(const CtlArgs& args);
int CommandExport(const CtlArgs& args);
int CommandImport(const CtlArgs& args);

// Shared by the commands.
bool LoadCatalogue(const CtlArgs& args);  // false: --dsc is no directory (message printed)
std::string TagText(std::uint32_t type, std::uint32_t address, std::uint32_t param);
