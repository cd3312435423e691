#include "ctl/CtlResult.h"

#include <cstdio>

#include "common/JsonWriter.h"
#include "ctl/CtlConsole.h"
#include "server/ServerErrors.h"
#include "ui/TagWords.h"
#include "tagfile/TagNaming.h"
#include "tagfile/TextEncoding.h"

namespace {

bool g_bJson = false;

std::string CodeText(HResult hr)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(static_cast<std::uint32_t>(hr)));
    return text;
}

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

std::string CommandResultJson(const CtlResult& result, int exitCode)
{
    const TagNaming naming = CatalogueTagNaming(UnnamedPartWords());
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
        json.Key("code").String(CodeText(r.hr));
        json.Key("message").String(DescribeHResult(r.hr));
        json.EndObject();
    }
    json.EndArray();
    json.Key("exit_code").Number(exitCode);
    json.EndObject();
    return json.Text();
}
