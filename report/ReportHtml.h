// The as-built report as one self-contained HTML page: UTF-8, the style inline, no script,
// tables that print on A4 (a row is never cut across pages, the header repeats). Every text
// of the model goes through EscapeHtml. The words come from the front end (UTF-8).
#pragma once

#include <string>
#include <string_view>

#include "report/ConfigReport.h"

// The text with & < > " ' as character references; a byte that is not UTF-8 or a control
// character other than tab and line end becomes U+FFFD, so nothing can open markup.
std::string EscapeHtml(std::string_view utf8);

struct ReportWords {
    std::string title, computer, dateTime, version, port, noPort, portUnknown;
    std::string devices, colName, colType, colAddress, colTags, colFile, colChecksum, colCheck;
    std::string tagsOf, colParam, colDataType, colArea, colRegister, colAccess, colPeriod;
    std::string totals, totalsDevices, totalsTags;  // totalsDevices/-Tags: "{n}" for the count
    std::string checkOk, checkAbsent, checkOther, checkFailed, checkNotReached;  // checkOther: "{name}", "{type}"
    std::string loadHeading, loadLine, loadUnknown, loadOverloaded, loadModel;  // loadLine: {percent} {asked} {carried}
    std::string journal, journalNone, colTime, colUser, colProgram, colAction, colBefore, colAfter, colResult;
    std::string noDevices, gap;  // gap: "{gap}"
    std::string parity[5];       // the port's words
    std::string decimalMark = ".";
};

std::string WriteReportHtml(const ConfigReport& report, const ReportWords& words);

// "{key}" in pattern replaced with value (every occurrence).
std::string FillPattern(std::string pattern, const std::string& key, const std::string& value);
