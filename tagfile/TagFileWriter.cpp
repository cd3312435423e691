#include "tagfile/TagFileWriter.h"

#include "tagfile/TextEncoding.h"
#include "tree/RefreshPeriod.h"
#include "tree/TagKey.h"

#include <cstdio>

namespace {

bool NeedsQuotes(const std::string& field, char separator, bool first)
{
    if (field.empty()) return false;
    if (field.front() == ' ' || field.back() == ' ') return true;
    if (first && field.front() == '#') return true;
    if (field.front() == '"') return true;
    for (char c : field) {
        if (c == separator || c == '"' || c == '\r' || c == '\n') return true;
    }
    return false;
}

void AppendField(std::string& out, const std::string& field, char separator, bool first)
{
    if (!NeedsQuotes(field, separator, first)) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void AppendNumber(std::string& out, std::uint64_t value)
{
    char digits[24];
    std::snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(value));
    out += digits;
}

bool LooksLikeFormula(const std::string& text, std::size_t from)
{
    while (from < text.size() && text[from] == '\'') ++from;
    if (from >= text.size()) return false;
    const char c = text[from];
    return c == '=' || c == '+' || c == '-' || c == '@';
}

}  // namespace

std::string GuardFormula(const std::string& text)
{
    return LooksLikeFormula(text, 0) ? "'" + text : text;
}

std::string UnguardFormula(const std::string& text)
{
    return !text.empty() && text[0] == '\'' && LooksLikeFormula(text, 1) ? text.substr(1) : text;
}

std::string FormatPeriodField(const TagFileRecord& record)
{
    if (!record.periodKnown) return std::string();
    const std::int64_t period = record.period;
    const std::uint64_t magnitude =
        period < 0 ? 0 - static_cast<std::uint64_t>(period) : static_cast<std::uint64_t>(period);
    std::string text = period < 0 ? "-" : "";
    AppendNumber(text, magnitude / kPeriodUnitsPerMs);
    unsigned fraction = static_cast<unsigned>(magnitude % kPeriodUnitsPerMs);
    if (fraction != 0) {
        char decimals[8];
        std::snprintf(decimals, sizeof decimals, ".%04u", fraction);
        std::string d = decimals;
        while (d.back() == '0') d.pop_back();
        text += d;
    }
    return text;
}

unsigned RecordProblems(const TagFileRecord& record)
{
    unsigned problems = 0;
    if (record.id.type < kFileTypeMin || record.id.type > kFileTypeMax) problems |= kRecordTypeOutOfRange;
    if (record.id.address < kFileAddressMin || record.id.address > kFileAddressMax)
        problems |= kRecordAddressOutOfRange;
    if (!IsTagParameterNumber(record.id.param)) problems |= kRecordParamOutOfRange;
    if (!record.periodKnown) {
        problems |= kRecordPeriodUnknown;
    } else {
        if (record.period % kPeriodUnitsPerMs != 0) problems |= kRecordPeriodNotWhole;
        if (record.period < 0 || record.period > PeriodFromMs(kFilePeriodMaxMs))
            problems |= kRecordPeriodOutOfRange;
    }
    return problems;
}

std::string DescribeRecordProblems(const TagFileRecord& record)
{
    const unsigned problems = RecordProblems(record);
    std::string text;
    auto add = [&](const std::string& part) {
        if (!text.empty()) text += "; ";
        text += part;
    };
    if (problems & kRecordTypeOutOfRange) add("type " + std::to_string(record.id.type) + " is outside 1..255");
    if (problems & kRecordAddressOutOfRange)
        add("address " + std::to_string(record.id.address) + " is outside 1..247");
    if (problems & kRecordParamOutOfRange) add("param " + std::to_string(record.id.param) + " is outside 1..65534");
    if (problems & kRecordPeriodNotWhole)
        add("period " + FormatPeriodField(record) + " ms is not a whole number of milliseconds");
    if (problems & kRecordPeriodOutOfRange)
        add("period " + FormatPeriodField(record) + " ms is outside 0..86400000");
    if (problems & kRecordPeriodUnknown) add("the server did not give the period");
    return text;
}

std::string WriteTagFile(const std::vector<TagFileRecord>& records, const TagFileFormat& format)
{
    const bool utf8 = format.encoding != TagFileEncoding::Cp1251;
    const char sep = format.separator;
    const char* lineEnd = format.crlf ? "\r\n" : "\n";

    std::string out;
    out.reserve(64 + records.size() * 64);
    if (utf8 && format.byteOrderMark) out += "\xEF\xBB\xBF";
    for (int c = 0; c < kTagFileColumnCount; ++c) {
        if (c) out += sep;
        out += kTagFileColumns[c];
    }
    out += lineEnd;
    for (const TagFileRecord& r : records) {
        AppendField(out, GuardFormula(utf8 ? Cp1251ToUtf8(r.device) : r.device), sep, true);
        out += sep;
        AppendNumber(out, r.id.address);
        out += sep;
        AppendNumber(out, r.id.type);
        out += sep;
        AppendNumber(out, r.id.param);
        out += sep;
        AppendField(out, GuardFormula(utf8 ? Cp1251ToUtf8(r.name) : r.name), sep, false);
        out += sep;
        out += FormatPeriodField(r);
        out += lineEnd;
    }
    return out;
}

std::string WriteTagListJson(const std::vector<TagFileRecord>& records)
{
    std::string out = "[";
    bool first = true;
    for (const TagFileRecord& r : records) {
        out += first ? "\n" : ",\n";
        first = false;
        out += "{\"device\":";
        AppendJsonString(out, Cp1251ToUtf8(r.device));
        out += ",\"address\":";
        AppendNumber(out, r.id.address);
        out += ",\"type\":";
        AppendNumber(out, r.id.type);
        out += ",\"param\":";
        AppendNumber(out, r.id.param);
        out += ",\"name\":";
        AppendJsonString(out, Cp1251ToUtf8(r.name));
        out += ",\"period_ms\":";
        out += r.periodKnown ? FormatPeriodField(r) : "null";
        out += "}";
    }
    out += first ? "]\n" : "\n]\n";
    return out;
}

void AppendCsvField(std::string& out, const std::string& field, char separator, bool first)
{
    AppendField(out, field, separator, first);
}
