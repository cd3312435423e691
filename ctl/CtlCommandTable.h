// zolctl's commands, one row each: the name, the operands it takes (fewest and most), the
// options it takes beside those of every command, whether it changes the server, what
// --format it takes, its lines in the general usage, its own usage
// (what COMMAND --help prints) and its handler, a function of ctl/ taking the parsed command
// line and returning the exit code. The command line's checks, the general usage, every
// command's --help (and which commands its --format line names) and the dispatch are all
// read from this table. Portable; the texts are
// UTF-8.
//
// Adding a command: one row below (its place is its place in the general usage) and its
// handler in the ctl/ file of its kind; the handler's declaration (ctl/CtlCommands.h) and
// its dispatch come from the row.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Whether a command changes the server. WhenSetting: only when given more than its fewest
// operands (the value to set).
enum class CtlChange { No, Yes, WhenSetting };

// What --format a command takes. Text: none, it prints text. CsvOrJson: its list as csv (the
// default) or json. JsonResult: json, its result document (ctl/CtlResult.h), for every exit
// code; a WhenSetting command only when setting. JsonDiff: json, the diff's document, for
// every exit code; JsonCheck the same of the line check's. HtmlOrJson: the report as an HTML
// page (the default) or as JSON.
enum class CtlFormats { Text, CsvOrJson, JsonResult, JsonDiff, JsonCheck, HtmlOrJson };

