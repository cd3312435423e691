#include "ctl/CtlArgs.h"

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

// The words of a row's names or values.
std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

// The setters of the rows of CtlOptions() (below): the value is given.values[0], --device's
// are [0] and [1].

template <bool CtlArgs::*member>
bool SetFlag(const CtlOptionGiven&, CtlArgs* args, std::string*)
{
    args->*member = true;
    return true;
}

// The value as given, empty or not.
template <std::string CtlArgs::*member>
bool SetText(const CtlOptionGiven& given, CtlArgs* args, std::string*)
{
    args->*member = given.values[0];
    return true;
}

bool SetHistory(const CtlOptionGiven& given, CtlArgs* args, std::string* error)
{
    args->history = given.values[0];
    if (args->history.empty()) return *error = "--history needs a folder", false;
    return true;
}

bool SetTo(const CtlOptionGiven& given, CtlArgs* args, std::string* error)
{
    const AddressList list = ReadAddressList(given.values[0]);
    if (!list.Whole()) return *error = "--to: " + DescribeAddressEntry(list.refused.front()), false;
    if (list.addresses.empty()) return *error = "--to names no address", false;
    args->to = list.addresses;
    return true;
}

// Checked against the command when its word came first; before it, only as the lists take it,
// and against the command once the whole line is read (ParseCtlArgs). A command that takes no
// --format is refused then, whatever the value.
bool SetFormat(const CtlOptionGiven& given, CtlArgs* args, std::string* error)
{
    const std::string& v = given.values[0];
    const CtlCommand* row = given.command;
    if (row != nullptr ? row->formats != CtlFormats::Text && !TakesFormat(*row, v) : v != "csv" && v != "json")
        return *error = row != nullptr ? FormatsTaken(*row) : "--format takes csv or json", false;
    args->format = v;
    args->formatGiven = true;
    return true;
}

bool SetEncoding(const CtlOptionGiven& given, CtlArgs* args, std::string* error)
{
    const std::string& v = given.values[0];
    if (v != "utf8" && v != "cp1251") return *error = "--encoding takes utf8 or cp1251", false;
    args->encoding = v;
    return true;
}

// A tab as the word "tab" or as the character itself.
bool SetSeparator(const CtlOptionGiven& given, CtlArgs* args, std::string* error)
{
    const std::string& v = given.values[0];
    if (v == ";" || v == ",")
        args->separator = v[0];
    else if (v == "tab" || v == "\t")
        args->separator = '\t';
    else
        return *error = "--sep takes ';', ',' or tab", false;
    return true;
}

bool SetDevice(const CtlOptionGiven& given, CtlArgs* args, std::string* error)
{
    std::int64_t t = 0, a = 0;
    if (!ParseCtlNumber(given.values[0], 1, 255, &t) || !ParseCtlNumber(given.values[1], 1, 247, &a))
        return *error = "--device takes TYPE 1..255 and ADDRESS 1..247", false;
    args->hasDevice = true;
    args->deviceType = static_cast<std::uint32_t>(t);
    args->deviceAddress = static_cast<std::uint32_t>(a);
    return true;
}

bool SetTimeout(const CtlOptionGiven& given, CtlArgs* args, std::string* error)
{
    std::int64_t s = 0;
    if (!ParseCtlNumber(given.values[0], 1, 3600, &s)) return *error = "--timeout takes seconds 1..3600", false;
    args->timeoutSeconds = static_cast<int>(s);
    return true;
}

// Named as typed in its error: "--output needs a file name".
bool SetOutput(const CtlOptionGiven& given, CtlArgs* args, std::string* error)
{
    args->output = given.values[0];
    if (args->output.empty()) return *error = given.name + " needs a file name", false;
    return true;
}

bool SetJournalLines(const CtlOptionGiven& given, CtlArgs* args, std::string* error)
{
    if (!ParseCtlNumber(given.values[0], 0, 100000, &args->journalLines))
        return *error = "--journal takes 0..100000 lines", false;
    return true;
}

constexpr CtlOptionTakers Every = CtlOptionTakers::Every;
constexpr CtlOptionTakers Listed = CtlOptionTakers::Listed;
constexpr CtlOptionTakers Formats = CtlOptionTakers::Formats;
constexpr bool kIgnoresValueAfterEquals = true;

}  // namespace

