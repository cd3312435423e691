#include "tools/DscTool.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <system_error>

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueLoader.h"
#include "catalogue/Checksum.h"
#include "catalogue/DescriptionReader.h"
#include "catalogue/TagName.h"
#include "catalogue/Windows1251.h"
#include "catalogue/DescriptionLint.h"
#include "common/AtomicFile.h"
#include "common/Decimal.h"
#include "common/FileIdentity.h"
#include "tools/DescriptionTable.h"

namespace fs = std::filesystem;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

std::string& GuidePath()
{
    static std::string path;
    return path;
}

std::string UsageText();

int Usage(std::ostream& err, const std::string& problem)
{
    err << "dsctool: " << problem << "\n" << UsageText();
    return kExitUsage;
}

fs::path ToPath(const std::string& argument)
{
#ifdef _WIN32
    // Arguments come as UTF-8 from the entry point on Windows (see main.cpp).
    return fs::u8path(argument);
#else
    return fs::path(argument);
#endif
}

bool IsDirectory(const std::string& argument)
{
    std::error_code ec;
    return fs::is_directory(ToPath(argument), ec);
}

// A whole decimal int and nothing else.
bool ParseInt(const std::string& text, int& value)
{
    std::int64_t parsed = 0;
    if (!ParseSignedDecimal(text, INT_MIN, INT_MAX, &parsed))
        return false;
    value = static_cast<int>(parsed);
    return true;
}

std::string JsonString(const std::string& cp1251)
{
    std::string out = "\"";
    for (char c : Cp1251ToUtf8(cp1251)) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

// Why a file could not be opened for writing, when the system said: a folder this user may
// not write (Program Files without administrator rights) is the usual case.
std::string WhyNotWritten(int error)
{
    switch (error) {
    case EACCES:
    case EPERM: return " (access denied: the file or its folder cannot be written by this user)";
    case EROFS: return " (a read-only file system)";
    case ENOSPC: return " (the disk is full)";
    default: return std::string();
    }
}

std::string LoaderLinesAsUtf8(const std::string& lines)
{
#ifdef _WIN32
    return Cp1251ToUtf8(lines);
#else
    return lines;
#endif
}

void WriteJson(const CDeviceList& catalogue, std::ostream& out)
{
    out << "[";
    bool firstDevice = true;
    for (const CDevice& device : catalogue) {
        out << (firstDevice ? "\n" : ",\n");
        firstDevice = false;
        out << "  {\"name\": " << JsonString(device.m_strName) << ", \"type_code\": " << device.m_nTypeCode
            << ", \"parameters\": [";
        bool firstParameter = true;
        for (const CParameter& parameter : device.m_Parameters) {
            out << (firstParameter ? "\n" : ",\n");
            firstParameter = false;
            out << "    {\"number\": " << parameter.m_nNumber << ", \"name\": " << JsonString(parameter.m_strName)
                << ", \"access\": " << parameter.m_nAccess << ", \"type\": " << parameter.m_nType
                << ", \"memory\": " << parameter.m_nMemory << ", \"address\": " << parameter.m_nAddress
                << ", \"enum\": [";
            bool firstValue = true;
            for (const std::string& value : parameter.m_EnumValues) {
                out << (firstValue ? "" : ", ") << JsonString(value);
                firstValue = false;
            }
            out << "]}";
        }
        out << (firstParameter ? "]}" : "\n  ]}");
    }
    out << (firstDevice ? "]\n" : "\n]\n");
}

int CommandLoad(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool dump)
{
    if (args.size() != 2)
        return Usage(err, std::string(dump ? "dump" : "load") + " takes one directory");
    if (!IsDirectory(args[1])) {
        err << "dsctool: " << args[1] << ": not a directory\n";
        return kExitFailure;
    }
    CDeviceList catalogue;
    // The loader's lines name the files as the system's texts are written: Windows-1251 on
    // Windows, the file system's own bytes elsewhere. The tool writes UTF-8 either way.
    std::ostringstream lines;
    LoadDeviceCatalogue(ToPath(args[1]), lines, catalogue);
    (dump ? err : out) << LoaderLinesAsUtf8(lines.str());
    if (dump)
        WriteJson(catalogue, out);
    return kExitOk;
}

int CommandVerify(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() < 2)
        return Usage(err, "verify takes at least one file");
    bool allPass = true;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const ChecksumCheck check = CheckFileChecksum(ToPath(args[i]));
        switch (check.status) {
        case ChecksumStatus::Ok:
            out << args[i] << ": ok\n";
            break;
        case ChecksumStatus::Mismatch: {
            char line[80];
            std::snprintf(line, sizeof line, ": stored %08X, computed %08X\n", static_cast<unsigned>(check.stored),
                          static_cast<unsigned>(check.computed));
            out << args[i] << line;
            allPass = false;
            break;
        }
        case ChecksumStatus::TooShort:
            out << args[i] << ": shorter than 4 bytes\n";
            allPass = false;
            break;
        case ChecksumStatus::CannotOpen:
            out << args[i] << ": cannot open\n";
            err << "dsctool: " << args[i] << ": cannot open\n";
            allPass = false;
            break;
        }
    }
    return allPass ? kExitOk : kExitFailure;
}

