// The words of the as-built report's page (report/ReportHtml.h), UTF-8, shared by zolctl
// report and the window's report.
#pragma once

#include "report/ReportHtml.h"

const ReportWords& ReportPageWords();
