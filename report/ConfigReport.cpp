#include "report/ConfigReport.h"

#include <cstdio>
#include <map>
#include <utility>

#include "catalogue/Catalogue.h"
#include "catalogue/Checksum.h"
#include "catalogue/Windows1251.h"
#include "tree/RefreshPeriod.h"

namespace {

std::string Keyword(const std::string_view* keywords, int count, int code)
{
    return code >= 0 && code < count ? std::string(keywords[code]) : std::string();
}

std::string AccessText(int access)
{
    std::string text;
    if (access & kAccessRead) text += "R";
    if (access & kAccessWrite) text += "W";
    return text;
}

std::string ChecksumText(const std::filesystem::path& file)
{
    const ChecksumCheck check = CheckFileChecksum(file);
    if (check.status != ChecksumStatus::Ok && check.status != ChecksumStatus::Mismatch) return std::string();
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(check.stored));
    return text;
}

}  // namespace

std::vector<LineLoadTag> LineLoadTagsOf(const std::vector<ServerTag>& tags)
{
    std::vector<LineLoadTag> load;
    load.reserve(tags.size());
    const CDevice* device = nullptr;
    for (const ServerTag& tag : tags) {
        if (device == nullptr || device->m_nTypeCode != static_cast<int>(tag.id.type))
            device = FindDevice(static_cast<int>(tag.id.type));
        // An undescribed parameter (number 0 from the lookup) counts as one register.
        int parameterType = kTypeUnknown;
        if (device != nullptr) {
            const CParameter parameter = FindParameter(*device, static_cast<int>(tag.id.param));
            if (parameter.m_nNumber != 0) parameterType = parameter.m_nType;
        }
        load.push_back(LineLoadTag{tag.id.type, tag.id.address, tag.periodKnown ? MsFromPeriod(tag.period) : 0,
                                   RegistersOfParameterType(parameterType)});
    }
    return load;
}

ConfigReport BuildConfigReport(const ConfigReportSources& sources)
{
    ConfigReport report;
    report.computer = sources.computer;
    report.dateTime = sources.dateTime;
    report.version = sources.version;
    report.port = sources.port;
    report.gap = sources.gap;
    report.withCheck = sources.check != nullptr;

    // The file each type was taken from: the last loaded file of that type code.
    std::map<int, const DescriptionFileReport*> fileOfType;
    if (sources.files != nullptr) {
        for (const DescriptionFileReport& f : *sources.files) {
            if (f.result == DescriptionFileResult::Loaded && f.overriddenBy < 0) fileOfType[f.typeCode] = &f;
        }
    }

    std::map<std::pair<std::uint32_t, std::uint32_t>, ReportDevice> devices;  // by (address, type)
    const std::vector<ServerTag> none;
    const std::vector<ServerTag>& tags = sources.list != nullptr ? sources.list->tags : none;
    const CDevice* device = nullptr;
    for (const ServerTag& tag : tags) {
        const int type = static_cast<int>(tag.id.type);
        if (device == nullptr || device->m_nTypeCode != type) device = FindDevice(type);
        ReportDevice& d = devices[{tag.id.address, tag.id.type}];
        if (d.tags.empty()) {
            d.type = tag.id.type;
            d.address = tag.id.address;
            const std::string deviceName = device != nullptr ? device->m_strName : std::string();
            d.name = Cp1251ToUtf8(
                ComposeTreeDevicePart(deviceName, static_cast<int>(tag.id.address), type, sources.unnamed));
            const auto file = fileOfType.find(type);
            if (file != fileOfType.end()) {
                d.file = Cp1251ToUtf8(file->second->name);
                d.checksum = ChecksumText(file->second->path);
            }
        }
        ReportTag t;
        t.param = tag.id.param;
        const CParameter parameter =
            device != nullptr ? FindParameter(*device, static_cast<int>(tag.id.param)) : CParameter();
        const bool described = parameter.m_nNumber != 0;
        t.name = Cp1251ToUtf8(ComposeTreeTagName(device != nullptr ? device->m_strName : std::string(),
                                                 described ? parameter.m_strName : std::string(),
                                                 static_cast<int>(tag.id.address), type,
                                                 static_cast<int>(tag.id.param), sources.unnamed));
        if (described) {
            t.dataType = Keyword(kParameterTypeKeywords, kParameterTypeCount, parameter.m_nType);
            t.area = Keyword(kMemoryAreaKeywords, kMemoryAreaCount, parameter.m_nMemory);
            t.registerAddress = parameter.m_nAddress;
            t.access = AccessText(parameter.m_nAccess);
        }
        t.periodKnown = tag.periodKnown;
        t.periodMs = tag.periodKnown ? MsFromPeriod(tag.period) : 0;
        d.tags.push_back(std::move(t));
        ++report.tags;
    }
    if (sources.check != nullptr) {
        for (const LineCheckEntry& e : *sources.check) {
            const auto found = devices.find({e.device.address, e.device.type});
            if (found == devices.end()) continue;
            found->second.checked = true;
            found->second.check = e;
            if (e.foundType != 0) found->second.foundName = Cp1251ToUtf8(AnsweringTypeName(e.foundType, sources.typeWord));
            report.counts.Add(e.result);
        }
    }
    report.devices.reserve(devices.size());
    for (auto& d : devices) report.devices.push_back(std::move(d.second));

    report.load = EstimateLineLoad(sources.port, LineLoadTagsOf(tags));
    const std::size_t keep = std::min(sources.journalCount, sources.journal.size());
    report.journal.assign(sources.journal.end() - static_cast<std::ptrdiff_t>(keep), sources.journal.end());
    return report;
}
