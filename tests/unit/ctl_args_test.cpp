// zolctl's command line: what each command takes, the numbers and port texts, the usage
// errors that must exit 2 before anything reaches the server, and the usage texts the table
// of commands gives.
#include "ctl/CtlArgs.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

bool Parse(const std::vector<std::string>& argv, CtlArgs* args, std::string* error = nullptr)
{
    std::string ignored;
    return ParseCtlArgs(argv, args, error != nullptr ? error : &ignored);
}

TEST(CtlArgs, CommandsWithTheirOptions)
{
    CtlArgs a;
    ASSERT_TRUE(Parse({"export", "out.csv", "--encoding", "cp1251", "--sep", "tab", "--device", "7", "5"}, &a));
    EXPECT_EQ(a.command, "export");
    EXPECT_EQ(a.operands, std::vector<std::string>{"out.csv"});
    EXPECT_EQ(a.encoding, "cp1251");
    EXPECT_EQ(a.separator, '\t');
    EXPECT_TRUE(a.hasDevice);
    EXPECT_EQ(a.deviceType, 7u);
    EXPECT_EQ(a.deviceAddress, 5u);

    CtlArgs i;
    ASSERT_TRUE(Parse({"import", "in.csv", "--dry-run", "--replace", "--yes", "--strict", "--skip-invalid", "--dsc", "D"}, &i));
    EXPECT_TRUE(i.dryRun && i.replace && i.yes && i.strict && i.skipInvalid);
    CtlArgs e;
    ASSERT_TRUE(Parse({"export", "out.csv", "--allow-empty"}, &e));
    EXPECT_TRUE(e.allowEmpty);
    EXPECT_EQ(i.dsc, "D");

    CtlArgs r;
    ASSERT_TRUE(Parse({"restart", "--timeout", "5"}, &r));
    EXPECT_EQ(r.timeoutSeconds, 5);

    // The history: --history for every command, --no-journal for those that write to it.
    CtlArgs j;
    ASSERT_TRUE(Parse({"journal", "--since", "2026-12-08T10:00", "--format", "json", "--history", "H"}, &j));
    EXPECT_EQ(j.since, "2026-12-08T10:00");
    EXPECT_EQ(j.format, "json");
    EXPECT_EQ(j.history, "H");
    CtlArgs d;
    ASSERT_TRUE(Parse({"delete-device", "1", "5", "--no-journal"}, &d));
    EXPECT_TRUE(d.noJournal);
    CtlArgs rs;
    ASSERT_TRUE(Parse({"restore", "20261208-102503-zolctl.csv", "--dry-run", "--yes", "--skip-invalid"}, &rs));
    EXPECT_TRUE(rs.dryRun && rs.yes && rs.skipInvalid);
    EXPECT_EQ(rs.operands, std::vector<std::string>{"20261208-102503-zolctl.csv"});

    CtlArgs h;
    ASSERT_TRUE(Parse({"--help"}, &h));
    EXPECT_TRUE(h.help);
    EXPECT_TRUE(h.command.empty());
}

// Each of these must be refused with a reason: never a guess at what was meant.
TEST(CtlArgs, UsageErrorsAreRefusedWithAReason)
{
    const std::vector<std::vector<std::string>> bad = {
        {"frobnicate"},                         // unknown command
        {"export"},                             // missing FILE
        {"export", "a.csv", "b.csv"},           // one operand too many
        {"tags", "--sep", ";"},                 // an option of another command
        {"export", "a.csv", "--encoding", "koi8"},
        {"export", "a.csv", "--sep", "|"},
        {"export", "a.csv", "--device", "7"},   // ADDRESS missing
        {"export", "a.csv", "--encoding"},      // value missing
        {"tags", "--format", "xml"},
        {"restart", "--timeout", "-1"},
        {"add", "7", "5", "1"},                 // PERIOD_MS missing
        {"export", "a.csv", "--skip-invalid"},  // import's
        {"import", "a.csv", "--allow-empty"},   // export's
        {"import", "a.csv", "--skip-invalid=1"},
        {"restore"},                            // SNAPSHOT missing
        {"snapshot", "--no-journal"},           // it writes only to the history
        {"journal", "--no-journal"},
        {"tags", "--since", "2026-12-08"},      // journal's
        {"history", "--history"},               // value missing
        {"add", "1", "5", "14", "100", "--no-journal=yes"},
    };
    for (const auto& argv : bad) {
        CtlArgs a;
        std::string error;
        std::string joined;
        for (const auto& s : argv) joined += s + " ";
        EXPECT_FALSE(Parse(argv, &a, &error)) << joined;
        EXPECT_FALSE(error.empty()) << joined;
    }
    // An empty word is named by its place, not dropped (which would shift the others).
    CtlArgs a;
    std::string error;
    EXPECT_FALSE(Parse({"", "1", "5", "14", "500"}, &a, &error));
    EXPECT_EQ(error, "argument 1 is empty");
    a = CtlArgs();
    EXPECT_FALSE(Parse({"delete", "--dry-run", "1", "", "14"}, &a, &error));
    EXPECT_EQ(error, "argument 4 is empty");
    a = CtlArgs();
    EXPECT_TRUE(Parse({"export", "a.csv", "--dsc", ""}, &a, &error)) << error;  // an option's value may be empty
}

