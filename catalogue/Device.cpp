#include "catalogue/Device.h"

CParameter::CParameter(const std::string& name, int access, int type, int memory, int address)
    : m_strName(name), m_nAccess(access), m_nType(type), m_nMemory(memory), m_nAddress(address)
{
}

bool CParameter::operator==(const CParameter& other) const
{
    return m_nNumber == other.m_nNumber && m_strName == other.m_strName &&
           m_nAccess == other.m_nAccess && m_nType == other.m_nType &&
           m_nMemory == other.m_nMemory && m_nAddress == other.m_nAddress &&
           m_EnumValues == other.m_EnumValues;
}

bool CDevice::operator==(const CDevice& other) const
{
    return m_nTypeCode == other.m_nTypeCode && m_strName == other.m_strName &&
           m_Parameters == other.m_Parameters;
}
