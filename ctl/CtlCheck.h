// The line check as zolctl runs it (check, report --check): progress on a console's
// standard error, Ctrl+C ends it before the next probe.
#pragma once

#include <vector>

#include "search/LineCheck.h"

struct CtlCheckRun {
    std::vector<LineCheckEntry> entries;  // in the order checked
    HResult lost = kS_OK;                 // the server went away with this code
    bool stopped = false;                 // Ctrl+C
};

CtlCheckRun RunCtlLineCheck(ITagServer& server, const std::vector<ConfiguredDevice>& devices);