TEST(CtlArgs, NumbersAndPortTexts)
{
    std::int64_t v = 0;
    EXPECT_TRUE(ParseCtlNumber("007", 0, 255, &v));
    EXPECT_EQ(v, 7);
    for (const char* text : {"", "-1", "+1", " 1", "1 ", "256", "1e2", "0x10", "99999999999999999999"})
        EXPECT_FALSE(ParseCtlNumber(text, 0, 255, &v)) << text;

    std::uint16_t port = 99;
    EXPECT_TRUE(ParsePortText("COM3", &port));
    EXPECT_EQ(port, 3);
    EXPECT_TRUE(ParsePortText("none", &port));
    EXPECT_EQ(port, 0);
    EXPECT_TRUE(ParsePortText("12", &port));
    EXPECT_EQ(port, 12);
    EXPECT_FALSE(ParsePortText("LPT1", &port));

    std::uint8_t parity = 9, stop = 9;
    EXPECT_TRUE(ParseParityText("space", &parity));
    EXPECT_EQ(parity, 4);
    EXPECT_FALSE(ParseParityText("weird", &parity));
    EXPECT_TRUE(ParseStopBitsText("1.5", &stop));
    EXPECT_EQ(stop, 1);
    EXPECT_FALSE(ParseStopBitsText("3", &stop));

    // What "zolctl port" prints is what "zolctl port set" takes.
    EXPECT_EQ(FormatPortSettings({true, 3, 19200, 7, 2, 1}), "COM3 19200 7 odd 2");
    EXPECT_EQ(FormatPortSettings({true, 0, 9600, 8, 1, 0}), "none 9600 8 none 1.5");
}

}  // namespace

namespace {

TEST(CtlArgs, DiffAndTheJsonResults)
{
    CtlArgs d;
    ASSERT_TRUE(Parse({"diff", "site.csv", "--device", "1", "5", "--format", "json"}, &d));
    EXPECT_EQ(d.operands, std::vector<std::string>{"site.csv"});
    EXPECT_TRUE(d.hasDevice);
    EXPECT_EQ(d.format, "json");
    std::string error;
    CtlArgs bad;
    EXPECT_FALSE(Parse({"diff"}, &bad, &error));
    CtlArgs bad2;
    EXPECT_FALSE(Parse({"diff", "a.csv", "b.csv"}, &bad2, &error));
    CtlArgs bad3;
    EXPECT_FALSE(Parse({"diff", "a.csv", "--yes"}, &bad3, &error));
    EXPECT_EQ(error, "diff does not take --yes");
    // Every command that changes the server takes --format json; a command that only
    // writes a file does not.
    for (const std::vector<std::string>& argv :
         {std::vector<std::string>{"import", "a.csv"}, {"restore", "s.csv"}, {"add", "1", "5", "14", "100"},
          {"delete", "1", "5", "14"}, {"delete-device", "1", "5"}, {"period", "1", "5", "14", "100"},
          {"port", "set", "COM3", "9600", "8", "none", "1"}}) {
        std::vector<std::string> withJson = argv;
        withJson.insert(withJson.end(), {"--format", "json"});
        CtlArgs a;
        EXPECT_TRUE(Parse(withJson, &a, &error)) << argv[0] << ": " << error;
    }
    CtlArgs ex;
    EXPECT_FALSE(Parse({"export", "a.csv", "--format", "json"}, &ex, &error));
    EXPECT_NE(CtlUsage("diff").find("usage: zolctl diff FILE|SNAPSHOT"), std::string::npos);
    EXPECT_NE(CtlUsage("").find("  diff FILE|SNAPSHOT"), std::string::npos);
}

}  // namespace

