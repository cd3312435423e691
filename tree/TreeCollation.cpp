#include "tree/TreeCollation.h"

#include <array>

namespace {

// Lowercase partner of every Windows-1251 byte (the byte itself when it has none).
std::array<unsigned char, 256> MakeFoldTable()
{
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[c] = static_cast<unsigned char>(c);
    for (int c = 'A'; c <= 'Z'; ++c)
        table[c] = static_cast<unsigned char>(c + 32);
    for (int c = 0xC0; c <= 0xDF; ++c)  // capital A..YA
        table[c] = static_cast<unsigned char>(c + 32);
    // Cyrillic capitals outside the main block, with their small letters.
    const unsigned char pairs[][2] = {
        {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D},
        {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4},
        {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE},
    };
    for (const auto& p : pairs)
        table[p[0]] = p[1];
    return table;
}

const std::array<unsigned char, 256>& FoldTable()
{
    static const std::array<unsigned char, 256> table = MakeFoldTable();
    return table;
}

}  // namespace

unsigned char FoldCase1251(unsigned char c) { return FoldTable()[c]; }

int CompareTextNoCase(const std::string& a, const std::string& b)
{
    const auto& fold = FoldTable();
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = fold[static_cast<unsigned char>(a[i])];
        const int cb = fold[static_cast<unsigned char>(b[i])];
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return 0;
}

int CompareTextForInsertion(const std::string& a, const std::string& b)
{
    const int primary = CompareTextNoCase(a, b);
    if (primary != 0)
        return primary;
    // Same letters, same length: the first difference is one of case; lowercase first.
    const auto& fold = FoldTable();
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca != cb)
            return fold[ca] == ca ? -1 : 1;
    }
    return 0;
}