// Reads a file, reporting a failure on err.
bool ReadInput(const std::string& name, std::string& bytes, std::ostream& err)
{
    switch (ReadFileBytes(ToPath(name), bytes)) {
    case FileReadStatus::Ok:
        return true;
    case FileReadStatus::CannotOpen:
        err << "dsctool: " << name << ": cannot open\n";
        return false;
    case FileReadStatus::ReadError:
        err << "dsctool: " << name << ": read error\n";
        return false;
    }
    return false;
}

int CommandSign(const std::vector<std::string>& args, std::ostream&, std::ostream& err)
{
    if (args.size() < 2)
        return Usage(err, "sign takes at least one file");
    bool allSigned = true;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string bytes;
        if (!ReadInput(args[i], bytes, err)) {
            allSigned = false;
            continue;
        }
        if (bytes.size() < 4) {
            err << "dsctool: " << args[i] << ": shorter than the 4 checksum bytes\n";
            allSigned = false;
            continue;
        }
        unsigned char head[4];
        WriteStoredChecksum(UpdateChecksum(0, std::string_view(bytes).substr(4)), head);
        // Only the four checksum bytes are written; the rest of the file stays as it is.
        errno = 0;
        std::fstream file(ToPath(args[i]), std::ios::in | std::ios::out | std::ios::binary);
        const int openError = file ? 0 : errno;
        if (file)
            file.write(reinterpret_cast<const char*>(head), 4);
        if (file)
            file.flush();
        if (!file) {
            err << "dsctool: " << args[i] << ": cannot write" << WhyNotWritten(openError) << "\n";
            allSigned = false;
        }
    }
    return allSigned ? kExitOk : kExitFailure;
}

int CommandPack(const std::vector<std::string>& args, std::ostream&, std::ostream& err)
{
    if (args.size() != 3)
        return Usage(err, "pack takes a text file and an output file");
    std::string text;
    if (!ReadInput(args[1], text, err))
        return kExitFailure;
    unsigned char head[4];
    WriteStoredChecksum(UpdateChecksum(0, text), head);

    // Written beside the target and renamed over it, so OUT is never left half written.
    const fs::path target = ToPath(args[2]);
    fs::path temporary = target;
    temporary += ".tmp";
    {
        errno = 0;
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        const int openError = file ? 0 : errno;
        file.write(reinterpret_cast<const char*>(head), 4);
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
        file.close();
        if (!file) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            err << "dsctool: " << args[2] << ": cannot write" << WhyNotWritten(openError) << "\n";
            return kExitFailure;
        }
    }
    std::error_code ec;
    fs::rename(temporary, target, ec);
    if (ec) {
        fs::remove(temporary, ec);
        err << "dsctool: " << args[2] << ": cannot write\n";
        return kExitFailure;
    }
    return kExitOk;
}

