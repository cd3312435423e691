#include "report/ReportHtml.h"

#include <cstdio>

#include "server/TagServer.h"

namespace {

// Bytes of a well-formed UTF-8 sequence starting at s[i]; 0 when there is none.
std::size_t Utf8Length(std::string_view s, std::size_t i)
{
    const unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    }
    if (n == 2 && c < 0xC2) return 0;  // over-long
    return n;
}

// One decimal, with the words' decimal mark.
std::string Number1(double v, const std::string& mark)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    std::string out = text;
    const std::size_t point = out.find('.');
    if (point != std::string::npos) out.replace(point, 1, mark);
    return out;
}

const char kStyle[] =
    "body{font-family:Arial,'Liberation Sans',sans-serif;font-size:10pt;margin:12mm;color:#000}"
    "h1{font-size:16pt}h2{font-size:12pt;margin-top:14pt;page-break-after:avoid}h1,h2{overflow-wrap:anywhere}"
    "table{border-collapse:collapse;margin:4pt 0;width:100%}"
    "th,td{border:1px solid #888;padding:2pt 4pt;text-align:left;vertical-align:top}"
    "th{background:#eee}thead{display:table-header-group}tr{page-break-inside:avoid}"
    "td.n{text-align:right}td.w{overflow-wrap:anywhere}table.j{font-size:8pt;table-layout:fixed}table.j td{overflow-wrap:anywhere}.warn{color:#a00;font-weight:bold}.note{color:#444;font-size:9pt}"
    "@page{size:A4;margin:12mm}@media print{body{margin:0}}";

class CPage {
public:
    void Raw(const std::string& html) { m_out += html; }
    void Text(const std::string& text) { m_out += EscapeHtml(text); }
    void Element(const char* tag, const std::string& text, const char* cls = nullptr)
    {
        m_out += std::string("<") + tag + (cls ? std::string(" class=\"") + cls + "\"" : std::string()) + ">";
        Text(text);
        m_out += std::string("</") + tag + ">\n";
    }
    // A table's head; with widths (percent, one per column), a table of those fixed widths.
    void Head(std::initializer_list<const std::string*> columns, std::initializer_list<int> widths = {})
    {
        if (widths.size() == 0) {
            m_out += "<table><thead><tr>";
        } else {
            m_out += "<table class=\"j\"><colgroup>";
            for (int width : widths) m_out += "<col style=\"width:" + std::to_string(width) + "%\">";
            m_out += "</colgroup><thead><tr>";
        }
        for (const std::string* c : columns) Element("th", *c);
        m_out += "</tr></thead><tbody>\n";
    }
    // Each cell's text and kind: a number (right-aligned), a name (broken anywhere, so that
    // no name however long widens the page) or other text.
    enum Cell { Plain, Number, Name };
    void Row(std::initializer_list<std::pair<std::string, Cell>> cells)
    {
        m_out += "<tr>";
        for (const auto& c : cells) {
            m_out += c.second == Number ? "<td class=\"n\">" : c.second == Name ? "<td class=\"w\">" : "<td>";
            Text(c.first);
            m_out += "</td>";
        }
        m_out += "</tr>\n";
    }
    void EndTable() { m_out += "</tbody></table>\n"; }
    std::string Take() { return std::move(m_out); }

private:
    std::string m_out;
};

std::string CheckText(const ReportDevice& d, const ReportWords& w)
{
    if (!d.checked) return w.checkNotReached;
    switch (d.check.result) {
    case LineCheckResult::Ok: return w.checkOk;
    case LineCheckResult::Absent: return w.checkAbsent;
    case LineCheckResult::OtherType:
        return FillPattern(FillPattern(w.checkOther, "{name}", d.foundName), "{type}", std::to_string(d.check.foundType));
    case LineCheckResult::Failed: {
        return FillPattern(w.checkFailed, "{code}", HResultText(d.check.hr));
    }
    }
    return std::string();
}

std::string PortText(const PortSettings& port, const ReportWords& w)
{
    if (!port.known) return w.portUnknown;
    std::string text = port.port == 0 ? w.noPort : "COM" + std::to_string(port.port);
    text += ", " + std::to_string(port.baudRate) + ", " + std::to_string(port.dataBits) + ", ";
    text += port.parity < 5 ? w.parity[port.parity] : std::to_string(port.parity);
    return text + ", " + StopBitsName(port.stopBits);
}

}  // namespace

std::string EscapeHtml(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char c = utf8[i];
        switch (c) {
        case '&': out += "&amp;"; ++i; continue;
        case '<': out += "&lt;"; ++i; continue;
        case '>': out += "&gt;"; ++i; continue;
        case '"': out += "&quot;"; ++i; continue;
        case '\'': out += "&#39;"; ++i; continue;
        default: break;
        }
        const std::size_t n = Utf8Length(utf8, i);
        const unsigned char u = static_cast<unsigned char>(c);
        if (n == 0 || (n == 1 && ((u < 0x20 && c != '\t' && c != '\n') || u == 0x7F))) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        out.append(utf8.substr(i, n));
        i += n;
    }
    return out;
}