TEST(CtlArgs, CopyDeviceTakesTheDeviceAndAListOfAddresses)
{
    CtlArgs a;
    std::string error;
    ASSERT_TRUE(Parse({"copy-device", "1", "5", "--to", "25, 6-8", "--dry-run"}, &a, &error)) << error;
    EXPECT_EQ(a.deviceType, 1u);
    EXPECT_EQ(a.deviceAddress, 5u);
    EXPECT_EQ(a.to, (std::vector<std::uint32_t>{6, 7, 8, 25}));
    EXPECT_TRUE(a.dryRun);
    a = CtlArgs();
    ASSERT_TRUE(Parse({"copy-device", "1", "5", "--to=6"}, &a, &error)) << error;
    EXPECT_EQ(a.to, std::vector<std::uint32_t>{6});

    // Each a usage error, with what is wrong in it, before anything reaches the server.
    const struct {
        std::vector<std::string> argv;
        const char* error;
    } bad[] = {
        {{"copy-device", "1", "5", "--to", "6-300"}, "--to: '6-300': an address outside 1..247"},
        {{"copy-device", "1", "5", "--to", "6,x"}, "--to: 'x': not an address nor a range"},
        {{"copy-device", "1", "5", "--to", "20-6"}, "--to: '20-6': a range from the larger address to the smaller"},
        {{"copy-device", "1", "5", "--to", " , "}, "--to names no address"},
        {{"copy-device", "1", "5"}, "copy-device needs --to LIST, the addresses to copy to"},
        {{"copy-device", "1", "248", "--to", "6"}, "ADDRESS must be 1..247"},
        {{"copy-device", "0", "5", "--to", "6"}, "TYPE must be 1..255"},
        {{"copy-device", "1", "--to", "6"}, "too few arguments"},
        {{"copy-device", "1", "5", "--to", "6", "--replace"}, "copy-device does not take --replace"},
        {{"export", "a.csv", "--to", "6"}, "export does not take --to"},
    };
    for (const auto& c : bad) {
        CtlArgs b;
        EXPECT_FALSE(Parse(c.argv, &b, &error)) << c.error;
        EXPECT_EQ(error, c.error);
    }
}