// zolctl's options, one row each: its names, the names of its values, which commands take it
// and its setter. ParseCtlArgs reads them from here; their texts for people are the command
// rows' usage and kEveryCommandsOptions. Adding an option: one row here (with a setter of its
// own unless it is a flag or a plain text), and for a Listed one its name in the options and
// usage of the command rows that take it.
const std::vector<CtlOption>& CtlOptions()
{
    // clang-format off
    static const std::vector<CtlOption> rows{
        // Those of every command.
        {"--dsc",          "DIR",          Every,   SetText<&CtlArgs::dsc>},
        {"--verbose",      "",             Every,   SetFlag<&CtlArgs::verbose>},
        {"--history",      "DIR",          Every,   SetHistory},
        {"--help -h",      "",             Every,   SetFlag<&CtlArgs::help>, kIgnoresValueAfterEquals},
        {"--version",      "",             Every,   SetFlag<&CtlArgs::version>, kIgnoresValueAfterEquals},
        // Those of some commands.
        {"--no-journal",   "",             Listed,  SetFlag<&CtlArgs::noJournal>},
        {"--format",       "FORMAT",       Formats, SetFormat},
        {"--encoding",     "ENCODING",     Listed,  SetEncoding},
        {"--sep",          "SEPARATOR",    Listed,  SetSeparator},
        {"--device",       "TYPE ADDRESS", Listed,  SetDevice},
        {"--allow-empty",  "",             Listed,  SetFlag<&CtlArgs::allowEmpty>},
        {"--dry-run",      "",             Listed,  SetFlag<&CtlArgs::dryRun>},
        {"--replace",      "",             Listed,  SetFlag<&CtlArgs::replace>},
        {"--yes",          "",             Listed,  SetFlag<&CtlArgs::yes>},
        {"--strict",       "",             Listed,  SetFlag<&CtlArgs::strict>},
        {"--skip-invalid", "",             Listed,  SetFlag<&CtlArgs::skipInvalid>},
        {"--timeout",      "S",            Listed,  SetTimeout},
        {"--since",        "DATE",         Listed,  SetText<&CtlArgs::since>},
        {"--to",           "LIST",         Listed,  SetTo},
        {"--check",        "",             Listed,  SetFlag<&CtlArgs::check>},
        {"-o --output",    "FILE",         Listed,  SetOutput},
        {"--journal",      "N",            Listed,  SetJournalLines},
    };
    // clang-format on
    return rows;
}

namespace {

// The row one of whose names is this name; null when none is.
const CtlOption* FindOption(const std::string& name)
{
    for (const CtlOption& option : CtlOptions())
        for (const std::string& word : Words(option.names))
            if (word == name) return &option;
    return nullptr;
}

// The name the command rows and the errors give it.
std::string FirstName(const CtlOption& option)
{
    return Words(option.names).front();
}

// The error of an option whose values the line ends before: "option --dsc needs a value",
// "--device needs TYPE and ADDRESS".
std::string MissingValues(const CtlOptionGiven& given, const std::vector<std::string>& valueNames)
{
    if (given.values.empty()) return "option " + given.name + " needs a value";
    std::string error = given.name + " needs " + valueNames.front();
    for (std::size_t v = 1; v < valueNames.size(); ++v) error += " and " + valueNames[v];
    return error;
}

// An option begins with "--" or is one of the table's short names (-h, -o): "-5", "-" and "-h=1"
// are the command or operands.
bool IsOptionWord(const std::string& word)
{
    return word.compare(0, 2, "--") == 0 || FindOption(word) != nullptr;
}

bool CommandTakes(const CtlCommand& row, const CtlOption& option)
{
    switch (option.takers) {
    case CtlOptionTakers::Every: return true;
    case CtlOptionTakers::Listed: return CtlCommandTakes(row, FirstName(option));
    case CtlOptionTakers::Formats: return row.formats != CtlFormats::Text;
    }
    return false;
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
    std::vector<const CtlOption*> options;  // in order, those not every command takes
    for (std::size_t i = 0; i < argv.size(); ++i) {
        const std::string& arg = argv[i];
        // Dropped, it would shift every word after it into another place.
        if (arg.empty()) return *error = "argument " + std::to_string(i + 1) + " is empty", false;
        if (!IsOptionWord(arg)) {
            if (!args->command.empty()) {
                args->operands.push_back(arg);
                continue;
            }
            args->command = arg;
            // Refused at once: what follows it is read for no command.
            if (FindCtlCommand(arg) == nullptr) return *error = "unknown command '" + arg + "'", false;
            continue;
        }
        CtlOptionGiven given{arg, {}, FindCtlCommand(args->command)};
        const std::size_t eq = arg.find('=');
        if (eq != std::string::npos) {
            given.name = arg.substr(0, eq);
            given.values.push_back(arg.substr(eq + 1));
        }
        const CtlOption* option = FindOption(given.name);
        if (option == nullptr) return *error = "unknown option " + given.name, false;
        // Its first value may follow '='; the others are the words after it, whatever they are.
        const std::vector<std::string> valueNames = Words(option->values);
        if (valueNames.empty() && !given.values.empty()) {
            if (!option->ignoresValueAfterEquals) return *error = "option " + given.name + " takes no value", false;
            given.values.clear();
        }
        while (given.values.size() < valueNames.size()) {
            if (i + 1 >= argv.size()) return *error = MissingValues(given, valueNames), false;
            given.values.push_back(argv[++i]);
        }
        if (!option->set(given, args, error)) return false;
        if (option->takers != CtlOptionTakers::Every) options.push_back(option);
    }

    if (args->command.empty()) {
        if (args->help || args->version) return true;
        *error = "no command given";
        return false;
    }
    const CtlCommand& row = *FindCtlCommand(args->command);
    if (args->help) return true;
    for (const CtlOption* option : options) {
        if (!CommandTakes(row, *option)) {
            *error = args->command + " does not take " + FirstName(*option);
            return false;
        }
    }
    // Given before the command word, the format is checked here.
    if (args->formatGiven && !TakesFormat(row, args->format)) return *error = FormatsTaken(row), false;
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