std::string FillPattern(std::string pattern, const std::string& key, const std::string& value)
{
    for (std::size_t at = pattern.find(key); at != std::string::npos; at = pattern.find(key, at + value.size()))
        pattern.replace(at, key.size(), value);
    return pattern;
}

std::string WriteReportHtml(const ConfigReport& r, const ReportWords& w)
{
    CPage page;
    page.Raw("<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\"><title>");
    page.Text(w.title);
    page.Raw("</title><style>" + std::string(kStyle) + "</style></head><body>\n");
    page.Element("h1", w.title);
    page.Raw("<table>");
    page.Row({{w.computer, CPage::Plain}, {r.computer, CPage::Plain}});
    page.Row({{w.dateTime, CPage::Plain}, {r.dateTime, CPage::Plain}});
    page.Row({{w.version, CPage::Plain}, {r.version, CPage::Plain}});
    page.Row({{w.port, CPage::Plain}, {PortText(r.port, w), CPage::Plain}});
    page.EndTable();
    if (!r.gap.empty()) page.Element("p", FillPattern(w.gap, "{gap}", r.gap), "warn");

    page.Element("h2", w.devices);
    if (r.devices.empty()) {
        page.Element("p", w.noDevices);
    } else {
        page.Raw("<table><thead><tr>");
        for (const std::string* c : {&w.colName, &w.colType, &w.colAddress, &w.colTags, &w.colFile, &w.colChecksum})
            page.Element("th", *c);
        if (r.withCheck) page.Element("th", w.colCheck);
        page.Raw("</tr></thead><tbody>\n");
        for (const ReportDevice& d : r.devices) {
            page.Raw("<tr>");
            page.Element("td", d.name, "w");
            page.Raw("<td class=\"n\">" + std::to_string(d.type) + "</td><td class=\"n\">" + std::to_string(d.address) +
                     "</td><td class=\"n\">" + std::to_string(d.tags.size()) + "</td>");
            page.Element("td", d.file);
            page.Element("td", d.checksum);
            if (r.withCheck) page.Element("td", CheckText(d, w));
            page.Raw("</tr>\n");
        }
        page.EndTable();
    }

    page.Element("h2", w.loadHeading);
    if (!r.load.known) {
        page.Element("p", w.loadUnknown);
    } else {
        std::string line = FillPattern(w.loadLine, "{percent}", Number1(r.load.Percent(), w.decimalMark));
        line = FillPattern(line, "{asked}", Number1(r.load.requestsPerSecond, w.decimalMark));
        line = FillPattern(line, "{carried}", Number1(r.load.capacityPerSecond, w.decimalMark));
        page.Element("p", line);
        if (r.load.Overloaded()) {
            std::string busiest;
            for (const DeviceLoad& d : r.load.busiest) {
                for (const ReportDevice& device : r.devices) {
                    if (device.type == d.type && device.address == d.address)
                        busiest += (busiest.empty() ? "" : ", ") + device.name + " " + Number1(d.busyFraction * 100, w.decimalMark) + " %";
                }
            }
            page.Element("p", FillPattern(w.loadOverloaded, "{devices}", busiest), "warn");
        }
    }
    page.Element("p", w.loadModel, "note");

    for (const ReportDevice& d : r.devices) {
        page.Element("h2", FillPattern(w.tagsOf, "{device}", d.name));
        page.Head({&w.colName, &w.colParam, &w.colDataType, &w.colArea, &w.colRegister, &w.colAccess, &w.colPeriod});
        for (const ReportTag& t : d.tags)
            page.Row({{t.name, CPage::Name},
                      {std::to_string(t.param), CPage::Number},
                      {t.dataType, CPage::Plain},
                      {t.area, CPage::Plain},
                      {t.registerAddress >= 0 ? std::to_string(t.registerAddress) : std::string(), CPage::Number},
                      {t.access, CPage::Plain},
                      {t.periodKnown ? std::to_string(t.periodMs) : std::string("?"), CPage::Number}});
        page.EndTable();
    }

    page.Element("h2", w.totals);
    page.Element("p", FillPattern(w.totalsDevices, "{n}", std::to_string(r.devices.size())) + ", " +
                          FillPattern(w.totalsTags, "{n}", std::to_string(r.tags)));

    page.Element("h2", w.journal);
    if (r.journal.empty()) {
        page.Element("p", w.journalNone);
    } else {
        page.Head({&w.colTime, &w.colUser, &w.colProgram, &w.colAction, &w.colName, &w.colBefore, &w.colAfter,
                   &w.colResult},
                  {17, 12, 11, 14, 18, 10, 9, 9});
        for (const JournalLine& l : r.journal)
            page.Row({{l.time, CPage::Plain},
                      {l.user, CPage::Name},
                      {l.program, CPage::Plain},
                      {l.action, CPage::Plain},
                      {l.name, CPage::Name},
                      {l.before, CPage::Name},
                      {l.after, CPage::Name},
                      {l.result, CPage::Name}});
        page.EndTable();
    }
    page.Raw("</body></html>\n");
    return page.Take();
}
