// zolctl: the command line, and the commands on single tags, the port, the search and the
// restart.
#include "ctl/CtlCommands.h"

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include <windows.h>

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueLoader.h"
#include "ctl/CtlConsole.h"
#include "ctl/CtlHistory.h"
#include "common/Guide.h"
#include "ctl/CtlServer.h"
#include "ctl/CtlResult.h"
#include "search/SearchScan.h"
#include "search/SearchTexts.h"
#include "serial/ComPortDialogModel.h"
#include "serial/win/SystemEnumerateSerial.h"
#include "server/ServerErrors.h"
#include "server/TagWalk.h"
#include "tagfile/TagFile.h"
#include "tagfile/TagFileReader.h"
#include "tagfile/TagFileWriter.h"
#include "tagfile/TagNames.h"
#include "tagfile/TextEncoding.h"
#include "tree/RefreshPeriod.h"
#include "words/TagNameWords.h"

namespace {

// A refused call: the message, and exit code 3 when the server is gone, else 1.
int Refused(const std::string& what, HResult hr)
{
    WriteError(what + ": " + DescribeHResult(hr) + "\n");
    return IsConnectionLost(hr) ? kExitConnection : kExitPartial;
}

// The same for a change the server refused, kept in the command's result.
int RefusedChange(const std::string& what, const char* action, const TagId* id, HResult hr)
{
    CtlRefusal refusal;
    refusal.action = action;
    refusal.hasTag = id != nullptr;
    if (id) refusal.id = *id;
    refusal.hr = hr;
    CommandResult().refused.push_back(refusal);
    return Refused(what, hr);
}

struct TagOperands {
    std::uint32_t type = 0, address = 0, param = 0;
    std::int64_t periodMs = -1;  // -1: not given
};

// What the command does with PARAM: only naming a tag the server holds (deleting it,
// reading its period) takes any number the interface carries, 0..65535, since another
// client may have put such a tag there; adding or setting takes 1..65534.
enum class ParamUse { None, Sets, Names };

// TYPE ADDRESS PARAM [PERIOD_MS] (or TYPE ADDRESS with ParamUse::None) from operands.
bool ParseTagOperands(const std::vector<std::string>& operands, ParamUse use, TagOperands* tag, std::string* error)
{
    std::int64_t v = 0;
    if (!ParseCtlNumber(operands[0], kFileTypeMin, kFileTypeMax, &v)) return *error = "TYPE must be 1..255", false;
    tag->type = static_cast<std::uint32_t>(v);
    if (!ParseCtlNumber(operands[1], kFileAddressMin, kFileAddressMax, &v))
        return *error = "ADDRESS must be 1..247", false;
    tag->address = static_cast<std::uint32_t>(v);
    if (use == ParamUse::None) return true;
    const bool names = use == ParamUse::Names && operands.size() == 3;
    if (names ? !ParseCtlNumber(operands[2], 0, kServerParamMax, &v)
              : !ParseCtlNumber(operands[2], kFileParamMin, kFileParamMax, &v))
        return *error = names ? "PARAM must be 0..65535" : "PARAM must be 1..65534", false;
    tag->param = static_cast<std::uint32_t>(v);
    if (operands.size() > 3) {
        if (!ParseCtlNumber(operands[3], 0, kFilePeriodMaxMs, &tag->periodMs))
            return *error = "PERIOD_MS must be a whole number of milliseconds 0..86400000", false;
    }
    return true;
}

int UsageError(const std::string& command, const std::string& error)
{
    WriteError("zolctl: " + error + "\n");
    WriteErr(CtlUsage(command));
    return kExitUsage;
}

// The command's TYPE ADDRESS PARAM [PERIOD_MS] (TYPE ADDRESS with ParamUse::None); a usage
// error is printed, and false returned.
bool ReadTagOperands(const CtlArgs& args, ParamUse use, TagOperands* tag)
{
    std::string error;
    if (ParseTagOperands(args.operands, use, tag, &error)) return true;
    UsageError(args.command, error);
    return false;
}

std::string NameOf(const TagOperands& t)
{
    return Cp1251ToUtf8(CatalogueTagNames(UnnamedPartWords()).tagName(t.address, t.type, t.param));
}

}  // namespace

