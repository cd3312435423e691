#include "ctl/CtlArgs.h"

#include <algorithm>

#include "common/Decimal.h"
#include "tagfile/DeviceCopy.h"

namespace {

// The general usage: this, the rows' lines, kEveryCommandsOptions, the --format lines, then
// kGeneralUsageEnd.
const char kGeneralUsageStart[] =
    "usage: zolctl COMMAND [OPTIONS]\n"
    "  The ZOL-OPC-Server's configuration from the command line.\n"
    "\n"
    "commands:\n";

const char kEveryCommandsOptions[] =
    "\n"
    "options of every command:\n"
    "  --dsc DIR    device descriptions (*.dsc) from DIR (default: the current directory)\n"
    "  --verbose    show the description loader's lines on standard error\n"
    "  --history DIR  the journal and snapshots in DIR (default: ZOLCFG_HISTORY, else\n"
    "               %LOCALAPPDATA%\\zolcfg\\history)\n"
    "  --no-journal change the server without writing the journal (and no snapshots);\n"
    "               without it a command that cannot write the journal changes nothing\n"
    "  --help       this text, or a command's: zolctl COMMAND --help\n"
    "  --version    the program's version\n";

const char kGeneralUsageEnd[] =
    "\n"
    "TYPE 1..255, ADDRESS 1..247, PARAM 1..65534 (0..65535 to delete a tag or read its\n"
    "period), PERIOD_MS 0..86400000.\n"
    "Results go to standard output, errors and progress to standard error.\n"
    "Exit codes: 0 done; 1 some rows invalid or something refused (the rest was done),\n"
    "or standard output or error could not be written; 2 usage error or a file that\n"
    "cannot be read; 3 no connection to the server; 4 interrupted.\n";

// The names, separated by commas and wrapped to the usage's width, after *usage's last line.
void AppendNames(std::string* usage, const std::vector<std::string>& names)
{
    const std::size_t indent = 15, width = 92;
    std::size_t column = usage->size() - usage->rfind('\n') - 1;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string word = names[i] + (i + 1 < names.size() ? "," : ":");
        if (column + 1 + word.size() > width) {
            *usage += "\n" + std::string(indent, ' ');
            column = indent;
        } else {
            *usage += ' ';
            ++column;
        }
        *usage += word;
        column += word.size();
    }
    *usage += "\n";
}

// The --format lines: which commands take it, read from the rows.
std::string FormatUsage()
{
    std::vector<std::string> lists, pages, documents;
    for (const CtlCommand& row : CtlCommands()) {
        const std::string name = std::string(row.name) + (row.change == CtlChange::WhenSetting ? " (setting)" : "");
        if (row.formats == CtlFormats::CsvOrJson) lists.push_back(name);
        if (row.formats == CtlFormats::HtmlOrJson) pages.push_back(name);
        if (CtlAnswersWithDocument(row)) documents.push_back(name);
    }
    std::string usage = "\n--format, for the commands named:\n  --format csv|json ";
    AppendNames(&usage, lists);
    usage += "               the list as csv (the default) or json\n  --format html|json ";
    AppendNames(&usage, pages);
    usage += "               the page as html (the default) or its facts as json\n  --format json ";
    AppendNames(&usage, documents);
    return usage +
           "               one JSON document on standard output whatever the exit code (\"changed\",\n"
           "               the counts, the refusals, \"exit_code\", \"error\"); the lines for people\n"
           "               go to standard error\n";
}

// What the row takes of --format, for its error.
std::string FormatsTaken(const CtlCommand& row)
{
    if (row.formats == CtlFormats::CsvOrJson) return "--format takes csv or json";
    if (row.formats == CtlFormats::HtmlOrJson) return "--format takes html or json";
    return std::string(row.name) + " takes --format json only";
}

bool TakesFormat(const CtlCommand& row, const std::string& format)
{
    if (row.formats == CtlFormats::CsvOrJson) return format == "csv" || format == "json";
    if (row.formats == CtlFormats::HtmlOrJson) return format == "html" || format == "json";
    return CtlAnswersWithDocument(row) && format == "json";
}

}  // namespace

