// The as-built report as one JSON document: the same facts as the page, for machines.
#pragma once

#include <string>

#include "report/ConfigReport.h"

std::string WriteReportJson(const ConfigReport& report);