int CommandAdd(const CtlArgs& args)
{
    TagOperands tag;
    if (!ReadTagOperands(args, ParamUse::Sets, &tag)) return kExitUsage;
    CCtlChanges changes;
    if (!LoadCatalogue(args)) return kExitUsage;
    if (!changes.Begin(args, "zolctl add")) return kExitPartial;
    CCtlConnection connection;
    if (!connection.Open()) return kExitConnection;
    // Whether the tag is new, or its period changes, for the result.
    std::uint32_t low = 0, high = 0;
    const bool existed = HrSucceeded(connection.Server().GetTagInfo(tag.type, tag.address, tag.param, &low, &high));
    const TagId id{tag.type, tag.address, tag.param};
    const HResult hr =
        changes.Server(connection.Server()).AddTag(tag.type, tag.address, tag.param, PeriodFromMs(tag.periodMs));
    if (HrFailed(hr))
        return changes.Finish(RefusedChange("refused: add " + TagText(tag.type, tag.address, tag.param), "add", &id, hr));
    CtlResult& result = CommandResult();
    if (!existed)
        ++result.added;
    else if (JoinPeriod(low, high) != PeriodFromMs(tag.periodMs))
        ++result.changed;
    else
        ++result.unchanged;
    WriteErr("added " + TagText(tag.type, tag.address, tag.param) + " " + NameOf(tag) + "\n");
    return changes.Finish(kExitOk);
}

int CommandDelete(const CtlArgs& args)
{
    TagOperands tag;
    if (!ReadTagOperands(args, ParamUse::Names, &tag)) return kExitUsage;
    CCtlChanges changes;
    if (!LoadCatalogue(args)) return kExitUsage;
    if (!changes.Begin(args, "zolctl delete")) return kExitPartial;
    CCtlConnection connection;
    if (!connection.Open()) return kExitConnection;
    const HResult hr = changes.Server(connection.Server()).DeleteTag(tag.type, tag.address, tag.param);
    const TagId id{tag.type, tag.address, tag.param};
    if (HrFailed(hr))
        return changes.Finish(
            RefusedChange("refused: delete " + TagText(tag.type, tag.address, tag.param), "delete", &id, hr));
    ++CommandResult().deleted;
    WriteErr("deleted " + TagText(tag.type, tag.address, tag.param) + "\n");
    return changes.Finish(kExitOk);
}

int CommandDeleteDevice(const CtlArgs& args)
{
    TagOperands device;
    if (!ReadTagOperands(args, ParamUse::None, &device)) return kExitUsage;
    CCtlChanges changes;
    if (!LoadCatalogue(args)) return kExitUsage;
    if (!changes.Begin(args, "zolctl delete-device")) return kExitPartial;
    CCtlConnection connection;
    if (!connection.Open()) return kExitConnection;
    std::vector<TagId> tags;
    TagWalkOptions walkOptions;
    walkOptions.stopWhenDisconnected = true;
    walkOptions.stop = [] { return g_bInterrupted.load(); };
    const TagWalkReport walk = WalkServerTags(
        connection.Server(),
        [&](std::uint32_t type, std::uint32_t address, std::uint32_t param) {
            if (type == device.type && address == device.address) tags.push_back(TagId{type, address, param});
        },
        walkOptions);
    if (walk.end == TagWalkEnd::Disconnected) return Refused("the server went away while its tags were read", walk.lastFailure);
    if (walk.end == TagWalkEnd::Stopped) return WriteError("interrupted\n"), kExitInterrupted;
    if (walk.end != TagWalkEnd::Completed)
        WriteErr("warning: the server did not end its tag list; the walk was stopped after " + std::to_string(walk.tags) +
                 " tags\n");
    if (tags.empty()) {
        WriteError("the server holds no tag of type " + std::to_string(device.type) + " at address " +
                 std::to_string(device.address) + "\n");
        return kExitPartial;
    }
    std::size_t deleted = 0, refused = 0;
    CJournaledServer& server = changes.Server(connection.Server());
    for (const TagId& id : tags) {
        if (g_bInterrupted) {
            WriteError("interrupted: deleted " + std::to_string(deleted) + " of " + std::to_string(tags.size()) + " tags\n");
            return changes.Finish(kExitInterrupted);
        }
        if (server.JournalFailed()) {
            WriteErr("deleted " + std::to_string(deleted) + " of " + std::to_string(tags.size()) + " tags\n");
            return changes.Finish(kExitPartial);
        }
        const HResult hr = server.DeleteTag(id.type, id.address, id.param);
        if (HrSucceeded(hr)) {
            ++deleted;
            ++CommandResult().deleted;
            continue;
        }
        ++refused;
        const int code = RefusedChange("refused: delete " + TagText(id.type, id.address, id.param), "delete", &id, hr);
        if (code == kExitConnection) {
            WriteErr("deleted " + std::to_string(deleted) + " of " + std::to_string(tags.size()) + " tags\n");
            return changes.Finish(code);
        }
    }
    WriteErr("deleted " + std::to_string(deleted) + " tags, refused " + std::to_string(refused) + "\n");
    return changes.Finish(refused ? kExitPartial : kExitOk);
}

