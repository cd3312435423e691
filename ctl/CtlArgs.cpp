#include "ctl/CtlArgs.h"

#include "common/Decimal.h"
#include "tagfile/DeviceCopy.h"

#include <cstring>

const char* const kCtlVersion = "zolctl 1.0";

namespace {

struct CommandInfo {
    const char* name;
    int minOperands, maxOperands;
    const char* options;  // the options it takes, space-separated
    const char* usage;
};

const CommandInfo kCommands[] = {
    {"tags", 0, 0, "--format",
     "usage: zolctl tags [--dsc DIR] [--format csv|json]\n"
     "  Lists every tag the server holds, in the server's order, on standard output:\n"
     "  csv (the file's columns, ';', UTF-8) or json.\n"},
    {"export", 1, 1, "--encoding --sep --device --allow-empty --no-journal",
     "usage: zolctl export FILE [--dsc DIR] [--encoding utf8|cp1251] [--sep ';'|','|tab]\n"
     "                          [--device TYPE ADDRESS] [--allow-empty]\n"
     "  Writes the server's tags (or one device's) to FILE, replacing it as a whole:\n"
     "  device;address;type;param;name;period_ms. Default: UTF-8 with BOM, ';', CR LF.\n"
     "  A FILE that holds tags is not replaced by one without any unless --allow-empty.\n"},
    {"import", 1, 1, "--dry-run --replace --yes --strict --skip-invalid --no-journal --format",
     "usage: zolctl import FILE [--dsc DIR] [--dry-run] [--replace] [--yes] [--strict]\n"
     "                          [--skip-invalid] [--format json]\n"
     "  Reads FILE (UTF-8 or Windows-1251, ';' ',' or tab), compares it with the server and\n"
     "  prints the plan: tags to add, to change the period, unchanged, and with --replace\n"
     "  the server's tags the file lacks, to delete. Then carries it out, unless --dry-run:\n"
     "  AddTag per tag added or changed, DeleteTag per tag deleted. Deleting needs --yes;\n"
     "  without it the plan is printed and nothing is done (exit code 1).\n"
     "  --strict: a device or name that differs from the descriptions makes the row invalid.\n"
     "  Rows that cannot be used are reported as FILE:LINE: reason and never sent.\n"
     "  --replace never deletes a tag that any row names, valid or not; with invalid rows\n"
     "  it changes nothing (exit code 1) unless --skip-invalid: then the valid rows are\n"
     "  carried out and the tags the invalid rows name are kept as the server has them.\n"},
    {"add", 4, 4, "--no-journal --format",
     "usage: zolctl add TYPE ADDRESS PARAM PERIOD_MS [--format json]\n"
     "  Adds one tag (or sets the period of an existing one).\n"},
    {"delete", 3, 3, "--no-journal --format",
     "usage: zolctl delete TYPE ADDRESS PARAM [--format json]\n"
     "  Deletes one tag.\n"},
    {"delete-device", 2, 2, "--no-journal --format",
     "usage: zolctl delete-device TYPE ADDRESS [--format json]\n"
     "  Deletes every tag of one device.\n"},
    {"period", 3, 4, "--no-journal --format",
     "usage: zolctl period TYPE ADDRESS PARAM [PERIOD_MS] [--format json]\n"
     "  Prints one tag's refresh period in milliseconds, or sets it.\n"},
    {"port", 0, 6, "--no-journal --format",
     "usage: zolctl port\n"
     "       zolctl port set PORT SPEED DATABITS PARITY STOPBITS [--format json]\n"
     "  Prints the server's serial-port settings (e.g. COM3 19200 7 odd 2) or sets them.\n"
     "  PORT: COM3, 3 or none; PARITY: none|odd|even|mark|space; STOPBITS: 1|1.5|2.\n"},
    {"ports", 0, 0, "",
     "usage: zolctl ports\n"
     "  Lists this computer's serial ports with their descriptions.\n"},
    {"search", 2, 2, "",
     "usage: zolctl search FROM TO\n"
     "  Probes the addresses FROM..TO (1..255); prints one line per device found:\n"
     "  address;type;name;text. Ctrl+C stops after the probe in progress.\n"},
    {"restart", 0, 0, "--timeout --no-journal",
     "usage: zolctl restart [--timeout S]\n"
     "  Restarts the server, then reconnects until it answers (at most S seconds,\n"
     "  default 30) and prints how long it took.\n"},
    {"copy-device", 2, 2, "--to --dry-run --no-journal",
     "usage: zolctl copy-device TYPE ADDRESS --to LIST [--dry-run]\n"
     "  Copies the tags of the device TYPE ADDRESS, each with its period, to the addresses\n"
     "  of LIST: numbers and ranges separated by commas or blanks (--to \"6-20, 25\"), each\n"
     "  1..247. Prints the plan as import does, then carries it out unless --dry-run: what\n"
     "  an address lacks is added, periods that differ are set; nothing is deleted. The\n"
     "  device's own address and an address where the server holds another device type\n"
     "  are refused (exit code 1), and nothing is sent for them.\n"},
    {"journal", 0, 0, "--since --format",
     "usage: zolctl journal [--since YYYY-MM-DD[THH:MM]] [--format csv|json]\n"
     "  Prints the change journal, oldest line first (journal-5.csv .. journal.csv):\n"
     "  time;user;computer;program;action;type;address;param;name;before;after;result.\n"
     "  --since: only the lines from that local date or minute on.\n"},
    {"history", 0, 0, "",
     "usage: zolctl history\n"
     "  Lists the snapshots of the configuration, oldest first, one a line:\n"
     "  file;time;program;devices;tags.\n"},
    {"snapshot", 0, 0, "",
     "usage: zolctl snapshot\n"
     "  Reads the whole configuration and keeps it as a snapshot, unless the newest\n"
     "  snapshot holds the same; prints the snapshot's file name.\n"},
    {"restore", 1, 1, "--dry-run --yes --skip-invalid --no-journal --format",
     "usage: zolctl restore SNAPSHOT [--dry-run] [--yes] [--format json]\n"
     "  Brings the server back to a snapshot (a file name from zolctl history, or a\n"
     "  path): prints the plan as import --replace does, then carries it out, and sets\n"
     "  the snapshot's port settings. Deleting needs --yes; without it the plan is\n"
     "  printed and nothing is done (exit code 1).\n"},
    {"diff", 1, 1, "--device --format",
     "usage: zolctl diff FILE|SNAPSHOT [--device TYPE ADDRESS] [--format json]\n"
     "  Compares the server's tags (or one device's) with FILE, or with a snapshot (a file\n"
     "  name from zolctl history) and, without --device, its port settings too. Changes\n"
     "  and writes nothing. + NAME PERIOD (only in the file), - NAME PERIOD (only on\n"
     "  the server), ~ NAME OLD -> NEW (the period differs), ~ port OLD -> NEW; then\n"
     "  the counts.\n"
     "  Exit codes: 0 the same, 1 they differ, 2 usage error or a file that cannot be\n"
     "  read or has invalid rows, 3 no connection or a list that broke off.\n"},
};

const char kGeneralUsage[] =
    "usage: zolctl COMMAND [OPTIONS]\n"
    "  The ZOL-OPC-Server's configuration from the command line.\n"
    "\n"
    "commands:\n"
    "  tags [--format csv|json]            every tag the server holds\n"
    "  export FILE [--encoding utf8|cp1251] [--sep ';'|','|tab] [--device TYPE ADDRESS]\n"
    "              [--allow-empty]\n"
    "  import FILE [--dry-run] [--replace] [--yes] [--strict] [--skip-invalid]\n"
    "  add TYPE ADDRESS PARAM PERIOD_MS\n"
    "  delete TYPE ADDRESS PARAM\n"
    "  delete-device TYPE ADDRESS\n"
    "  period TYPE ADDRESS PARAM [PERIOD_MS]\n"
    "  port | port set PORT SPEED DATABITS PARITY STOPBITS\n"
    "  ports                               this computer's serial ports\n"
    "  search FROM TO                      probe addresses for devices\n"
    "  restart [--timeout S]               restart the server and wait for it\n"
    "  journal [--since DATE] [--format csv|json]   the change journal\n"
    "  history                             the snapshots of the configuration\n"
    "  snapshot                            take a snapshot now\n"
    "  restore SNAPSHOT [--dry-run] [--yes]   back to a snapshot\n"
    "  diff FILE|SNAPSHOT [--device TYPE ADDRESS]   what the file would change\n"
    "  copy-device TYPE ADDRESS --to LIST [--dry-run]   one device's tags to other addresses\n"
    "\n"
    "options of every command:\n"
    "  --dsc DIR    device descriptions (*.dsc) from DIR (default: the current directory)\n"
    "  --verbose    show the description loader's lines on standard error\n"
    "  --history DIR  the journal and snapshots in DIR (default: ZOLCFG_HISTORY, else\n"
    "               %LOCALAPPDATA%\\zolcfg\\history)\n"
    "  --no-journal change the server without writing the journal (and no snapshots);\n"
    "               without it a command that cannot write the journal changes nothing\n"
    "  --help       this text, or a command's: zolctl COMMAND --help\n"
    "  --version    the program's version\n"
    "  --format json  (diff and the commands that change the server) one JSON document on\n"
    "               standard output: \"changed\", the counts and the refusals\n"
    "\n"
    "TYPE 1..255, ADDRESS 1..247, PARAM 1..65534, PERIOD_MS 0..86400000.\n"
    "Results go to standard output, errors and progress to standard error.\n"
    "Exit codes: 0 done; 1 some rows invalid or something refused (the rest was done),\n"
    "or standard output or error could not be written; 2 usage error; 3 no connection\n"
    "to the server; 4 interrupted.\n";

const CommandInfo* FindCommand(const std::string& name)
{
    for (const CommandInfo& c : kCommands) {
        if (name == c.name) return &c;
    }
    return nullptr;
}

bool Takes(const CommandInfo& command, const std::string& option)
{
    const std::string list = std::string(" ") + command.options + " ";
    return list.find(" " + option + " ") != std::string::npos;
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
    const CommandInfo* info = FindCommand(command);
    return info ? std::string(info->usage) + "  (zolctl --help lists the options of every command)\n"
                : std::string(kGeneralUsage);
}

bool ParseCtlArgs(const std::vector<std::string>& argv, CtlArgs* args, std::string* error)
{
    std::vector<std::string> options;  // in order, each with its value(s) checked below
    for (std::size_t i = 0; i < argv.size(); ++i) {
        std::string arg = argv[i];
        // Dropped, it would shift every word after it into another place.
        if (arg.empty()) return *error = "argument " + std::to_string(i + 1) + " is empty", false;
        if (arg.size() < 2 || arg[0] != '-' || (arg[1] != '-' && arg != "-h")) {
            if (args->command.empty())
                args->command = arg;
            else
                args->operands.push_back(arg);
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
            if (v != "csv" && v != "json") return *error = "--format takes csv or json", false;
            args->format = v;
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
                               arg == "--allow-empty" || arg == "--no-journal"))
            return *error = "option " + arg + " takes no value", false;
        if (arg != "--verbose") options.push_back(arg);
    }

    if (args->command.empty()) {
        if (args->help || args->version) return true;
        *error = "no command given";
        return false;
    }
    const CommandInfo* info = FindCommand(args->command);
    if (info == nullptr) {
        *error = "unknown command '" + args->command + "'";
        return false;
    }
    if (args->help) return true;
    for (const std::string& option : options) {
        if (!Takes(*info, option)) {
            *error = args->command + " does not take " + option;
            return false;
        }
    }
    const int n = static_cast<int>(args->operands.size());
    if (n < info->minOperands || n > info->maxOperands) {
        *error = n < info->minOperands ? "too few arguments" : "too many arguments";
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
    return true;
}
