#include "ServerFiles.h"

#include <algorithm>
#include <sstream>

#include "StandinFixture.h"

namespace {

// The file's records: lines without comments, blanks and line-end CRs.
std::vector<std::string> Records(const std::string& name)
{
    std::istringstream in(standin::ReadStateFile(name));
    std::vector<std::string> records;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] != '#') records.push_back(line);
    }
    return records;
}

}  // namespace

std::vector<std::string> ServerTags()
{
    std::vector<std::string> tags;
    for (const std::string& record : Records("tags.txt")) {
        std::istringstream fields(record);
        std::string type, address, param, period;
        fields >> type >> address >> param >> period;
        tags.push_back(type + " " + address + " " + param + " " + period);
    }
    return Sorted(tags);
}

std::string PortRecord()
{
    const std::vector<std::string> records = Records("port.txt");
    return records.empty() ? std::string() : records.front();
}

std::vector<std::string> Sorted(std::vector<std::string> lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}