int CommandPeriod(const CtlArgs& args)
{
    TagOperands tag;
    if (!ReadTagOperands(args, ParamUse::Names, &tag)) return kExitUsage;
    CCtlChanges changes;
    if (tag.periodMs >= 0) {
        if (!LoadCatalogue(args)) return kExitUsage;
        if (!changes.Begin(args, "zolctl period")) return kExitPartial;
    }
    CCtlConnection connection;
    if (!connection.Open()) return kExitConnection;
    std::uint32_t low = 0, high = 0;
    const HResult hr = connection.Server().GetTagInfo(tag.type, tag.address, tag.param, &low, &high);
    // The period is set only on a tag the server has: AddTag would create a missing one.
    if (HrFailed(hr)) return Refused("cannot read the period of " + TagText(tag.type, tag.address, tag.param), hr);
    if (tag.periodMs < 0) {
        TagFileRecord record;
        record.period = JoinPeriod(low, high);
        WriteOut(FormatPeriodField(record) + "\n");
        return kExitOk;
    }
    CJournaledServer& server = changes.Server(connection.Server());
    server.KnowTag(TagId{tag.type, tag.address, tag.param}, TagState::Of(JoinPeriod(low, high)));  // just read
    const HResult set = server.AddTag(tag.type, tag.address, tag.param, PeriodFromMs(tag.periodMs));
    const TagId id{tag.type, tag.address, tag.param};
    if (HrFailed(set))
        return changes.Finish(
            RefusedChange("refused: period of " + TagText(tag.type, tag.address, tag.param), "change", &id, set));
    if (JoinPeriod(low, high) != PeriodFromMs(tag.periodMs))
        ++CommandResult().changed;
    else
        ++CommandResult().unchanged;
    return changes.Finish(kExitOk);
}

namespace {

// port set --dry-run: whether setting the port would change it; nothing sent or journaled.
int PortPlan(PortSettings wanted)
{
    CCtlConnection connection;
    if (!connection.Open()) return kExitConnection;
    HResult hr = kS_OK;
    const PortSettings server = ReadPortSettings(connection.Server(), &hr);
    if (!server.known) return Refused("cannot read the port settings", hr);
    wanted.known = true;
    CtlResult& result = CommandResult();
    result.dryRun = true;
    result.wouldChange = server != wanted;
    WriteReport(result.wouldChange ? "port " + FormatPortSettings(server) + " -> " + FormatPortSettings(wanted) + "\n"
                                   : "port " + FormatPortSettings(server) + ": the same\n");
    return kExitOk;
}

}  // namespace

int CommandPort(const CtlArgs& args)
{
    PortSettings v;
    const bool set = !args.operands.empty();
    if (set) {
        const std::vector<std::string>& o = args.operands;
        std::int64_t baud = 0, dataBits = 0;
        if (!ParsePortText(o[1], &v.port)) return UsageError("port", "PORT must be COMn, n (1..65535) or none");
        if (!ParseCtlNumber(o[2], 1, 0xFFFFFFFFll, &baud)) return UsageError("port", "SPEED must be a number of baud");
        if (!ParseCtlNumber(o[3], 5, 8, &dataBits)) return UsageError("port", "DATABITS must be 5..8");
        if (!ParseParityText(o[4], &v.parity)) return UsageError("port", "PARITY must be none, odd, even, mark or space");
        if (!ParseStopBitsText(o[5], &v.stopBits)) return UsageError("port", "STOPBITS must be 1, 1.5 or 2");
        v.baudRate = static_cast<std::uint32_t>(baud);
        v.dataBits = static_cast<std::uint8_t>(dataBits);
    }
    if (set && args.dryRun) return PortPlan(v);
    CCtlChanges changes;
    if (set && !changes.Begin(args, "zolctl port")) return kExitPartial;
    CCtlConnection connection;
    if (!connection.Open()) return kExitConnection;
    if (set) {
        v.known = true;
        const PortSettings before = ReadPortSettings(connection.Server());
        const HResult hr =
            changes.Server(connection.Server()).SetComSettings(v.port, v.baudRate, v.dataBits, v.stopBits, v.parity);
        if (HrFailed(hr)) return changes.Finish(RefusedChange("refused: port settings", "port", nullptr, hr));
        // Settings the server did not give count as changed: they may well have been.
        CommandResult().portChanged = before != v;
        if (!CommandResult().portChanged) ++CommandResult().unchanged;
        return changes.Finish(kExitOk);
    }
    HResult hr = kS_OK;
    v = ReadPortSettings(connection.Server(), &hr);
    if (!v.known) return Refused("cannot read the port settings", hr);
    WriteOut(FormatPortSettings(v) + "\n");
    return kExitOk;
}

