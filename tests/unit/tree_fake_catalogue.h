// A stand-in for the device catalogue's tag naming in tree tests and benchmarks: device and
// parameter names from tables, formed by the rules of FormatTagName (empty name for
// address 0 or 255, type code 0 or parameter number 0; empty pieces for what is missing).
#pragma once

#include "tree/TagNameFunction.h"
#include "tree/TreeTagName.h"

#include <cstdio>
#include <map>
#include <string>
#include <utility>

class CFakeCatalogue {
public:
    void Device(int typeCode, std::string name) { m_devices[typeCode] = std::move(name); }
    void Parameter(int typeCode, int number, std::string name)
    {
        m_params[{typeCode, number}] = std::move(name);
    }

    std::string DevicePart(int address, int typeCode) const
    {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%03d", address);
        const auto d = m_devices.find(typeCode);
        return (d == m_devices.end() ? std::string() : d->second) + "(" + digits + ")";
    }

    std::string Name(int address, int typeCode, int number) const
    {
        if (address == 0 || address == 255 || typeCode == 0 || number == 0)
            return std::string();
        const auto p = m_params.find({typeCode, number});
        return DevicePart(address, typeCode) + "." +
               (p == m_params.end() ? std::string() : p->second);
    }

    TagNameFunction Namer() const
    {
        return [this](int address, int typeCode, int number) {
            return Name(address, typeCode, number);
        };
    }

    // The main window's node texts: every address formatted, stand-ins for missing names.
    TagNameFunction TreeNamer() const
    {
        return [this](int address, int typeCode, int number) {
            const auto d = m_devices.find(typeCode);
            const auto p = m_params.find({typeCode, number});
            return ComposeTreeTagName(d == m_devices.end() ? std::string() : d->second,
                                      p == m_params.end() ? std::string() : p->second, address,
                                      typeCode, number, UnnamedPartTexts{"Type ", "Param "});
        };
    }

private:
    std::map<int, std::string> m_devices;
    std::map<std::pair<int, int>, std::string> m_params;
};
