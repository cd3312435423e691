#include "catalogue/DescriptionFilesReport.h"

#include <map>
#include <sstream>

#include "catalogue/CatalogueLoader.h"
#include "catalogue/Checksum.h"
#include "catalogue/DescriptionLint.h"
#include "catalogue/DescriptionReader.h"

DescriptionFileResult ClassifyDescriptionFile(bool loaded, bool readable, std::string_view bytes)
{
    if (loaded)
        return DescriptionFileResult::Loaded;
    if (!readable && bytes.empty())
        return DescriptionFileResult::CannotRead;
    // The loader checks the checksum over what it read before it looks at a read error.
    if (CheckChecksum(bytes).status != ChecksumStatus::Ok)
        return DescriptionFileResult::WrongChecksum;
    if (!readable)
        return DescriptionFileResult::CannotRead;
    return DescriptionFileResult::NotADescription;
}

void MarkOverriddenFiles(std::vector<DescriptionFileReport>& reports)
{
    std::map<int, int> lastOfType;  // type code -> index of the last loaded file with it
    for (std::size_t i = 0; i < reports.size(); ++i) {
        if (reports[i].result == DescriptionFileResult::Loaded)
            lastOfType[reports[i].typeCode] = static_cast<int>(i);
    }
    for (std::size_t i = 0; i < reports.size(); ++i) {
        DescriptionFileReport& report = reports[i];
        report.overriddenBy = -1;
        if (report.result != DescriptionFileResult::Loaded)
            continue;
        const int last = lastOfType[report.typeCode];
        if (last != static_cast<int>(i))
            report.overriddenBy = last;
    }
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

DescriptionFileReport ReportDescriptionFile(const std::filesystem::path& file, const std::string& name)
{
    DescriptionFileReport report;
    report.name = name;
    report.path = file;

    CDevice device;
    std::ostringstream messages;
    const bool loaded = LoadDeviceFile(file, name, device, messages) == 0;
    report.messages = SplitLines(messages.str());

    std::string bytes;
    const bool readable = ReadFileBytes(file, bytes) == FileReadStatus::Ok;
    report.result = ClassifyDescriptionFile(loaded, readable, bytes);
    if (loaded) {
        report.typeCode = device.m_nTypeCode;
        report.deviceName = device.m_strName;
        report.parameters = device.m_Parameters.GetCount();
    }
    if (readable) report.findings = FindDescriptionMistakes(bytes, name);
    return report;
}

std::vector<DescriptionFileReport> ReportDescriptionFiles(const std::filesystem::path& directory)
{
    std::vector<DescriptionFileReport> reports;
    for (const DescriptionFileEntry& file : ListDescriptionFiles(directory))
        reports.push_back(ReportDescriptionFile(file.path, file.name));
    MarkOverriddenFiles(reports);
    return reports;
}