int CommandPorts(const CtlArgs&)
{
    // The COM-port dialog's enumeration and entry texts.
    CSystemEnumerateSerial system;
    std::vector<unsigned> ports, setupPorts;
    std::vector<std::string> descriptions;
    if (!system.UsingQueryDosDevice(ports)) {
        WriteErr("cannot list the serial ports: system error " + std::to_string(GetLastError()) + "\n");
        return kExitPartial;
    }
    const bool setupOk = system.UsingSetupAPI(setupPorts, descriptions);
    ComPortDialogModel model;
    model.AddPorts(ports, setupOk ? &setupPorts : nullptr, &descriptions);
    std::string out;
    for (const ComListEntry& entry : model.List(kComPortList).entries) {
        if (entry.value != 0) out += Cp1251ToUtf8(entry.text) + "\n";
    }
    WriteOut(out);
    return kExitOk;
}

namespace {

// The scan's reports as lines; the server's loss or Ctrl+C ends it after the probe in
// progress.
class CCtlScanHost final : public ISearchScanHost, public CForwardingTagServer {
public:
    explicit CCtlScanHost(ITagServer& server) : CForwardingTagServer(server) {}
    void Attach(CSearchScan* scan) { m_pScan = scan; }

    void DispatchOneWaitingMessage() override
    {
        if (g_bInterrupted || IsConnectionLost(m_lost)) m_pScan->RequestAbort();
    }
    void OnScanProgress(int address) override
    {
        ++m_probed;
        if (m_bProgress)
            WriteProgress("\rprobed " + std::to_string(address) + " (" + std::to_string(m_probed) + " of " +
                     std::to_string(m_total) + ")");
    }
    void OnDeviceFound(std::int32_t type, const std::string& text, int address) override
    {
        std::string name;
        if (IsKeyTypeCode(type)) name = GetDeviceName(type);
        std::string oneLine = text;
        for (char& c : oneLine) {
            if (c == '\r' || c == '\n') c = ' ';
        }
        if (m_bProgress) WriteProgress("\r");
        WriteOut(std::to_string(address) + ";" + std::to_string(type) + ";" + Cp1251ToUtf8(name) + ";" +
                 Cp1251ToUtf8(oneLine) + "\n");
    }
    void OnScanFinished() override
    {
        if (m_bProgress) WriteErr("\n");
    }

    // The scan calls only ProbeDevice; its failures are watched.
    HResult ProbeDevice(std::uint32_t address, unsigned char text[kProbeTextSize], std::int32_t* type) override
    {
        const HResult hr = m_inner.ProbeDevice(address, text, type);
        if (HrFailed(hr)) m_lost = hr;
        return hr;
    }

    bool m_bProgress = false;
    int m_total = 0;
    HResult m_lost = kS_OK;

private:
    CSearchScan* m_pScan = nullptr;
    int m_probed = 0;
};

}  // namespace

int CommandSearch(const CtlArgs& args)
{
    std::int64_t from = 0, to = 0;
    if (!ParseCtlNumber(args.operands[0], 1, 255, &from) || !ParseCtlNumber(args.operands[1], 1, 255, &to))
        return UsageError("search", "FROM and TO must be addresses 1..255");
    // As in the window, whose spins keep the first address at or below the last.
    if (from > to) return UsageError("search", "FROM must not be greater than TO");
    if (!LoadCatalogue(args)) return kExitUsage;
    CCtlConnection connection;
    if (!connection.Open()) return kExitConnection;
    CCtlScanHost host(connection.Server());
    host.m_bProgress = ErrIsConsole();
    host.m_total = static_cast<int>(to - from + 1);
    CSearchScan scan(host, host);
    host.Attach(&scan);
    scan.Scan(static_cast<int>(from), static_cast<int>(to));
    if (IsConnectionLost(host.m_lost)) return Refused("the server went away during the search", host.m_lost);
    if (g_bInterrupted) return WriteError("interrupted\n"), kExitInterrupted;
    return kExitOk;
}

