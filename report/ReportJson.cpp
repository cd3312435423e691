#include "report/ReportJson.h"

#include <cstdio>

#include "common/JsonWriter.h"
#include "server/TagServer.h"

namespace {

std::string Number1(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}

}  // namespace

std::string WriteReportJson(const ConfigReport& r)
{
    CJsonWriter json;
    json.BeginObject();
    json.Key("computer").String(r.computer);
    json.Key("date_time").String(r.dateTime);
    json.Key("version").String(r.version);
    json.Key("port");
    if (r.port.known)
        json.String(FormatPortSettings(r.port));
    else
        json.Null();
    json.Key("complete").Bool(r.gap.empty());
    json.Key("gap");
    if (r.gap.empty())
        json.Null();
    else
        json.String(r.gap);
    json.Key("devices").BeginArray();
    for (const ReportDevice& d : r.devices) {
        json.BeginObject();
        json.Key("name").String(d.name);
        json.Key("type").Number(d.type).Key("address").Number(d.address);
        json.Key("tag_count").Number(static_cast<std::int64_t>(d.tags.size()));
        json.Key("file").String(d.file);
        json.Key("checksum").String(d.checksum);
        if (r.withCheck) {
            json.Key("check");
            if (!d.checked) {
                json.Null();
            } else {
                json.BeginObject();
                json.Key("result").String(LineCheckResultWord(d.check.result));
                json.Key("found_type").Number(d.check.foundType);
                json.Key("found_name");
                if (d.check.foundType != 0)
                    json.String(d.foundName);
                else
                    json.Null();
                json.Key("code").String(HResultText(d.check.hr));
                json.EndObject();
            }
        }
        json.Key("tags").BeginArray();
        for (const ReportTag& t : d.tags) {
            json.BeginObject();
            json.Key("name").String(t.name);
            json.Key("param").Number(t.param);
            json.Key("data_type").String(t.dataType);
            json.Key("area").String(t.area);
            json.Key("register");
            if (t.registerAddress >= 0)
                json.Number(t.registerAddress);
            else
                json.Null();
            json.Key("access").String(t.access);
            json.Key("period_ms");
            if (t.periodKnown)
                json.Number(t.periodMs);
            else
                json.Null();
            json.EndObject();
        }
        json.EndArray().EndObject();
    }
    json.EndArray();
    json.Key("totals").BeginObject();
    json.Key("devices").Number(static_cast<std::int64_t>(r.devices.size()));
    json.Key("tags").Number(static_cast<std::int64_t>(r.tags));
    json.EndObject();
    if (r.withCheck) {
        json.Key("counts").BeginObject();
        json.Key("ok").Number(static_cast<std::int64_t>(r.counts.ok));
        json.Key("absent").Number(static_cast<std::int64_t>(r.counts.absent));
        json.Key("other_type").Number(static_cast<std::int64_t>(r.counts.otherType));
        json.Key("failed").Number(static_cast<std::int64_t>(r.counts.failed));
        json.EndObject();
    }
    json.Key("load");
    if (!r.load.known) {
        json.Null();
    } else {
        json.BeginObject();
        json.Key("estimate").Bool(true);
        json.Key("percent").RawNumber(Number1(r.load.Percent()));
        json.Key("requests_per_second").RawNumber(Number1(r.load.requestsPerSecond));
        json.Key("capacity_per_second").RawNumber(Number1(r.load.capacityPerSecond));
        json.Key("overloaded").Bool(r.load.Overloaded());
        json.Key("busiest").BeginArray();
        for (const DeviceLoad& d : r.load.busiest) {
            json.BeginObject().Key("type").Number(d.type).Key("address").Number(d.address);
            json.Key("percent").RawNumber(Number1(d.busyFraction * 100)).EndObject();
        }
        json.EndArray().EndObject();
    }
    json.Key("journal").BeginArray();
    for (const JournalLine& l : r.journal) {
        json.BeginObject();
        json.Key("time").String(l.time).Key("user").String(l.user).Key("computer").String(l.computer);
        json.Key("program").String(l.program).Key("action").String(l.action).Key("name").String(l.name);
        json.Key("before").String(l.before).Key("after").String(l.after).Key("result").String(l.result);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    return json.Text();
}