namespace {

// Each command's lines of the general usage and its own usage name it and every option it
// takes, so that neither can leave one out; the general usage lists the rows in table order.
TEST(CtlCommandTable, TheUsageTextsComeFromTheRowsAndNameWhatEachTakes)
{
    const std::string general = CtlUsage("");
    EXPECT_EQ(CtlUsage("frobnicate"), general);
    std::size_t at = 0;
    std::set<std::string> names;
    for (const CtlCommand& row : CtlCommands()) {
        const std::string name = row.name;
        SCOPED_TRACE(name);
        EXPECT_TRUE(names.insert(name).second) << "two rows of one name";
        EXPECT_EQ(FindCtlCommand(name), &row);
        EXPECT_EQ(&CtlCommands()[CtlCommandIndex(row)], &row);
        const std::string summary = row.summary;
        EXPECT_EQ(summary.rfind("  " + name + " ", 0), 0u) << summary;
        EXPECT_EQ(summary.back(), '\n');
        const std::size_t found = general.find(summary, at);
        ASSERT_NE(found, std::string::npos) << "not in the general usage, or out of order";
        at = found + summary.size();

        const std::string usage = CtlUsage(name);
        EXPECT_EQ(usage.rfind("usage: zolctl " + name, 0), 0u) << usage;
        EXPECT_EQ(usage.find(row.usage), 0u);
        EXPECT_LE(row.fewestOperands, row.mostOperands);
        // --no-journal is told of in the general usage, with the options of every command.
        const std::string options = row.options;
        for (std::size_t start = 0; start < options.size();) {
            std::size_t end = options.find(' ', start);
            if (end == std::string::npos) end = options.size();
            const std::string option = options.substr(start, end - start);
            start = end + 1;
            EXPECT_TRUE(CtlCommandTakes(row, option)) << option;
            if (option == "--no-journal") continue;
            // Named as optional ("[--dry-run") or, as copy-device's --to, as required.
            const std::string firstLine = usage.substr(0, usage.find('\n'));
            EXPECT_TRUE(usage.find("[" + option) != std::string::npos ||
                        firstLine.find(" " + option + " ") != std::string::npos)
                << option << " missing from its usage";
        }
        EXPECT_FALSE(CtlCommandTakes(row, "--dsc")) << "every command takes it: no row lists it";
        EXPECT_EQ(usage.find("[--format") != std::string::npos, row.formats != CtlFormats::Text);
    }
    EXPECT_EQ(FindCtlCommand(""), nullptr);
    EXPECT_EQ(FindCtlCommand("Tags"), nullptr);
}

// A misspelt command is the error, whatever follows it: not the option or operand after it.
TEST(CtlCommandTable, AnUnknownCommandIsRefusedWhateverFollowsIt)
{
    for (const std::vector<std::string>& argv :
         std::vector<std::vector<std::string>>{{"expor", "a.csv"},
                                               {"expor", "a.csv", "--format", "xml"},
                                               {"delet", "1", ""},
                                               {"tag", "--bogus"},
                                               {"tag", "--help"},
                                               {"tag", "--version"},
                                               {"--dsc", "D", "tag", "--sep"}}) {
        CtlArgs a;
        std::string error;
        EXPECT_FALSE(Parse(argv, &a, &error)) << argv[0];
        EXPECT_EQ(error, "unknown command '" + a.command + "'");
    }
    // An option's error before the command word is the option's.
    CtlArgs a;
    std::string error;
    EXPECT_FALSE(Parse({"--format", "xml", "tag"}, &a, &error));
    EXPECT_EQ(error, "--format takes csv or json");
}

// A command changes the server by its row: period and port only when given the value to set,
// and only then do they answer --format json with a result.
TEST(CtlCommandTable, WhatChangesTheServerAndAnswersWithAResult)
{
    const auto changes = [](const std::vector<std::string>& argv) {
        CtlArgs a;
        std::string error;
        EXPECT_TRUE(Parse(argv, &a, &error)) << error;
        return CtlChangesServer(a);
    };
    EXPECT_TRUE(changes({"add", "1", "5", "14", "100"}));
    EXPECT_TRUE(changes({"delete-device", "1", "5"}));
    EXPECT_TRUE(changes({"restore", "s.csv", "--dry-run"}));
    EXPECT_TRUE(changes({"period", "1", "5", "14", "100"}));
    EXPECT_FALSE(changes({"period", "1", "5", "14"}));
    EXPECT_TRUE(changes({"port", "set", "COM3", "9600", "8", "none", "1"}));
    EXPECT_FALSE(changes({"port"}));
    EXPECT_FALSE(changes({"tags", "--format", "json"}));
    EXPECT_FALSE(changes({"diff", "a.csv"}));
    EXPECT_TRUE(changes({"restart"}));

    // Reading a value, --format json is refused: the value is printed as text.
    for (const std::vector<std::string>& argv :
         std::vector<std::vector<std::string>>{{"period", "1", "5", "14", "--format", "json"}, {"port", "--format", "json"}}) {
        CtlArgs a;
        std::string error;
        EXPECT_FALSE(Parse(argv, &a, &error)) << argv[0];
        EXPECT_EQ(error, "--format json is for setting; the value is printed as text");
    }
    CtlArgs help;
    EXPECT_TRUE(Parse({"period", "1", "5", "14", "--format", "json", "--help"}, &help));
}

// Whether a command line of the row parses with --format FORMAT: each count of operands it
// takes, as numbers or as "port set".
bool ParsesWithFormat(const CtlCommand& row, const std::string& format)
{
    const std::vector<std::string> numbers{"1", "5", "14", "100", "1", "1"};
    const std::vector<std::string> setting{"set", "COM3", "9600", "8", "none", "1"};
    for (int n = row.fewestOperands; n <= row.mostOperands; ++n) {
        for (const std::vector<std::string>* operands : {&numbers, &setting}) {
            std::vector<std::string> argv{row.name};
            argv.insert(argv.end(), operands->begin(), operands->begin() + n);
            if (CtlCommandTakes(row, "--to")) argv.insert(argv.end(), {"--to", "6"});
            argv.insert(argv.end(), {"--format", format});
            CtlArgs a;
            if (Parse(argv, &a)) return true;
        }
    }
    return false;
}

// The names the general usage's line of an option gives, up to the next option's line.
std::set<std::string> NamedAfter(const std::string& usage, const std::string& head)
{
    std::size_t at = usage.find(head);
    EXPECT_NE(at, std::string::npos) << head;
    if (at == std::string::npos) return {};
    at += head.size();
    const std::size_t end = usage.find(':', at);  // the names end with a colon
    std::set<std::string> names;
    std::string word;
    for (std::size_t i = at; i <= end && i < usage.size(); ++i) {
        const char c = i < end ? usage[i] : ' ';
        if (c == ',' || c == ' ' || c == '\n') {
            if (!word.empty() && word != "(setting)") names.insert(word);
            word.clear();
        } else {
            word += c;
        }
    }
    return names;
}

// --format is taken as the row's formats say, and the general usage names exactly the
// commands that take it; a format a command does not offer is a usage error, not text.
TEST(CtlCommandTable, FormatIsTakenAsTheRowSaysAndTheUsageNamesWhoTakesIt)
{
    std::set<std::string> json, csv;
    for (const CtlCommand& row : CtlCommands()) {
        SCOPED_TRACE(row.name);
        if (ParsesWithFormat(row, "json")) json.insert(row.name);
        if (ParsesWithFormat(row, "csv")) csv.insert(row.name);
        EXPECT_FALSE(ParsesWithFormat(row, "xml"));
        EXPECT_EQ(ParsesWithFormat(row, "json"), row.formats != CtlFormats::Text);
        EXPECT_EQ(ParsesWithFormat(row, "csv"), row.formats == CtlFormats::CsvOrJson);
    }
    const std::string usage = CtlUsage("");
    std::set<std::string> documents = NamedAfter(usage, "  --format json ");
    const std::set<std::string> lists = NamedAfter(usage, "  --format csv|json ");
    const std::set<std::string> pages = NamedAfter(usage, "  --format html|json ");
    EXPECT_EQ(lists, csv);
    EXPECT_EQ(pages, std::set<std::string>{"report"});
    documents.insert(lists.begin(), lists.end());
    documents.insert(pages.begin(), pages.end());
    EXPECT_EQ(documents, json);
    for (const char* name : {"copy-device", "restart", "diff", "import", "restore", "port", "period"})
        EXPECT_EQ(json.count(name), 1u) << name;
    EXPECT_EQ(json.count("export"), 0u);

    const struct {
        std::vector<std::string> argv;
        const char* error;
    } bad[] = {
        {{"diff", "a.csv", "--format", "csv"}, "diff takes --format json only"},
        {{"--format", "csv", "diff", "a.csv"}, "diff takes --format json only"},
        {{"restart", "--format=csv"}, "restart takes --format json only"},
        {{"diff", "a.csv", "--format", "xml"}, "diff takes --format json only"},
        {{"tags", "--format", "xml"}, "--format takes csv or json"},
        {{"export", "a.csv", "--format", "json"}, "export does not take --format"},
        {{"search", "1", "5", "--format", "csv"}, "search does not take --format"},
    };
    for (const auto& c : bad) {
        CtlArgs a;
        std::string error;
        EXPECT_FALSE(Parse(c.argv, &a, &error)) << c.error;
        EXPECT_EQ(error, c.error);
    }
    CtlArgs restart;
    ASSERT_TRUE(Parse({"restart", "--format", "json"}, &restart));
    EXPECT_EQ(restart.format, "json");

    EXPECT_TRUE(CtlArgsAskForJson({"diff", "--format", "json", "a", "b"}));
    EXPECT_TRUE(CtlArgsAskForJson({"add", "--format=json"}));
    EXPECT_FALSE(CtlArgsAskForJson({"diff", "json", "--format", "csv"}));
    EXPECT_FALSE(CtlArgsAskForJson({"diff", "a.csv", "--format"}));
}

TEST(CtlArgs, CheckAndReportOptions)
{
    CtlArgs c;
    ASSERT_TRUE(Parse({"check", "--device", "1", "5", "--format", "json"}, &c));
    EXPECT_TRUE(c.hasDevice);
    EXPECT_EQ(c.format, "json");

    CtlArgs r;
    ASSERT_TRUE(Parse({"report", "--check", "-o", "plant.html", "--journal", "0"}, &r));
    EXPECT_TRUE(r.check);
    EXPECT_EQ(r.output, "plant.html");
    EXPECT_EQ(r.journalLines, 0);
    CtlArgs r2;
    ASSERT_TRUE(Parse({"report", "--output=x.json", "--format", "json"}, &r2));
    EXPECT_EQ(r2.output, "x.json");
    EXPECT_EQ(r2.journalLines, 50);
    CtlArgs r3;
    ASSERT_TRUE(Parse({"report", "--format", "html"}, &r3));

    std::string error;
    CtlArgs bad;
    EXPECT_FALSE(Parse({"report", "--format", "csv"}, &bad, &error));
    EXPECT_EQ(error, "--format takes html or json");
    CtlArgs bad2;
    EXPECT_FALSE(Parse({"tags", "--format", "html"}, &bad2, &error));
    EXPECT_EQ(error, "--format takes csv or json");
    CtlArgs bad3;
    EXPECT_FALSE(Parse({"report", "-o"}, &bad3, &error));
    CtlArgs bad4;
    EXPECT_FALSE(Parse({"report", "--journal", "100001"}, &bad4, &error));
    CtlArgs bad5;
    EXPECT_FALSE(Parse({"check", "-o", "f"}, &bad5, &error));
    EXPECT_EQ(error, "check does not take -o");
    CtlArgs bad6;
    EXPECT_FALSE(Parse({"check", "--check=1"}, &bad6, &error));
}

}  // namespace