int CommandRestart(const CtlArgs& args)
{
    CCtlChanges changes;
    if (!changes.Begin(args, "zolctl restart")) return kExitPartial;
    CCtlConnection connection;
    if (!connection.Open()) return kExitConnection;
    const HResult hr = changes.Server(connection.Server()).RestartServer();
    if (HrFailed(hr)) return changes.Finish(RefusedChange("the server refused to restart", "restart", nullptr, hr));
    CommandResult().restarted = true;
    const int journaled = changes.Finish(kExitOk);
    if (journaled != kExitOk) return journaled;
    connection.Close();

    const auto start = std::chrono::steady_clock::now();
    // The same wait as the window's after "Применить": until the server answers again.
    CComRef<IAddTags> addTags;
    const ReconnectResult again = ReconnectAfterRestart(
        static_cast<int>(args.timeoutSeconds) * 1000, 200, [] { return !g_bInterrupted; }, addTags.Put());
    if (again.stopped) return WriteError("interrupted\n"), kExitInterrupted;
    if (!again.Ok()) {
        const std::string last = !again.connect.Ok()
                                     ? DescribeConnectFailure(again.connect)
                                     : "the server does not answer: " + DescribeHResult(static_cast<HResult>(again.answer));
        WriteError("the server did not come back within " + std::to_string(args.timeoutSeconds) + " s (" + last + ")\n");
        return kExitConnection;
    }
    connection.Adopt(std::move(addTags));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char text[64];
    std::snprintf(text, sizeof text, "the server answered again after %.1f s\n", seconds);
    WriteReport(text);
    return kExitOk;
}

std::string TagText(std::uint32_t type, std::uint32_t address, std::uint32_t param)
{
    return "tag type " + std::to_string(type) + " address " + std::to_string(address) + " param " +
           std::to_string(param);
}

bool LoadCatalogue(const CtlArgs& args)
{
    const std::filesystem::path dir = std::filesystem::u8path(args.dsc);
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) {
        WriteError("zolctl: --dsc " + args.dsc + ": no such directory\n");
        return false;
    }
    std::ostringstream lines;
    LoadDeviceCatalogue(dir, lines, g_DeviceCatalogue);
    if (args.verbose) WriteErr(lines.str());
    return true;
}

namespace {

// The general help ends with the user's guide beside the program (in Russian: it explains
// every command with examples, and the error messages).
std::string GuideLine()
{
    wchar_t module[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return "\nuser's guide (Russian): " +
           (std::filesystem::path(module).parent_path() / kGuideRelativePath).u8string() + "\n";
}


// The row's handler.
int RunCommand(const CtlArgs& args)
{
#define ZOL_CTL_HANDLER(name, fewest, most, options, change, formats, summary, usage, handler) &handler,
    using Handler = int (*)(const CtlArgs&);
    static const Handler handlers[] = {ZOLCTL_COMMANDS(ZOL_CTL_HANDLER)};
#undef ZOL_CTL_HANDLER
    return handlers[CtlCommandIndex(*FindCtlCommand(args.command))](args);
}

// The command's document with --format json, whatever the exit code; the exit code.
int Answer(const std::string& command, int exitCode)
{
    const CtlCommand* row = FindCtlCommand(command);
    if (JsonResult() && row != nullptr)
        WriteOut(row->formats == CtlFormats::JsonDiff    ? DiffResultJson(exitCode)
                 : row->formats == CtlFormats::JsonCheck ? CheckResultJson(exitCode)
                                                         : CommandResultJson(CommandResult(), exitCode));
    return exitCode;
}

}  // namespace

int RunZolctl(const std::vector<std::string>& argv)
{
    CtlArgs args;
    std::string error;
    if (!ParseCtlArgs(argv, &args, &error)) {
        // An engine that asked for the document gets it for a usage error too.
        const CtlCommand* row = FindCtlCommand(args.command);
        SetJsonResult(row != nullptr && CtlAnswersWithDocument(*row) && CtlArgsAskForJson(argv));
        return Answer(args.command, UsageError(args.command, error));
    }
    if (args.help) {
        WriteOut(CtlUsage(args.command) + (args.command.empty() ? GuideLine() : std::string()));
        return kExitOk;
    }
    if (args.version) {
        WriteOut(CtlProgramName() + "\n");
        return kExitOk;
    }
    SetJsonResult(CtlAnswersWithDocument(*FindCtlCommand(args.command)) && args.format == "json");
    return Answer(args.command, RunCommand(args));
}