int CommandName(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 5)
        return Usage(err, "name takes a directory, an address, a type code and a parameter number");
    int address = 0, typeCode = 0, number = 0;
    if (!ParseInt(args[2], address) || !ParseInt(args[3], typeCode) || !ParseInt(args[4], number))
        return Usage(err, "ADDRESS, TYPE and PARAM must be decimal integers");
    if (!IsDirectory(args[1])) {
        err << "dsctool: " << args[1] << ": not a directory\n";
        return kExitFailure;
    }
    std::ostringstream quiet;
    FreeDeviceCatalogue();
    LoadDeviceCatalogue(ToPath(args[1]), quiet, g_DeviceCatalogue);
    out << Cp1251ToUtf8(FormatTagName(address, typeCode, number)) << "\n";
    FreeDeviceCatalogue();
    return kExitOk;
}

int CommandLint(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() < 2)
        return Usage(err, "lint takes at least one file");
    int findings = 0;
    bool readAll = true;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string bytes;
        if (!ReadInput(args[i], bytes, err)) {
            readAll = false;
            continue;
        }
        // The words quoted from the file are Windows-1251, the file's name UTF-8 already; their
        // control characters are shown, never sent to the terminal.
        const std::vector<LintFinding> found = FindDescriptionMistakes(bytes, args[i]);
        for (const LintFinding& finding : found)
            out << ControlCharactersShown(args[i] + ":" + std::to_string(finding.line) + ": " +
                                          Cp1251ToUtf8(LintFindingText(finding)))
                << "\n";
        findings += static_cast<int>(found.size());
    }
    return findings == 0 && readAll ? kExitOk : kExitFailure;
}

// The description text of a signed file or of its text source; false (reported) when the
// file is neither.
bool DescriptionText(const std::string& name, const std::string& bytes, std::string_view& text, std::ostream& err)
{
    const ChecksumCheck check = CheckChecksum(bytes);
    std::ostringstream quiet;
    CDevice probe;
    if (check.status == ChecksumStatus::Ok) {
        text = std::string_view(bytes).substr(4);
        if (ReadDescriptionText(text, name, probe, quiet) == 0) return true;
    }
    // A text source: the marker first, no checksum.
    if (ReadDescriptionText(bytes, name, probe, quiet) == 0) {
        text = bytes;
        return true;
    }
    if (check.status == ChecksumStatus::TooShort) {
        err << "dsctool: " << name << ": shorter than the 4 checksum bytes\n";
    } else if (check.status == ChecksumStatus::Mismatch) {
        char line[96];
        std::snprintf(line, sizeof line, ": wrong checksum (stored %08X, computed %08X)\n",
                      static_cast<unsigned>(check.stored), static_cast<unsigned>(check.computed));
        err << "dsctool: " << name << line;
    } else {
        err << "dsctool: " << name << ": does not begin with DEVICE_DESCRIPTION\n";
    }
    return false;
}

// A command never writes over the file it reads: a table would replace its description, a
// description its table. The file system tells whether two names reach one file (links,
// "./", letter case on Windows); the names themselves may differ.
bool WouldWriteOverInput(const std::string& input, const std::string& output, std::ostream& err)
{
    if (!IsSameFile(ToPath(input), ToPath(output))) return false;
    err << "dsctool: " << output << " is the input file " << input
        << " itself; nothing is written: name another file to write\n";
    return true;
}

int CommandTable(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 2 && args.size() != 3)
        return Usage(err, "table takes a description file and, optionally, the table to write");
    if (args.size() == 3 && WouldWriteOverInput(args[1], args[2], err))
        return kExitUsage;
    std::string bytes;
    if (!ReadInput(args[1], bytes, err))
        return kExitFailure;
    std::string_view text;
    if (!DescriptionText(args[1], bytes, text, err))
        return kExitFailure;
    std::vector<std::string> warnings;
    const std::string table = DescriptionTextToTable(text, &warnings);
    for (const std::string& warning : warnings)
        err << "dsctool: " << args[1] << ": " << ControlCharactersShown(warning) << "\n";
    if (args.size() == 2) {
        out << table;
        return kExitOk;
    }
    std::string error;
    if (!WriteFileAtomic(ToPath(args[2]), table, &error)) {
        err << "dsctool: " << args[2] << ": cannot write (" << error << ")\n";
        return kExitFailure;
    }
    return kExitOk;
}