namespace {

// The first of an option row's names, the one the command rows and the errors give.
std::string FirstName(const CtlOption& option)
{
    const std::string names = option.names;
    return names.substr(0, names.find(' '));
}

std::vector<std::string> Names(const CtlOption& option)
{
    std::vector<std::string> names;
    std::string word;
    for (const char* c = option.names;; ++c) {
        if (*c == ' ' || *c == '\0') {
            if (!word.empty()) names.push_back(word);
            word.clear();
            if (*c == '\0') return names;
        } else {
            word += *c;
        }
    }
}

// Where a command's own usage names the option: "[--dry-run]", "[--device TYPE ADDRESS]", or
// on its first line as required ("copy-device TYPE ADDRESS --to LIST [--dry-run]"); npos if
// it does not. At the first word after the name.
std::size_t NamedInUsage(const std::string& usage, const std::string& name)
{
    for (const std::string& form : {"[" + name + "]", "[" + name + " "}) {
        const std::size_t at = usage.find(form);
        if (at != std::string::npos) return at + form.size();
    }
    const std::string firstLine = usage.substr(0, usage.find('\n'));
    const std::size_t at = firstLine.find(" " + name + " ");
    return at == std::string::npos ? at : at + name.size() + 2;
}

// How many values the usage texts show after the option: in the first command usage that
// names it, the words up to ']' or '['; else in the general usage's line of it, the words in
// capitals after it ("  --dsc DIR    device descriptions"). -1 when no usage names it.
int ValuesInUsage(const std::string& name, std::vector<std::string>* valueNames)
{
    for (const CtlCommand& row : CtlCommands()) {
        const std::string usage = row.usage;
        std::size_t at = NamedInUsage(usage, name);
        if (at == std::string::npos) continue;
        std::string word;
        for (; at <= usage.size(); ++at) {
            const char c = at < usage.size() ? usage[at] : '\n';
            if (c == ' ' || c == ']' || c == '\n') {
                if (!word.empty()) valueNames->push_back(word);
                word.clear();
                if (c != ' ') break;
            } else if (c == '[' && word.empty()) {
                break;
            } else {
                word += c;
            }
        }
        return static_cast<int>(valueNames->size());
    }
    const std::string general = CtlUsage("");
    std::size_t at = general.find("\n  " + name + " ");
    if (at == std::string::npos) return -1;
    at += name.size() + 3;
    for (;;) {
        while (at < general.size() && general[at] == ' ') ++at;
        std::size_t end = at;
        while (end < general.size() && general[end] >= 'A' && general[end] <= 'Z') ++end;
        if (end == at || (end < general.size() && general[end] != ' ')) break;
        valueNames->push_back(general.substr(at, end - at));
        at = end;
    }
    return static_cast<int>(valueNames->size());
}

// The general usage names the option among the options of every command.
bool OfEveryCommand(const std::string& name)
{
    const std::string general = CtlUsage("");
    const std::size_t start = general.find("options of every command:\n");
    const std::size_t end = general.find("\n\n", start);
    return start != std::string::npos && general.substr(start, end - start).find("\n  " + name + " ") != std::string::npos;
}

// Values every command line below gives an option, each accepted where the option is; a new
// option needs its case here.
const std::vector<std::string>* SampleValues(const std::string& name)
{
    static const std::vector<std::pair<std::string, std::vector<std::string>>> samples{
        {"--dsc", {"D"}},          {"--verbose", {}},          {"--history", {"H"}},
        {"--help", {}},            {"--version", {}},          {"--no-journal", {}},
        {"--format", {"json"}},    {"--encoding", {"cp1251"}}, {"--sep", {"tab"}},
        {"--device", {"1", "5"}},  {"--allow-empty", {}},      {"--dry-run", {}},
        {"--replace", {}},         {"--yes", {}},              {"--strict", {}},
        {"--skip-invalid", {}},    {"--timeout", {"5"}},       {"--since", {"2026-12-08"}},
        {"--to", {"6"}},           {"--check", {}},            {"-o", {"f"}},
        {"--journal", {"3"}}};
    for (const auto& sample : samples)
        if (sample.first == name) return &sample.second;
    return nullptr;
}

// A command line the row takes without options: its most operands (port's "set ..."), and
// copy-device's --to unless the option under test is --to itself.
std::vector<std::string> Operands(const CtlCommand& row)
{
    if (std::string(row.name) == "port") return {"set", "COM3", "9600", "8", "none", "1"};
    const std::vector<std::string> numbers{"1", "5", "14", "100"};
    return std::vector<std::string>(numbers.begin(), numbers.begin() + row.mostOperands);
}

// Every option of the table against every command: taken where the command's usage names it,
// and by every command when the general usage names it among the options of every command,
// its values taken and no more; refused elsewhere with "COMMAND does not take OPTION" by its
// first name, whichever name was given and whether it came before the command word or after.
TEST(CtlOptions, EachIsTakenWhereTheUsageNamesItAndRefusedElsewhere)
{
    std::set<std::string> seen;
    for (const CtlOption& option : CtlOptions()) {
        const std::string first = FirstName(option);
        const std::vector<std::string>* values = SampleValues(first);
        if (values == nullptr) {
            ADD_FAILURE() << first << ": no sample values in this test";
            continue;
        }
        for (const std::string& name : Names(option)) {
            EXPECT_TRUE(seen.insert(name).second) << name << " names two rows";
            for (const CtlCommand& row : CtlCommands()) {
                SCOPED_TRACE(std::string(row.name) + " " + name);
                // --no-journal is told of among the options of every command, but only the
                // rows that list it take it.
                const bool takes = first == "--no-journal" ? CtlCommandTakes(row, first)
                                                           : OfEveryCommand(first) ||
                                                                 NamedInUsage(row.usage, first) != std::string::npos;
                const std::vector<std::string> operands = Operands(row);
                std::vector<std::string> given{name};
                given.insert(given.end(), values->begin(), values->end());
                if (std::string(row.name) == "copy-device" && first != "--to") given.insert(given.end(), {"--to", "6"});

                std::vector<std::string> after{row.name};
                after.insert(after.end(), operands.begin(), operands.end());
                after.insert(after.end(), given.begin(), given.end());
                std::vector<std::string> before = given;
                before.push_back(row.name);
                before.insert(before.end(), operands.begin(), operands.end());
                for (const std::vector<std::string>* argv : {&after, &before}) {
                    CtlArgs a;
                    std::string error;
                    const bool parsed = Parse(*argv, &a, &error);
                    if (takes) {
                        EXPECT_TRUE(parsed) << error;
                        EXPECT_EQ(a.operands, operands);
                    } else {
                        EXPECT_FALSE(parsed);
                        EXPECT_EQ(error, std::string(row.name) + " does not take " + first);
                    }
                }
            }
        }
    }
    // Each option a command row lists is a row of the table: a misspelt one would be taken
    // by no command line.
    for (const CtlCommand& row : CtlCommands()) {
        const std::string options = std::string(row.options) + " ";
        for (std::size_t start = 0, end; (end = options.find(' ', start)) != std::string::npos; start = end + 1)
            if (end > start) {
                EXPECT_EQ(seen.count(options.substr(start, end - start)), 1u) << row.name;
            }
    }
}

// Each option takes as many values as the usage texts show after it: without them it is
// refused where it stands ("option --dsc needs a value", "--device needs TYPE and ADDRESS",
// by the usage's words), and one without values refuses "=VALUE", but for --help and
// --version, which ignore it.
TEST(CtlOptions, EachTakesTheValuesTheUsageShows)
{
    for (const CtlOption& option : CtlOptions()) {
        for (const std::string& name : Names(option)) {
            SCOPED_TRACE(name);
            std::vector<std::string> valueNames;
            const int count = ValuesInUsage(FirstName(option), &valueNames);
            ASSERT_GE(count, 0) << "no usage text names it";
            std::string error;
            if (count == 0) {
                // "-h=1" is no option but a word (WordsOfOneDashAndUnknownOptions).
                if (name.compare(0, 2, "--") != 0) continue;
                CtlArgs a;
                const bool parsed = Parse({"add", "1", "5", "14", "100", name + "=1"}, &a, &error);
                if (name == "--help" || name == "--version") {
                    EXPECT_TRUE(parsed) << error;
                    EXPECT_TRUE(a.help || a.version);
                } else {
                    EXPECT_FALSE(parsed);
                    EXPECT_EQ(error, "option " + name + " takes no value");
                }
                continue;
            }
            CtlArgs a;
            EXPECT_FALSE(Parse({"tags", name}, &a, &error));
            EXPECT_EQ(error, "option " + name + " needs a value");
            for (int given = 1; given < count; ++given) {
                std::vector<std::string> argv{"tags", name};
                argv.insert(argv.end(), valueNames.begin(), valueNames.begin() + given);
                std::string needed = valueNames[0];
                for (int v = 1; v < count; ++v) needed += " and " + valueNames[v];
                CtlArgs b;
                EXPECT_FALSE(Parse(argv, &b, &error));
                EXPECT_EQ(error, name + " needs " + needed);
            }
        }
    }
    // The values are the words after the option, whatever they look like.
    CtlArgs a;
    std::string error;
    EXPECT_FALSE(Parse({"export", "a.csv", "--encoding", "--sep"}, &a, &error));
    EXPECT_EQ(error, "--encoding takes utf8 or cp1251");
    a = CtlArgs();
    ASSERT_TRUE(Parse({"export", "a.csv", "--device=7", "5"}, &a, &error)) << error;
    EXPECT_EQ(a.deviceAddress, 5u);
    EXPECT_EQ(a.operands, std::vector<std::string>{"a.csv"});
}

// A word of one dash is an option only as one of the table's names (-h, -o): "-5", "-" and
// "-h=1" are the command or operands. An unknown option is named without its value.
TEST(CtlOptions, WordsOfOneDashAndUnknownOptions)
{
    CtlArgs a;
    std::string error;
    ASSERT_TRUE(Parse({"search", "-5", "-"}, &a, &error)) << error;
    EXPECT_EQ(a.operands, (std::vector<std::string>{"-5", "-"}));
    a = CtlArgs();
    EXPECT_FALSE(Parse({"-h=1"}, &a, &error));
    EXPECT_EQ(error, "unknown command '-h=1'");
    a = CtlArgs();
    ASSERT_TRUE(Parse({"search", "1", "-o=f"}, &a, &error)) << error;
    EXPECT_EQ(a.operands, (std::vector<std::string>{"1", "-o=f"}));
    a = CtlArgs();
    ASSERT_TRUE(Parse({"tags", "-h"}, &a, &error)) << error;
    EXPECT_TRUE(a.help);
    for (const char* word : {"--bogus", "--bogus=1", "--", "--Help", "--o"}) {
        a = CtlArgs();
        EXPECT_FALSE(Parse({"tags", word}, &a, &error)) << word;
        const std::string name = word;
        EXPECT_EQ(error, "unknown option " + name.substr(0, name.find('='))) << word;
    }
}

}  // namespace