// clang-format off
#define ZOLCTL_COMMANDS(ROW)                                                                                   \
    ROW("tags", 0, 0, "", No, CsvOrJson,                                                                        \
        "  tags [--format csv|json]            every tag the server holds\n",                                 \
        "usage: zolctl tags [--dsc DIR] [--format csv|json]\n"                                                  \
        "  Lists every tag the server holds, in the server's order, on standard output:\n"                     \
        "  csv (the file's columns, ';', UTF-8) or json.\n",                                                    \
        CommandTags)                                                                                            \
    ROW("export", 1, 1, "--encoding --sep --device --allow-empty --no-journal", No, Text,                       \
        "  export FILE [--encoding utf8|cp1251] [--sep ';'|','|tab] [--device TYPE ADDRESS]\n"                 \
        "              [--allow-empty]\n",                                                                      \
        "usage: zolctl export FILE [--dsc DIR] [--encoding utf8|cp1251] [--sep ';'|','|tab]\n"                  \
        "                          [--device TYPE ADDRESS] [--allow-empty]\n"                                   \
        "  Writes the server's tags (or one device's) to FILE, replacing it as a whole:\n"                     \
        "  device;address;type;param;name;period_ms. Default: UTF-8 with BOM, ';', CR LF.\n"                    \
        "  A FILE that holds tags is not replaced by one without any unless --allow-empty.\n",                  \
        CommandExport)                                                                                          \
    ROW("import", 1, 1, "--dry-run --replace --yes --strict --skip-invalid --no-journal", Yes, JsonResult,      \
        "  import FILE [--dry-run] [--replace] [--yes] [--strict] [--skip-invalid]\n",                          \
        "usage: zolctl import FILE [--dsc DIR] [--dry-run] [--replace] [--yes] [--strict]\n"                    \
        "                          [--skip-invalid] [--format json]\n"                                          \
        "  Reads FILE (UTF-8 or Windows-1251, ';' ',' or tab), compares it with the server and\n"              \
        "  prints the plan: tags to add, to change the period, unchanged, and with --replace\n"                \
        "  the server's tags the file lacks, to delete. Then carries it out, unless --dry-run:\n"              \
        "  AddTag per tag added or changed, DeleteTag per tag deleted. Deleting needs --yes;\n"                 \
        "  without it the plan is printed and nothing is done (exit code 1).\n"                                 \
        "  --strict: a device or name that differs from the descriptions makes the row invalid.\n"             \
        "  Rows that cannot be used are reported as FILE:LINE: reason and never sent.\n"                        \
        "  --replace never deletes a tag that any row names, valid or not; with invalid rows\n"                 \
        "  it changes nothing (exit code 1) unless --skip-invalid: then the valid rows are\n"                   \
        "  carried out and the tags the invalid rows name are kept as the server has them.\n",                  \
        CommandImport)                                                                                          \
    ROW("add", 4, 4, "--no-journal", Yes, JsonResult,                                                           \
        "  add TYPE ADDRESS PARAM PERIOD_MS\n",                                                                 \
        "usage: zolctl add TYPE ADDRESS PARAM PERIOD_MS [--format json]\n"                                      \
        "  Adds one tag (or sets the period of an existing one).\n",                                            \
        CommandAdd)                                                                                             \
    ROW("delete", 3, 3, "--no-journal", Yes, JsonResult,                                                        \
        "  delete TYPE ADDRESS PARAM\n",                                                                        \
        "usage: zolctl delete TYPE ADDRESS PARAM [--format json]\n"                                             \
        "  Deletes one tag.\n",                                                                                 \
        CommandDelete)                                                                                          \
    ROW("delete-device", 2, 2, "--no-journal", Yes, JsonResult,                                                 \
        "  delete-device TYPE ADDRESS\n",                                                                       \
        "usage: zolctl delete-device TYPE ADDRESS [--format json]\n"                                            \
        "  Deletes every tag of one device.\n",                                                                 \
        CommandDeleteDevice)                                                                                    \
    ROW("period", 3, 4, "--no-journal", WhenSetting, JsonResult,                                                \
        "  period TYPE ADDRESS PARAM [PERIOD_MS]\n",                                                            \
        "usage: zolctl period TYPE ADDRESS PARAM [PERIOD_MS] [--format json]\n"                                 \
        "  Prints one tag's refresh period in milliseconds, or sets it.\n",                                     \
        CommandPeriod)                                                                                          \
    ROW("port", 0, 6, "--dry-run --no-journal", WhenSetting, JsonResult,                                      \
        "  port | port set PORT SPEED DATABITS PARITY STOPBITS\n",                                              \
        "usage: zolctl port\n"                                                                                  \
        "       zolctl port set PORT SPEED DATABITS PARITY STOPBITS [--dry-run] [--format json]\n"              \
        "  Prints the server's serial-port settings (e.g. COM3 19200 7 odd 2) or sets them.\n"                  \
        "  --dry-run: only says whether setting them would change them.\n"                                      \
        "  PORT: COM3, 3 or none; PARITY: none|odd|even|mark|space; STOPBITS: 1|1.5|2.\n",                      \
        CommandPort)                                                                                            \
    ROW("ports", 0, 0, "", No, Text,                                                                            \
        "  ports                               this computer's serial ports\n",                                 \
        "usage: zolctl ports\n"                                                                                 \
        "  Lists this computer's serial ports with their descriptions.\n",                                      \
        CommandPorts)                                                                                           \
    ROW("search", 2, 2, "", No, Text,                                                                           \
        "  search FROM TO                      probe addresses for devices\n",                                  \
        "usage: zolctl search FROM TO\n"                                                                        \
        "  Probes the addresses FROM..TO (1..255); prints one line per device found:\n"                         \
        "  address;type;name;text. Ctrl+C stops after the probe in progress.\n",                                \
        CommandSearch)                                                                                          \
    ROW("restart", 0, 0, "--timeout --no-journal", Yes, JsonResult,                                             \
        "  restart [--timeout S]               restart the server and wait for it\n",                           \
        "usage: zolctl restart [--timeout S] [--format json]\n"                                                 \
        "  Restarts the server, then reconnects until it answers (at most S seconds,\n"                         \
        "  default 30) and prints how long it took.\n",                                                         \
        CommandRestart)                                                                                         \
    ROW("journal", 0, 0, "--since", No, CsvOrJson,                                                              \
        "  journal [--since DATE] [--format csv|json]   the change journal\n",                                  \
        "usage: zolctl journal [--since YYYY-MM-DD[THH:MM]] [--format csv|json]\n"                              \
        "  Prints the change journal, oldest line first (journal-5.csv .. journal.csv):\n"                      \
        "  time;user;computer;program;action;type;address;param;name;before;after;result.\n"                    \
        "  --since: only the lines from that local date or minute on.\n",                                       \
        CommandJournal)                                                                                         \
    ROW("history", 0, 0, "", No, Text,                                                                          \
        "  history                             the snapshots of the configuration\n",                           \
        "usage: zolctl history\n"                                                                               \
        "  Lists the snapshots of the configuration, oldest first, one a line:\n"                               \
        "  file;time;program;devices;tags.\n",                                                                  \
        CommandHistory)                                                                                         \
    ROW("snapshot", 0, 0, "", No, Text,                                                                         \
        "  snapshot                            take a snapshot now\n",                                          \
        "usage: zolctl snapshot\n"                                                                              \
        "  Reads the whole configuration and keeps it as a snapshot, unless the newest\n"                       \
        "  snapshot holds the same; prints the snapshot's file name.\n",                                        \
        CommandSnapshot)                                                                                        \
    ROW("restore", 1, 1, "--dry-run --yes --skip-invalid --no-journal", Yes, JsonResult,                        \
        "  restore SNAPSHOT [--dry-run] [--yes] [--skip-invalid]   back to a snapshot\n",                       \
        "usage: zolctl restore SNAPSHOT [--dry-run] [--yes] [--skip-invalid] [--format json]\n"                 \
        "  Brings the server back to a snapshot (a file name from zolctl history, or a\n"                       \
        "  path): prints the plan as import --replace does, then carries it out, and sets\n"                    \
        "  the snapshot's port settings. Deleting needs --yes; without it the plan is\n"                        \
        "  printed and nothing is done (exit code 1). With invalid rows it changes nothing\n"                   \
        "  (exit code 1) unless --skip-invalid, as import --replace.\n",                                        \
        CommandRestore)                                                                                         \
    ROW("diff", 1, 1, "--device", No, JsonDiff,                                                                 \
        "  diff FILE|SNAPSHOT [--device TYPE ADDRESS]   what the file would change\n",                          \
        "usage: zolctl diff FILE|SNAPSHOT [--device TYPE ADDRESS] [--format json]\n"                            \
        "  Compares the server's tags (or one device's) with FILE, or with a snapshot (a file\n"                \
        "  name from zolctl history) and, without --device, its port settings too. Changes\n"                   \
        "  and writes nothing. + NAME PERIOD (only in the file), - NAME PERIOD (only on\n"                      \
        "  the server), ~ NAME OLD -> NEW (the period differs), ~ port OLD -> NEW; then\n"                      \
        "  the counts.\n"                                                                                       \
        "  Exit codes: 0 the same, 1 they differ, 2 usage error or a file that cannot be\n"                     \
        "  read or has invalid rows, 3 no connection or a list that broke off.\n",                              \
        CommandDiff)                                                                                            \
    ROW("copy-device", 2, 2, "--to --dry-run --no-journal", Yes, JsonResult,                                    \
        "  copy-device TYPE ADDRESS --to LIST [--dry-run]   one device's tags to other addresses\n",            \
        "usage: zolctl copy-device TYPE ADDRESS --to LIST [--dry-run] [--format json]\n"                        \
        "  Copies the tags of the device TYPE ADDRESS, each with its period, to the addresses\n"                \
        "  of LIST: numbers and ranges separated by commas or blanks (--to \"6-20, 25\"), each\n"              \
        "  1..247. Prints the plan as import does, then carries it out unless --dry-run: what\n"                \
        "  an address lacks is added, periods that differ are set; nothing is deleted. The\n"                   \
        "  device's own address and an address where the server holds another device type\n"                   \
        "  are refused (exit code 1), and nothing is sent for them.\n",                                         \
        CommandCopyDevice)                                                                                      \
    ROW("check", 0, 0, "--device", No, JsonCheck,                                                               \
        "  check [--device TYPE ADDRESS] [--format json]   does every configured device answer\n",             \
        "usage: zolctl check [--device TYPE ADDRESS] [--format json]\n"                                        \
        "  Probes the address of every device the server holds tags for (or of one device),\n"                \
        "  once each, in ascending order, and prints one line per device: answers, does not\n"                \
        "  answer, answers as another type, or the probe failed; then the counts and an\n"                    \
        "  estimate of the serial line's load. Changes and writes nothing.\n"                                 \
        "  Exit codes: 0 every device answers as configured, 1 some do not, answer as another\n"              \
        "  type or failed, 2 usage error, 3 no connection or a list that broke off.\n",                       \
        CommandCheck)                                                                                           \
    ROW("report", 0, 0, "--check -o --journal", No, HtmlOrJson,                                                 \
        "  report [--check] [--format html|json] [-o FILE]   the as-built report\n",                           \
        "usage: zolctl report [--check] [--format html|json] [-o FILE] [--journal N]\n"                         \
        "  Writes the configuration as built: the computer, the date, the port, the devices\n"                 \
        "  (description file and checksum), every tag, the totals, an estimate of the line's\n"                \
        "  load and the last N lines of the journal (default 50, 0 none). html (default): one\n"              \
        "  self-contained page in Russian; json: the same facts. --check adds the line\n"                      \
        "  check's result per device. -o FILE replaces FILE as a whole; without it, standard\n"                \
        "  output. Changes nothing. Exit codes: 0 written, 1 FILE cannot be written, 2 usage\n"                 \
        "  error, 3 no connection or a list that broke off (the report is written and says so).\n",             \
        CommandReport)
// clang-format on

struct CtlCommand {
    const char* name;
    int fewestOperands, mostOperands;
    const char* options;  // the options it takes beside those of every command, space-separated
    CtlChange change;
    CtlFormats formats;
    const char* summary;  // its lines of the general usage
    const char* usage;    // its own usage
    const char* handler;  // the handler's name, as ctl/CtlCommands.h declares it
};

// Every row, in table order.
const std::vector<CtlCommand>& CtlCommands();
// The row of a command name; null when no row has it.
const CtlCommand* FindCtlCommand(const std::string& name);
// The position of a row in CtlCommands().
std::size_t CtlCommandIndex(const CtlCommand& row);
// The row lists this option among its options. --format is listed by none: the table of
// options (ctl/CtlArgs.cpp) gives it to the rows whose formats are not Text.
bool CtlCommandTakes(const CtlCommand& row, const std::string& option);
// The row answers --format json with a document for every exit code (JsonResult, JsonDiff).
bool CtlAnswersWithDocument(const CtlCommand& row);