bool ParseCtlNumber(const std::string& text, std::int64_t min, std::int64_t max, std::int64_t* value)
{
    std::uint64_t v = 0;
    if (max < 0 || !ParseDecimal(text, static_cast<std::uint64_t>(max), &v)) return false;
    if (static_cast<std::int64_t>(v) < min) return false;
    *value = static_cast<std::int64_t>(v);
    return true;
}

std::string CtlUsage(const std::string& command)
{
    if (const CtlCommand* row = FindCtlCommand(command))
        return std::string(row->usage) + "  (zolctl --help lists the options of every command)\n";
    std::string usage = kGeneralUsageStart;
    for (const CtlCommand& row : CtlCommands()) usage += row.summary;
    return usage + kEveryCommandsOptions + FormatUsage() + kGeneralUsageEnd;
}

bool ParseCtlArgs(const std::vector<std::string>& argv, CtlArgs* args, std::string* error)
{
    std::vector<std::string> options;  // in order, each with its value(s) checked below
    for (std::size_t i = 0; i < argv.size(); ++i) {
        std::string arg = argv[i];
        // Dropped, it would shift every word after it into another place.
        if (arg.empty()) return *error = "argument " + std::to_string(i + 1) + " is empty", false;
        if (arg.size() < 2 || arg[0] != '-' || (arg[1] != '-' && arg != "-h" && arg != "-o")) {
            if (!args->command.empty()) {
                args->operands.push_back(arg);
                continue;
            }
            args->command = arg;
            // Refused at once: what follows it is read for no command.
            if (FindCtlCommand(arg) == nullptr) return *error = "unknown command '" + arg + "'", false;
            continue;
        }
        std::string value;
        bool hasInlineValue = false;
        const std::size_t eq = arg.find('=');
        if (eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            hasInlineValue = true;
        }
        auto takeValue = [&](std::string* out) {
            if (hasInlineValue) {
                *out = value;
                return true;
            }
            if (i + 1 >= argv.size()) {
                *error = "option " + arg + " needs a value";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--help" || arg == "-h") {
            args->help = true;
            continue;
        } else if (arg == "--version") {
            args->version = true;
            continue;
        } else if (arg == "--verbose") {
            args->verbose = true;
        } else if (arg == "--dsc") {
            if (!takeValue(&args->dsc)) return false;
            continue;  // every command takes it
        } else if (arg == "--history") {
            if (!takeValue(&args->history)) return false;
            if (args->history.empty()) return *error = "--history needs a folder", false;
            continue;  // every command takes it
        } else if (arg == "--no-journal") {
            args->noJournal = true;
        } else if (arg == "--to") {
            if (!takeValue(&v)) return false;
            const AddressList list = ReadAddressList(v);
            if (!list.Whole()) return *error = "--to: " + DescribeAddressEntry(list.refused.front()), false;
            if (list.addresses.empty()) return *error = "--to names no address", false;
            args->to = list.addresses;
        } else if (arg == "--since") {
            if (!takeValue(&args->since)) return false;
        } else if (arg == "--format") {
            if (!takeValue(&v)) return false;
            const CtlCommand* row = FindCtlCommand(args->command);
            if (row != nullptr ? row->formats != CtlFormats::Text && !TakesFormat(*row, v) : v != "csv" && v != "json")
                return *error = row != nullptr ? FormatsTaken(*row) : "--format takes csv or json", false;
            args->format = v;
            args->formatGiven = true;
        } else if (arg == "--encoding") {
            if (!takeValue(&v)) return false;
            if (v != "utf8" && v != "cp1251") return *error = "--encoding takes utf8 or cp1251", false;
            args->encoding = v;
        } else if (arg == "--sep") {
            if (!takeValue(&v)) return false;
            if (v == ";" || v == ",")
                args->separator = v[0];
            else if (v == "tab" || v == "\t")
                args->separator = '\t';
            else
                return *error = "--sep takes ';', ',' or tab", false;
        } else if (arg == "--device") {
            std::string type, address;
            if (!takeValue(&type)) return false;
            if (i + 1 >= argv.size()) return *error = "--device needs TYPE and ADDRESS", false;
            address = argv[++i];
            std::int64_t t = 0, a = 0;
            if (!ParseCtlNumber(type, 1, 255, &t) || !ParseCtlNumber(address, 1, 247, &a))
                return *error = "--device takes TYPE 1..255 and ADDRESS 1..247", false;
            args->hasDevice = true;
            args->deviceType = static_cast<std::uint32_t>(t);
            args->deviceAddress = static_cast<std::uint32_t>(a);
        } else if (arg == "--timeout") {
            if (!takeValue(&v)) return false;
            std::int64_t s = 0;
            if (!ParseCtlNumber(v, 1, 3600, &s)) return *error = "--timeout takes seconds 1..3600", false;
            args->timeoutSeconds = static_cast<int>(s);
        } else if (arg == "--check") {
            args->check = true;
        } else if (arg == "-o" || arg == "--output") {
            if (!takeValue(&args->output)) return false;
            if (args->output.empty()) return *error = arg + " needs a file name", false;
            arg = "-o";
        } else if (arg == "--journal") {
            if (!takeValue(&v)) return false;
            if (!ParseCtlNumber(v, 0, 100000, &args->journalLines)) return *error = "--journal takes 0..100000 lines", false;
        } else if (arg == "--dry-run") {
            args->dryRun = true;
        } else if (arg == "--replace") {
            args->replace = true;
        } else if (arg == "--yes") {
            args->yes = true;
        } else if (arg == "--strict") {
            args->strict = true;
        } else if (arg == "--skip-invalid") {
            args->skipInvalid = true;
        } else if (arg == "--allow-empty") {
            args->allowEmpty = true;
        } else {
            *error = "unknown option " + arg;
            return false;
        }
        if (hasInlineValue && (arg == "--verbose" || arg == "--dry-run" || arg == "--replace" ||
                               arg == "--yes" || arg == "--strict" || arg == "--skip-invalid" ||
                               arg == "--allow-empty" || arg == "--no-journal" || arg == "--check"))
            return *error = "option " + arg + " takes no value", false;
        if (arg != "--verbose") options.push_back(arg);
    }

    if (args->command.empty()) {
        if (args->help || args->version) return true;
        *error = "no command given";
        return false;
    }
    const CtlCommand& row = *FindCtlCommand(args->command);
    if (args->help) return true;
    for (const std::string& option : options) {
        if (!CtlCommandTakes(row, option)) {
            *error = args->command + " does not take " + option;
            return false;
        }
    }
    // Given before the command word, the format is checked here.
    if (std::find(options.begin(), options.end(), "--format") != options.end() && !TakesFormat(row, args->format))
        return *error = FormatsTaken(row), false;
    const int n = static_cast<int>(args->operands.size());
    if (n < row.fewestOperands || n > row.mostOperands) {
        *error = n < row.fewestOperands ? "too few arguments" : "too many arguments";
        return false;
    }
    if (args->command == "copy-device") {
        std::int64_t type = 0, address = 0;
        if (!ParseCtlNumber(args->operands[0], 1, 255, &type)) return *error = "TYPE must be 1..255", false;
        if (!ParseCtlNumber(args->operands[1], 1, 247, &address)) return *error = "ADDRESS must be 1..247", false;
        if (args->to.empty()) return *error = "copy-device needs --to LIST, the addresses to copy to", false;
        args->deviceType = static_cast<std::uint32_t>(type);
        args->deviceAddress = static_cast<std::uint32_t>(address);
    }
    if (args->command == "port" && n != 0 && (args->operands[0] != "set" || n != 6)) {
        *error = "port takes nothing, or set PORT SPEED DATABITS PARITY STOPBITS";
        return false;
    }
    if (row.change == CtlChange::WhenSetting && args->format == "json" && !CtlChangesServer(*args))
        return *error = "--format json is for setting; the value is printed as text", false;
    return true;
}

bool CtlArgsAskForJson(const std::vector<std::string>& argv)
{
    for (std::size_t i = 0; i < argv.size(); ++i) {
        if (argv[i] == "--format=json" || (argv[i] == "--format" && i + 1 < argv.size() && argv[i + 1] == "json"))
            return true;
    }
    return false;
}

bool CtlChangesServer(const CtlArgs& args)
{
    const CtlCommand* row = FindCtlCommand(args.command);
    if (row == nullptr) return false;
    return row->change == CtlChange::Yes ||
           (row->change == CtlChange::WhenSetting && static_cast<int>(args.operands.size()) > row->fewestOperands);
}
