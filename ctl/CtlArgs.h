// zolctl's command line: the command, its operands and the options, checked against what
// each command takes. Portable; the texts are UTF-8.
#pragma once

#include "ctl/CtlCommandTable.h"
#include "serial/PortSettings.h"  // the port command's texts

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct CtlArgs {
    std::string command;               // "" with --help or --version alone
    std::vector<std::string> operands;
    bool help = false;
    bool version = false;
    bool verbose = false;
    std::string dsc = ".";
    std::string format = "csv";        // tags
    std::string encoding = "utf8";     // export
    char separator = ';';              // export
    bool hasDevice = false;            // export --device TYPE ADDRESS
    std::uint32_t deviceType = 0, deviceAddress = 0;
    bool dryRun = false, replace = false, yes = false, strict = false;  // import
    bool skipInvalid = false;          // import --replace despite invalid rows
    bool allowEmpty = false;           // export may replace a file of tags with an empty list
    int timeoutSeconds = 30;           // restart
    std::string history;               // --history DIR ("" : ZOLCFG_HISTORY or the default)
    bool noJournal = false;            // changes without the journal, no snapshots
    std::string since;                 // journal --since
    std::vector<std::uint32_t> to;     // copy-device --to LIST: the addresses, ascending
    bool formatGiven = false;          // --format was on the command line
    bool check = false;                // report --check
    std::string output;                // report -o FILE ("" : standard output)
    std::int64_t journalLines = 50;    // report --journal N
};

// Which commands take an option.
enum class CtlOptionTakers {
    Every,    // every command; no command row lists it
    Listed,   // the commands whose row lists it among its options (ctl/CtlCommandTable.h)
    Formats,  // the commands whose row takes a --format (its formats are not Text)
};

// An option as the command line gives it, for its row's setter.
struct CtlOptionGiven {
    std::string name;                 // as typed ("--output" or "-o"), for its errors
    std::vector<std::string> values;  // as many as its row names
    const CtlCommand* command;        // the command's row when the command word came first, else null
};

// One option of zolctl (the rows are in ctl/CtlArgs.cpp).
struct CtlOption {
    const char* names;   // space-separated; the first is the one the command rows and errors name
    const char* values;  // the names of the values it takes, space-separated: "" none, "TYPE ADDRESS" two
    CtlOptionTakers takers;
    // Sets *args from the values; false with *error saying why they are refused.
    bool (*set)(const CtlOptionGiven& given, CtlArgs* args, std::string* error);
    // Without values: "--help=1" is --help when this is set; else the value is refused.
    bool ignoresValueAfterEquals = false;
};

// Every row of the table of options.
const std::vector<CtlOption>& CtlOptions();

// Parses argv[1..] against the tables of options and of commands (ctl/CtlCommandTable.h); on
// a usage error returns false with *error saying why (the caller prints it and the usage
// text, exit code 2). An unknown command is refused as soon as it is read, whatever follows
// it; an option's values are checked where it stands, whether the command takes it once the
// whole line is read.
bool ParseCtlArgs(const std::vector<std::string>& argv, CtlArgs* args, std::string* error);

// The command line asks for --format json (a usage error answers with the command's
// document then, when the command has one).
bool CtlArgsAskForJson(const std::vector<std::string>& argv);

// The command changes the server with these operands (its row's change).
bool CtlChangesServer(const CtlArgs& args);

// The usage text: the whole program's for an empty or unknown command (the rows' lines
// between its head and its options), else the command's own.
std::string CtlUsage(const std::string& command);

// Strict decimal in [min, max] ("007" is 7; no sign, no blanks).
bool ParseCtlNumber(const std::string& text, std::int64_t min, std::int64_t max, std::int64_t* value);

