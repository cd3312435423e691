// zolctl check: does every configured device answer at its address, as its type? The
// line check (search/LineCheck.h) over the devices of the server's list, and the estimate
// of the line's load (search/LineLoad.h). It changes nothing and journals nothing.
#include <cstdio>
#include <string>
#include <vector>

#include "catalogue/Catalogue.h"
#include "common/ControlChars.h"
#include "common/JsonWriter.h"
#include "report/ConfigReport.h"
#include "ctl/CtlCheck.h"
#include "ctl/CtlCommands.h"
#include "ctl/CtlConsole.h"
#include "ctl/CtlResult.h"
#include "ctl/CtlServer.h"
#include "search/LineCheck.h"
#include "search/LineLoad.h"
#include "serial/PortSettings.h"
#include "server/ServerErrors.h"
#include "server/TagServer.h"
#include "tagfile/ServerTags.h"
#include "tagfile/TextEncoding.h"
#include "words/TagNameWords.h"

namespace {

std::string Format1(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// A name from the descriptions or the server on a terminal: its control characters escaped.
std::string OneLine(const std::string& utf8) { return EscapeControlChars(utf8); }

std::string DeviceName(std::uint32_t type, std::uint32_t address)
{
    return Cp1251ToUtf8(ComposeTreeDevicePart(GetDeviceName(static_cast<int>(type)), static_cast<int>(address),
                                              static_cast<int>(type), UnnamedPartWords()));
}

std::string FoundName(std::int32_t type) { return Cp1251ToUtf8(AnsweringTypeName(type, "type ")); }

std::string EntryLine(const LineCheckEntry& e)
{
    const std::string name = OneLine(DeviceName(e.device.type, e.device.address));
    switch (e.result) {
    case LineCheckResult::Ok: return name + ": answers\n";
    case LineCheckResult::Absent: return name + ": does not answer\n";
    case LineCheckResult::OtherType: {
        // A type the descriptions know by its name and code; another by its code alone.
        const std::string known = e.foundType > 0 ? GetDeviceName(e.foundType) : std::string();
        return name + ": at address " + std::to_string(e.device.address) + " answers " +
               (known.empty() ? "type " + std::to_string(e.foundType)
                              : OneLine(Cp1251ToUtf8(known)) + " (type " + std::to_string(e.foundType) + ")") +
               "\n";
    }
    case LineCheckResult::Failed: return name + ": the probe failed: " + DescribeHResult(e.hr) + "\n";
    }
    return name + "\n";
}

const char kLoadModel[] =
    "model: one request per tag and period; Modbus RTU frames (request 8 bytes, response 5 bytes + 2 per "
    "register, REAL and INT 2 registers); 3.5 characters of silence after each frame; 10 ms device turnaround";

std::string LoadLines(const LineLoadEstimate& e, const PortSettings& port)
{
    if (!e.known) return "line load (estimate): unknown, the port's settings are not usable (" +
                         FormatPortSettings(port) + ")\n";
    std::string out = "line load (estimate): " + Format1(e.Percent()) + " % of " + FormatPortSettings(port) + ": " +
                      Format1(e.requestsPerSecond) + " requests/s asked, about " + Format1(e.capacityPerSecond) +
                      "/s carried at this mix\n";
    if (e.Overloaded()) {
        out += "over 100 %: the polling periods cannot be kept; asking most:";
        for (std::size_t i = 0; i < e.busiest.size(); ++i)
            out += std::string(i ? "," : "") + " " + OneLine(DeviceName(e.busiest[i].type, e.busiest[i].address)) +
                   " " + Format1(e.busiest[i].busyFraction * 100) + " %";
        out += "\n";
    }
    if (e.tagsWithoutPeriod != 0)
        out += std::to_string(e.tagsWithoutPeriod) + " tags without a period (0 or not given) are not counted\n";
    return out + std::string(kLoadModel) + "\n";
}

void LoadJson(CJsonWriter& json, const LineLoadEstimate& e)
{
    json.Key("load");
    if (!e.known) {
        json.Null();
        return;
    }
    json.BeginObject();
    json.Key("estimate").Bool(true);
    json.Key("percent").RawNumber(Format1(e.Percent()));
    json.Key("requests_per_second").RawNumber(Format1(e.requestsPerSecond));
    json.Key("capacity_per_second").RawNumber(Format1(e.capacityPerSecond));
    json.Key("overloaded").Bool(e.Overloaded());
    json.Key("tags_without_period").Number(static_cast<std::int64_t>(e.tagsWithoutPeriod));
    json.Key("busiest").BeginArray();
    for (const DeviceLoad& d : e.busiest) {
        json.BeginObject();
        json.Key("type").Number(d.type).Key("address").Number(d.address);
        json.Key("name").String(DeviceName(d.type, d.address));
        json.Key("percent").RawNumber(Format1(d.busyFraction * 100));
        json.EndObject();
    }
    json.EndArray();
    json.Key("model").String(kLoadModel);
    json.EndObject();
}

// What the run found, for the document (none when it ended before checking).
struct CheckOutcome {
    std::vector<LineCheckEntry> entries;
    LineCheckCounts counts;
    std::size_t unchecked = 0;
    std::string gap;
    LineLoadEstimate load;
};

CheckOutcome& Outcome()
{
    static CheckOutcome outcome;
    return outcome;
}

// The results as they come; Ctrl+C ends the check before the next probe.
class CCtlCheckHost final : public ILineCheckHost {
public:
    CLineCheck* check = nullptr;
    bool progress = false;
    std::size_t total = 0;
    std::vector<LineCheckEntry> entries;

    void DispatchOneWaitingMessage() override
    {
        if (g_bInterrupted) check->RequestStop();
    }
    void OnDeviceChecked(const LineCheckEntry& entry) override
    {
        entries.push_back(entry);
        if (progress)
            WriteErr("\rchecked " + std::to_string(entries.size()) + " of " + std::to_string(total) + " devices");
    }
    void OnCheckFinished() override
    {
        if (progress) WriteErr("\r\n");
    }
};

}  // namespace

CtlCheckRun RunCtlLineCheck(ITagServer& server, const std::vector<ConfiguredDevice>& devices)
{
    CCtlCheckHost host;
    CLineCheck check(server, host);
    host.check = &check;
    host.total = devices.size();
    host.progress = ErrIsConsole();
    check.Check(devices);
    CtlCheckRun run;
    run.entries = std::move(host.entries);
    run.lost = check.ConnectionLost();
    run.stopped = check.Stopped();
    return run;
}

std::string CheckResultJson(int exitCode)
{
    const CheckOutcome& o = Outcome();
    CJsonWriter json;
    json.BeginObject().Key("changed").Bool(false).Key("devices").BeginArray();
    for (const LineCheckEntry& e : o.entries) {
        json.BeginObject();
        json.Key("type").Number(e.device.type).Key("address").Number(e.device.address);
        json.Key("name").String(DeviceName(e.device.type, e.device.address));
        json.Key("tags").Number(static_cast<std::int64_t>(e.device.tags));
        json.Key("result").String(LineCheckResultWord(e.result));
        json.Key("found_type").Number(e.foundType);
        json.Key("found_name");
        if (e.foundType != 0)
            json.String(FoundName(e.foundType));
        else
            json.Null();
        json.Key("code").String(HResultText(e.hr));
        json.EndObject();
    }
    json.EndArray();
    json.Key("counts").BeginObject();
    json.Key("ok").Number(static_cast<std::int64_t>(o.counts.ok));
    json.Key("absent").Number(static_cast<std::int64_t>(o.counts.absent));
    json.Key("other_type").Number(static_cast<std::int64_t>(o.counts.otherType));
    json.Key("failed").Number(static_cast<std::int64_t>(o.counts.failed));
    json.Key("unchecked").Number(static_cast<std::int64_t>(o.unchecked));
    json.EndObject();
    json.Key("complete").Bool(o.gap.empty() && exitCode != kExitConnection);
    json.Key("gap");
    if (o.gap.empty())
        json.Null();
    else
        json.String(o.gap);
    LoadJson(json, o.load);
    json.Key("exit_code").Number(exitCode);
    // Devices that do not answer are what check reports with exit code 1, not an error.
    AddErrorMember(json, CtlResult(), exitCode == kExitPartial ? kExitOk : exitCode);
    json.EndObject();
    return json.Text();
}

int CommandCheck(const CtlArgs& args)
{
    if (!LoadCatalogue(args)) return kExitUsage;
    CCtlConnection connection;
    if (!connection.Open()) return kExitConnection;
    ServerTagsOptions options;
    options.stop = [] { return g_bInterrupted.load(); };
    const auto wanted = [&](const TagId& id) {
        return !args.hasDevice || (id.type == args.deviceType && id.address == args.deviceAddress);
    };
    options.wantPeriod = wanted;  // for the estimate
    const ServerTagList list = ReadServerTags(connection.Server(), options);
    if (list.stopped) return WriteErr("interrupted\n"), kExitInterrupted;
    // A list that broke off is checked as far as it goes, never reported as the whole plant.
    const std::string gap = list.Gap(false) != TagListGap::None ? DescribeTagListGap(list) : std::string();

    std::vector<ServerTag> tags;
    const std::vector<ConfiguredDevice> devices = CConfiguredDevices::OfTags(list.tags, wanted, &tags);
    if (devices.empty() && gap.empty()) {
        if (args.hasDevice) {
            WriteError("the server holds no tags of device type " + std::to_string(args.deviceType) + " address " +
                       std::to_string(args.deviceAddress) + "\n");
            return kExitUsage;
        }
        WriteReport("no devices configured\n");
        return kExitOk;
    }

    const PortSettings port = list.disconnected ? PortSettings{} : ReadPortSettings(connection.Server());
    CtlCheckRun check;
    if (!list.disconnected) check = RunCtlLineCheck(connection.Server(), devices);
    connection.Close();

    LineCheckCounts counts;
    for (const LineCheckEntry& e : check.entries) counts.Add(e.result);
    const LineLoadEstimate load = EstimateLineLoad(port, LineLoadTagsOf(tags));

    int exitCode = counts.AllOk() ? kExitOk : kExitPartial;
    std::string trouble;
    if (!gap.empty()) {
        trouble += gap + "the server's list was not read whole: only the " + std::to_string(devices.size()) +
                   " devices read were checked\n";
        exitCode = kExitConnection;
    }
    if (check.lost != kS_OK) {
        trouble += "the server went away during the check: " + DescribeHResult(check.lost) + "\n";
        exitCode = kExitConnection;
    }
    const std::size_t unchecked = devices.size() - check.entries.size();
    if (unchecked != 0 && check.lost == kS_OK && !list.disconnected)
        trouble += "interrupted\n";
    if (unchecked != 0) trouble += std::to_string(unchecked) + " devices were not checked\n";
    if (check.stopped) exitCode = kExitInterrupted;
    if (!trouble.empty()) WriteError(trouble);

    if (JsonResult()) {
        CheckOutcome& outcome = Outcome();
        outcome.entries = check.entries;
        outcome.counts = counts;
        outcome.unchecked = unchecked;
        outcome.gap = gap;
        outcome.load = load;
        return exitCode;
    }

    std::string out;
    for (const LineCheckEntry& e : check.entries) out += EntryLine(e);
    out += "check: " + std::to_string(counts.ok) + " answer, " + std::to_string(counts.absent) + " do not, " +
           std::to_string(counts.otherType) + " answer as another type, " + std::to_string(counts.failed) +
           " failed\n";
    out += LoadLines(load, port);
    WriteOut(out);
    return exitCode;
}