int CommandBuild(const std::vector<std::string>& args, std::ostream&, std::ostream& err)
{
    if (args.size() != 3)
        return Usage(err, "build takes a table and an output file");
    if (WouldWriteOverInput(args[1], args[2], err))
        return kExitUsage;
    std::string bytes;
    if (!ReadInput(args[1], bytes, err))
        return kExitFailure;
    const BuiltDescription built = BuildDescriptionFromTable(bytes, ToPath(args[1]).filename().u8string());
    for (const TableProblem& problem : built.problems)
        err << args[1] << ":" << problem.line << ": " << ControlCharactersShown(problem.reason) << "\n";
    if (!built.ok) {
        err << "dsctool: " << args[2] << " not written\n";
        return kExitFailure;
    }
    for (const TableProblem& warning : built.warnings)
        err << args[1] << ":" << warning.line << ": warning: " << ControlCharactersShown(warning.reason) << "\n";
    unsigned char head[4];
    WriteStoredChecksum(UpdateChecksum(0, built.text), head);
    const std::string file = std::string(reinterpret_cast<const char*>(head), 4) + built.text;
    std::string error;
    if (!WriteFileAtomic(ToPath(args[2]), file, &error)) {
        err << "dsctool: " << args[2] << ": cannot write (" << error << ")\n";
        return kExitFailure;
    }
    return kExitOk;
}

int CommandLoadOnly(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    return CommandLoad(args, out, err, false);
}
int CommandDump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    return CommandLoad(args, out, err, true);
}

// dsctool's commands, one row each: the name, the operands, what it does (the usage's
// lines) and the function that runs it. The usage and the dispatch are read from here.
struct DscCommand {
    const char* name;
    const char* operands;
    const char* what;  // lines after the first are indented under it
    int (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

const DscCommand kCommands[] = {
    {"load", "DIR", "run the loader over DIR; its lines on stdout", CommandLoadOnly},
    {"dump", "DIR", "load DIR; the catalogue as JSON on stdout,\nthe loader's lines on stderr", CommandDump},
    {"verify", "FILE...", "check each file's checksum", CommandVerify},
    {"sign", "FILE...", "rewrite bytes 0-3 with the checksum of the rest", CommandSign},
    {"pack", "TEXTFILE OUT", "write OUT as checksum + the text of TEXTFILE", CommandPack},
    {"name", "DIR ADDRESS TYPE PARAM", "print the tag name formed from DIR's descriptions", CommandName},
    {"lint", "FILE...", "report what is almost surely a mistake", CommandLint},
    {"table", "FILE.dsc [TABLE.csv]", "the description as a register table (CSV; on\nstdout when no TABLE is named)",
     CommandTable},
    {"build", "TABLE.csv OUT.dsc", "check the table's rows, write OUT signed", CommandBuild},
};

// The usage from the rows, and where the guide (in Russian) explains every command with
// examples.
std::string UsageText()
{
    constexpr std::size_t kWhatColumn = 39;
    std::string text = "usage:\n";
    for (const DscCommand& c : kCommands) {
        std::string line = std::string("  dsctool ") + c.name + " " + c.operands;
        line.append(line.size() + 2 > kWhatColumn ? 2 : kWhatColumn - line.size(), ' ');
        for (const char* what = c.what; *what != '\0'; ++what)
            line += *what == '\n' ? "\n" + std::string(kWhatColumn, ' ') : std::string(1, *what);
        text += line + "\n";
    }
    text += "Exit status: 0 success, 1 failure or findings, 2 bad arguments.\n";
    if (!GuidePath().empty()) text += "User's guide (Russian): " + GuidePath() + "\n";
    return text;
}

}  // namespace

void SetDscToolGuidePath(const std::string& path) { GuidePath() = path; }

int RunDscTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return Usage(err, "no command given");
    const std::string& command = args[0];
    if (command == "help" || command == "--help" || command == "-h") {
        out << UsageText();
        return kExitOk;
    }
    for (const DscCommand& c : kCommands)
        if (command == c.name) return c.run(args, out, err);
    return Usage(err, "unknown command '" + command + "'");
}
