#include "ctl/CtlResult.h"

#include <cstdio>

#include "common/ControlChars.h"
#include "common/JsonWriter.h"
#include "ctl/CtlConsole.h"
#include "server/ServerErrors.h"
#include "server/TagServer.h"
#include "words/TagNameWords.h"
#include "tagfile/TagNames.h"
#include "tagfile/TextEncoding.h"

namespace {

bool g_bJson = false;
std::string g_error;  // WriteError's messages

}  // namespace

void CtlResult::Take(const ImportReport& report)
{
    // The invalid rows are the file's, set when it was read.
    added += report.added;
    changed += report.changed;
    deleted += report.deleted;
    unchanged += report.unchanged;
    for (const ImportRefusal& r : report.refused) {
        CtlRefusal refusal;
        refusal.action = ImportActionName(r.action);
        refusal.hasTag = true;
        refusal.id = r.id;
        refusal.line = r.line;
        refusal.hr = r.hr;
        refused.push_back(refusal);
    }
}

CtlResult& CommandResult()
{
    static CtlResult result;
    return result;
}

void SetJsonResult(bool on) { g_bJson = on; }
bool JsonResult() { return g_bJson; }

void WriteReport(const std::string& utf8)
{
    if (g_bJson)
        WriteErr(utf8);
    else
        WriteOut(utf8);
}

void WriteError(const std::string& utf8)
{
    WriteErr(utf8);
    NoteError(utf8);
}

void NoteError(const std::string& utf8)
{
    // One line for each line of the message.
    std::size_t start = 0;
    while (start < utf8.size()) {
        std::size_t end = utf8.find('\n', start);
        if (end == std::string::npos) end = utf8.size();
        std::string line = utf8.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) g_error += (g_error.empty() ? "" : "; ") + line;
        start = end + 1;
    }
}

void AddErrorMember(CJsonWriter& json, const CtlResult& result, int exitCode)
{
    json.Key("error");
    if (exitCode == kExitOk) {
        json.Null();
        return;
    }
    std::string error = g_error;
    if (error.empty()) {
        if (!result.refused.empty()) error = std::to_string(result.refused.size()) + " calls were refused";
        if (result.invalid != 0)
            error += (error.empty() ? "" : "; ") + std::to_string(result.invalid) + " invalid rows";
        if (error.empty()) {
            switch (exitCode) {
            case kExitUsage: error = "usage error"; break;
            case kExitConnection: error = "no connection to the server"; break;
            case kExitInterrupted: error = "interrupted"; break;
            default: error = "not everything was done"; break;
            }
        }
    }
    json.String(EscapeControlChars(error));
}

std::string CommandResultJson(const CtlResult& result, int exitCode)
{
    const TagNames naming = CatalogueTagNames(UnnamedPartWords());
    CJsonWriter json;
    json.BeginObject();
    json.Key("changed").Bool(result.Changed());
    if (result.dryRun) json.Key("would_change").Bool(result.wouldChange);
    // "changed" is the answer; the counts of what was done sit apart, under their own names.
    json.Key("counts").BeginObject();
    json.Key("added").Number(static_cast<std::int64_t>(result.added));
    json.Key("changed").Number(static_cast<std::int64_t>(result.changed));
    json.Key("deleted").Number(static_cast<std::int64_t>(result.deleted));
    json.Key("unchanged").Number(static_cast<std::int64_t>(result.unchanged));
    json.Key("refused").Number(static_cast<std::int64_t>(result.refused.size()));
    json.Key("invalid").Number(static_cast<std::int64_t>(result.invalid));
    json.EndObject();
    json.Key("port_changed").Bool(result.portChanged && !result.dryRun);
    json.Key("refusals").BeginArray();
    for (const CtlRefusal& r : result.refused) {
        json.BeginObject();
        json.Key("action").String(r.action);
        if (r.hasTag) {
            json.Key("type").Number(r.id.type);
            json.Key("address").Number(r.id.address);
            json.Key("param").Number(r.id.param);
            json.Key("name").String(Cp1251ToUtf8(naming.tagName(r.id.address, r.id.type, r.id.param)));
        }
        if (r.line != 0) json.Key("line").Number(r.line);
        json.Key("code").String(HResultText(r.hr));
        json.Key("message").String(DescribeHResult(r.hr));
        json.EndObject();
    }
    json.EndArray();
    json.Key("exit_code").Number(exitCode);
    AddErrorMember(json, result, exitCode);
    json.EndObject();
    return json.Text();
}
