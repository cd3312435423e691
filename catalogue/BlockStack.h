// A sequence that only grows at its end, whose elements never move: they live in blocks of
// 4, 8, 16, ... elements, one allocation per block, so a sequence of n elements costs about
// log2(n) allocations instead of n. An empty sequence holds no memory, and the object itself
// is two words (a catalogue holds one pair of these per parameter).
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>

template <class T>
class CBlockStack {
public:
    CBlockStack() = default;
    CBlockStack(const CBlockStack& other)
    {
        try {
            for (std::size_t i = 0; i < other.m_size; ++i)
                PushBack(other[i]);
        } catch (...) {
            Clear();
            throw;
        }
    }
    CBlockStack(CBlockStack&& other) noexcept : m_blocks(other.m_blocks), m_size(other.m_size)
    {
        other.m_blocks = nullptr;
        other.m_size = 0;
    }
    CBlockStack& operator=(const CBlockStack& other)
    {
        if (this != &other) {
            CBlockStack copy(other);
            Swap(copy);
        }
        return *this;
    }
    CBlockStack& operator=(CBlockStack&& other) noexcept
    {
        if (this != &other) {
            Clear();
            Swap(other);
        }
        return *this;
    }
    ~CBlockStack() { Clear(); }

    std::size_t Size() const { return m_size; }

    T& operator[](std::size_t index)
    {
        const Location at = Locate(index);
        return m_blocks[at.block][at.offset];
    }
    const T& operator[](std::size_t index) const
    {
        const Location at = Locate(index);
        return m_blocks[at.block][at.offset];
    }

    // Constructs the new last element from value. On an exception nothing is added.
    template <class U>
    void PushBack(U&& value)
    {
        const Location at = Locate(m_size);
        const bool newBlock = at.offset == 0;
        if (newBlock) {
            if (at.block == TableCapacity(at.block))
                GrowTable(at.block);
            m_blocks[at.block] = std::allocator<T>().allocate(BlockCapacity(at.block));
        }
        try {
            ::new (static_cast<void*>(m_blocks[at.block] + at.offset)) T(std::forward<U>(value));
        } catch (...) {
            if (newBlock)
                std::allocator<T>().deallocate(m_blocks[at.block], BlockCapacity(at.block));
            throw;
        }
        ++m_size;
    }

    // Destroys every element (the last first) and frees every block.
    void Clear()
    {
        if (m_size > 0) {
            const Location last = Locate(m_size - 1);
            for (std::size_t block = last.block + 1; block-- > 0;) {
                const std::size_t used = block == last.block ? last.offset + 1 : BlockCapacity(block);
                for (std::size_t i = used; i-- > 0;)
                    m_blocks[block][i].~T();
                std::allocator<T>().deallocate(m_blocks[block], BlockCapacity(block));
            }
        }
        delete[] m_blocks;
        m_blocks = nullptr;
        m_size = 0;
    }

    void Swap(CBlockStack& other) noexcept
    {
        std::swap(m_blocks, other.m_blocks);
        std::swap(m_size, other.m_size);
    }

private:
    static constexpr std::size_t kFirstBlock = 4;

    struct Location {
        std::size_t block;
        std::size_t offset;
    };

    static std::size_t BlockCapacity(std::size_t block) { return kFirstBlock << block; }

    // The table of block pointers has room for the least power of two of them that is at
    // least the number of blocks; it is full when that number is a power of two itself.
    static std::size_t TableCapacity(std::size_t blocks)
    {
        std::size_t capacity = blocks == 0 ? 0 : 1;
        while (capacity < blocks)
            capacity <<= 1;
        return capacity;
    }

    // A table with room for one more block than the full one has.
    void GrowTable(std::size_t blocks)
    {
        T** table = new T*[blocks == 0 ? 1 : 2 * blocks];
        for (std::size_t i = 0; i < blocks; ++i)
            table[i] = m_blocks[i];
        delete[] m_blocks;
        m_blocks = table;
    }

    // Block b holds the indexes from kFirstBlock * (2^b - 1) on: b is the position of the
    // highest set bit of index / kFirstBlock + 1.
    static Location Locate(std::size_t index)
    {
        const std::size_t block = HighestBit(index / kFirstBlock + 1);
        return {block, index - kFirstBlock * ((std::size_t(1) << block) - 1)};
    }

    // The position of the highest set bit of v (v > 0): every access goes through it.
    static std::size_t HighestBit(std::size_t v)
    {
#if defined(__GNUC__)
        return static_cast<std::size_t>(63 - __builtin_clzll(static_cast<unsigned long long>(v)));
#else
        std::size_t bit = 0;
        while (v >>= 1)
            ++bit;
        return bit;
#endif
    }

    T** m_blocks = nullptr;  // TableCapacity(number of blocks) pointers
    std::size_t m_size = 0;
};
