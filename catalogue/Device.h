// Device and parameter records of the device catalogue, and the list type that holds them.
//
// Both records are plain value types: copying a CDevice copies its parameters and their
// enumeration values. Strings hold Windows-1251 bytes as read from the description files.
#pragma once

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "catalogue/BlockStack.h"

// An ordered list with insertion at the head and at the tail, iterated from head to tail.
// Elements never move once inserted, so pointers and references to them stay valid until
// they are removed; iterators are invalidated by an insertion, as a deque's are. The
// elements live in blocks (BlockStack.h), not one allocation per element: a description
// file's hundreds of parameters cost a handful of allocations.
template <class T>
class CList {
    template <bool Const>
    class Iterator;

public:
    using value_type = T;
    using iterator = Iterator<false>;
    using const_iterator = Iterator<true>;

    void AddHead(const T& value) { m_front.PushBack(value); }
    void AddHead(T&& value) { m_front.PushBack(std::move(value)); }
    void AddTail(const T& value) { m_back.PushBack(value); }
    void AddTail(T&& value) { m_back.PushBack(std::move(value)); }

    std::size_t GetCount() const { return m_front.Size() + m_back.Size(); }
    bool IsEmpty() const { return GetCount() == 0; }
    void RemoveAll()
    {
        m_front.Clear();
        m_back.Clear();
    }

    T& GetHead() { return At(0); }
    const T& GetHead() const { return At(0); }
    T& GetTail() { return At(GetCount() - 1); }
    const T& GetTail() const { return At(GetCount() - 1); }

    iterator begin() { return iterator(this, 0); }
    iterator end() { return iterator(this, GetCount()); }
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, GetCount()); }

    bool operator==(const CList& other) const
    {
        if (GetCount() != other.GetCount())
            return false;
        for (std::size_t i = 0; i < GetCount(); ++i) {
            if (!(At(i) == other.At(i)))
                return false;
        }
        return true;
    }
    bool operator!=(const CList& other) const { return !(*this == other); }

private:
    // The element at a position counted from the head. The elements added at the head are
    // kept in the order they came, so the head is the last of them.
    T& At(std::size_t position)
    {
        const std::size_t front = m_front.Size();
        return position < front ? m_front[front - 1 - position] : m_back[position - front];
    }
    const T& At(std::size_t position) const { return const_cast<CList*>(this)->At(position); }

    template <bool Const>
    class Iterator {
    public:
        using iterator_category = std::bidirectional_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = std::conditional_t<Const, const T*, T*>;
        using reference = std::conditional_t<Const, const T&, T&>;
        using List = std::conditional_t<Const, const CList, CList>;

        Iterator() = default;
        Iterator(List* list, std::size_t position) : m_list(list), m_position(position) {}
        // An iterator converts to a const_iterator.
        template <bool C = Const, class = std::enable_if_t<C>>
        Iterator(const Iterator<false>& other) : m_list(other.m_list), m_position(other.m_position)
        {
        }

        reference operator*() const { return m_list->At(m_position); }
        pointer operator->() const { return &m_list->At(m_position); }
        Iterator& operator++()
        {
            ++m_position;
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator before = *this;
            ++m_position;
            return before;
        }
        Iterator& operator--()
        {
            --m_position;
            return *this;
        }
        Iterator operator--(int)
        {
            Iterator before = *this;
            --m_position;
            return before;
        }
        friend bool operator==(const Iterator& a, const Iterator& b)
        {
            return a.m_list == b.m_list && a.m_position == b.m_position;
        }
        friend bool operator!=(const Iterator& a, const Iterator& b) { return !(a == b); }

    private:
        friend class Iterator<!Const>;
        List* m_list = nullptr;
        std::size_t m_position = 0;
    };

    CBlockStack<T> m_front;  // added at the head, in the order they came
    CBlockStack<T> m_back;   // added at the tail, in the order they came
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
