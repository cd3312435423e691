// The as-built report: the facts of a configured plant gathered into one model, which an
// HTML page (ReportHtml.h) and a JSON document (ReportJson.h) render for both front ends.
// Every text in the model is UTF-8 and may hold anything (it comes from description files,
// the server and the journal): the writers escape it. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/DescriptionFilesReport.h"
#include "history/Journal.h"
#include "search/LineCheck.h"
#include "search/LineLoad.h"
#include "serial/PortSettings.h"
#include "tagfile/ServerTags.h"
#include "tree/TreeTagName.h"

struct ReportTag {
    std::uint32_t param = 0;
    std::string name;      // the tree's name of the tag
    std::string dataType;  // the description's keyword ("REAL"); "" when undescribed
    std::string area;      // "INPT_REG"; "" when undescribed
    int registerAddress = -1;  // -1 when undescribed
    std::string access;    // "R", "W", "RW"; "" when undescribed
    std::int64_t periodMs = 0;
    bool periodKnown = false;
};

struct ReportDevice {
    std::uint32_t type = 0, address = 0;
    std::string name;      // the tree's name: "PM3F(001)"
    std::string file;      // the description file the catalogue took the type from; "" when none
    std::string checksum;  // its stored checksum, "0x1234ABCD"; "" when none
    std::vector<ReportTag> tags;
    bool checked = false;  // a line check ran and reached it
    LineCheckEntry check;
    std::string foundName;  // of check.foundType, when another type answered
};

struct ConfigReport {
    std::string computer, dateTime, version;
    PortSettings port;
    std::vector<ReportDevice> devices;  // by ascending address, then type
    std::size_t tags = 0;
    std::string gap;  // why the server's list is not whole; "" when it is
    bool withCheck = false;
    LineCheckCounts counts;
    LineLoadEstimate load;
    std::vector<JournalLine> journal;  // the last lines asked for, oldest first
};

struct ConfigReportSources {
    std::string computer, dateTime, version;  // UTF-8
    PortSettings port;
    const ServerTagList* list = nullptr;
    std::string gap;  // the front end's words for list->Gap(false); "" when whole
    // The description files the catalogue was loaded from (null: no file column).
    const std::vector<DescriptionFileReport>* files = nullptr;
    const std::vector<LineCheckEntry>* check = nullptr;  // null: no check
    std::vector<JournalLine> journal;                    // every line read, oldest first
    std::size_t journalCount = 50;                       // the last lines to keep; 0 none
    UnnamedPartTexts unnamed;                            // stand-in words (Windows-1251)
    std::string typeWord = "type ";                      // for a type no description has
};

// The model from the sources and the loaded catalogue (g_DeviceCatalogue).
ConfigReport BuildConfigReport(const ConfigReportSources& sources);

// The load estimate's tags from a server list and the catalogue's parameter types.
std::vector<LineLoadTag> LineLoadTagsOf(const std::vector<ServerTag>& tags);
