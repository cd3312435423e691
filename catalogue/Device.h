// Device and parameter records of the device catalogue, and the list type that holds them.
//
// Both records are plain value types: copying a CDevice copies its parameters and their
// enumeration values. Strings hold Windows-1251 bytes as read from the description files.
#pragma once

#include <cstddef>
#include <list>
#include <string>
#include <string_view>
#include <utility>

// An ordered, doubly linked list with insertion at the head and at the tail, iterated from
// head to tail. Elements never move once inserted, so pointers to them stay valid until
// they are removed.
template <class T>
class CList {
public:
    using value_type = T;
    using iterator = typename std::list<T>::iterator;
    using const_iterator = typename std::list<T>::const_iterator;

    void AddHead(const T& value) { m_items.push_front(value); }
    void AddHead(T&& value) { m_items.push_front(std::move(value)); }
    void AddTail(const T& value) { m_items.push_back(value); }
    void AddTail(T&& value) { m_items.push_back(std::move(value)); }

    std::size_t GetCount() const { return m_items.size(); }
    bool IsEmpty() const { return m_items.empty(); }
    void RemoveAll() { m_items.clear(); }

    T& GetHead() { return m_items.front(); }
    const T& GetHead() const { return m_items.front(); }
    T& GetTail() { return m_items.back(); }
    const T& GetTail() const { return m_items.back(); }

    iterator begin() { return m_items.begin(); }
    iterator end() { return m_items.end(); }
    const_iterator begin() const { return m_items.begin(); }
    const_iterator end() const { return m_items.end(); }

    bool operator==(const CList& other) const { return m_items == other.m_items; }
    bool operator!=(const CList& other) const { return !(*this == other); }

private:
    std::list<T> m_items;
};

using CStringList = CList<std::string>;

// Data type of a parameter; the code is the keyword's position in kParameterTypeKeywords.
enum ParameterType : int {
    kTypeInt = 0,
    kTypeReal = 1,
    kTypeShort = 2,
    kTypeBool = 3,
    kTypeByte = 4,
    kTypeEnum = 5,
    kTypeUnknown = 255,
};

// Memory area of a parameter; the code is the keyword's position in kMemoryAreaKeywords.
enum MemoryArea : int {
    kMemoryRam = 0,
    kMemoryEeprom = 1,
    kMemoryCommand = 2,
    kMemoryCoil = 3,
    kMemoryDiscreteInput = 4,
    kMemoryHoldingRegister = 5,
    kMemoryInputRegister = 6,
    kMemoryUnknown = 255,
};

// Access flags of a parameter.
enum AccessFlags : int {
    kAccessRead = 1,
    kAccessWrite = 2,
};

// The keywords of a description file, in code order.
inline constexpr std::string_view kParameterTypeKeywords[] = {"INT", "REAL", "SHORT", "BOOL", "BYTE", "ENUM"};
inline constexpr std::string_view kMemoryAreaKeywords[] = {"RAM",       "EEPROM",   "COMMAND", "COIL",
                                                           "DISC_INPT", "HOLD_REG", "INPT_REG"};
inline constexpr int kParameterTypeCount = 6;
inline constexpr int kMemoryAreaCount = 7;

// One parameter of a device type.
class CParameter {
public:
    CParameter() = default;
    CParameter(const std::string& name, int access, int type, int memory, int address);

    int m_nNumber = 0;        // identifies the parameter within its device type; 0: none
    std::string m_strName;    // one word; each "." adds a level to the tag's path
    int m_nAccess = 0;        // AccessFlags
    int m_nType = 0;          // ParameterType
    int m_nMemory = 0;        // MemoryArea
    int m_nAddress = 0;       // position within the memory area
    CStringList m_EnumValues; // the words of an ENUM parameter, in file order

    bool operator==(const CParameter& other) const;
    bool operator!=(const CParameter& other) const { return !(*this == other); }
};

using CParameterList = CList<CParameter>;

// One device type.
class CDevice {
public:
    CParameterList m_Parameters; // as loaded: the reverse of the file's order
    int m_nTypeCode = 0;         // identifies the device type; 0: no device
    std::string m_strName;       // one word

    bool operator==(const CDevice& other) const;
    bool operator!=(const CDevice& other) const { return !(*this == other); }
};

using CDeviceList = CList<CDevice>;
