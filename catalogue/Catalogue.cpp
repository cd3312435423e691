#include "catalogue/Catalogue.h"

CDeviceList g_DeviceCatalogue;

const CDevice* FindDevice(int typeCode)
{
    for (const CDevice& device : g_DeviceCatalogue) {
        if (device.m_nTypeCode == typeCode)
            return &device;
    }
    return nullptr;
}

CDevice GetDevice(int typeCode)
{
    const CDevice* device = FindDevice(typeCode);
    return device ? *device : CDevice();
}

std::string GetDeviceName(int typeCode)
{
    const CDevice* device = FindDevice(typeCode);
    return device ? device->m_strName : std::string();
}

namespace {

const CParameter* FindParameterIn(const CDevice& device, int number)
{
    for (const CParameter& parameter : device.m_Parameters) {
        if (parameter.m_nNumber == number)
            return &parameter;
    }
    return nullptr;
}

}  // namespace

CParameter FindParameter(const CDevice& device, int number)
{
    if (const CParameter* parameter = FindParameterIn(device, number))
        return *parameter;
    return CParameter(std::string(), kAccessRead, kTypeInt, kMemoryRam, 0);
}

CParameter GetParameter(int typeCode, int number)
{
    const CDevice* device = FindDevice(typeCode);
    if (!device)
        return CParameter(std::string(), 0, 0, 0, 0);
    return FindParameter(*device, number);
}

std::string GetParameterName(int typeCode, int number)
{
    // Looks the name up in place rather than through GetParameter's copy.
    const CDevice* device = FindDevice(typeCode);
    if (!device)
        return std::string();
    const CParameter* parameter = FindParameterIn(*device, number);
    return parameter ? parameter->m_strName : std::string();
}

void FreeDeviceCatalogue()
{
    g_DeviceCatalogue.RemoveAll();
}
