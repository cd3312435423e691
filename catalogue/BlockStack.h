// A sequence that only grows at its end, whose elements never move: they live in blocks of
// 4, 8, 16, ... elements, one allocation per block, so a sequence of n elements costs about
// log2(n) allocations instead of n. An empty sequence holds no memory.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

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
    CBlockStack(CBlockStack&& other) noexcept : m_blocks(std::move(other.m_blocks)), m_size(other.m_size)
    {
        other.m_blocks.clear();
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
        if (at.block == m_blocks.size()) {
            // Room for the pointer first, so that a failure cannot lose the new block.
            m_blocks.reserve(m_blocks.size() + 1);
            m_blocks.push_back(std::allocator<T>().allocate(BlockCapacity(at.block)));
        }
        ::new (static_cast<void*>(m_blocks[at.block] + at.offset)) T(std::forward<U>(value));
        ++m_size;
    }

    // Destroys every element (the last first) and frees every block.
    void Clear()
    {
        for (std::size_t i = m_size; i > 0; --i)
            (*this)[i - 1].~T();
        for (std::size_t block = 0; block < m_blocks.size(); ++block)
            std::allocator<T>().deallocate(m_blocks[block], BlockCapacity(block));
        m_blocks.clear();
        m_size = 0;
    }

    void Swap(CBlockStack& other) noexcept
    {
        m_blocks.swap(other.m_blocks);
        std::swap(m_size, other.m_size);
    }

private:
    static constexpr std::size_t kFirstBlock = 4;

    struct Location {
        std::size_t block;
        std::size_t offset;
    };

    static std::size_t BlockCapacity(std::size_t block) { return kFirstBlock << block; }

    // Block b holds the indexes from kFirstBlock * (2^b - 1) on: b is the position of the
    // highest set bit of index / kFirstBlock + 1.
    static Location Locate(std::size_t index)
    {
        std::size_t scaled = index / kFirstBlock + 1;
        std::size_t block = 0;
        while (scaled >>= 1)
            ++block;
        return {block, index - kFirstBlock * ((std::size_t(1) << block) - 1)};
    }

    std::vector<T*> m_blocks;
    std::size_t m_size = 0;
};
