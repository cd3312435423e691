#include "ctl/CtlCommandTable.h"

const std::vector<CtlCommand>& CtlCommands()
{
#define ZOL_CTL_ROW(name, fewest, most, options, change, formats, summary, usage, handler) \
    CtlCommand{name, fewest, most, options, CtlChange::change, CtlFormats::formats, summary, usage, #handler},
    static const std::vector<CtlCommand> rows{ZOLCTL_COMMANDS(ZOL_CTL_ROW)};
#undef ZOL_CTL_ROW
    return rows;
}

const CtlCommand* FindCtlCommand(const std::string& name)
{
    for (const CtlCommand& row : CtlCommands())
        if (name == row.name) return &row;
    return nullptr;
}

std::size_t CtlCommandIndex(const CtlCommand& row)
{
    return static_cast<std::size_t>(&row - CtlCommands().data());
}

bool CtlCommandTakes(const CtlCommand& row, const std::string& option)
{
    const std::string list = std::string(" ") + row.options + " ";
    return list.find(" " + option + " ") != std::string::npos;
}

bool CtlAnswersWithDocument(const CtlCommand& row)
{
    return row.formats == CtlFormats::JsonResult || row.formats == CtlFormats::JsonDiff ||
           row.formats == CtlFormats::JsonCheck;
}
