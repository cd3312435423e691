#include "catalogue/Checksum.h"

#include <array>
#include <fstream>
#include <iostream>
#include <system_error>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define ZOL_CHECKSUM_CARRYLESS 1
#include <immintrin.h>
#endif

namespace {

// The register always holds the remainder of the data bits, read as a polynomial over
// GF(2) with the first bit highest, modulo G = x^31 + (the low 31 bits of the polynomial
// constant): each bit step is r = (r * x + bit) mod G. Hence
//   one byte:      r' = (r * x^8   + byte) mod G
//   sixteen bytes: r' = (r * x^128 + c0 * x^120 + ... + c15) mod G
// and each product of a byte and a power of x is a table lookup; the last four bytes,
// a polynomial of degree below 32, need at most one exclusive-or with G.

constexpr std::uint32_t MultiplyByX(std::uint32_t v)  // v < 2^31
{
    v <<= 1;
    return (v & 0x80000000u) ? v ^ kChecksumPolynomial : v;
}

// Bytes folded per step of the main loop.
constexpr int kSliceBytes = 16;

struct ChecksumTables {
    std::uint32_t byteStep[256];             // (b * x^31) mod G: the one-byte step
    std::uint32_t power[kSliceBytes][256];   // power[k][b] = (b * x^(32 + 8k)) mod G
};

// (b * x^n) mod G for every byte b, built from the images of the eight single bits.
constexpr void FillPowerRow(std::uint32_t (&row)[256], int n)
{
    std::uint32_t bit[8] = {};
    for (int k = 0; k < 8; ++k) {
        std::uint32_t v = 1u << k;
        for (int i = 0; i < n; ++i)
            v = MultiplyByX(v);
        bit[k] = v;
    }
    for (int b = 0; b < 256; ++b) {
        std::uint32_t v = 0;
        for (int k = 0; k < 8; ++k) {
            if (b & (1 << k))
                v ^= bit[k];
        }
        row[b] = v;
    }
}

constexpr ChecksumTables MakeTables()
{
    ChecksumTables t{};
    FillPowerRow(t.byteStep, 31);
    for (int k = 0; k < kSliceBytes; ++k)
        FillPowerRow(t.power[k], 32 + 8 * k);
    return t;
}

constexpr ChecksumTables kTables = MakeTables();

// A 32-bit value as a polynomial of degree <= 31, reduced mod G.
inline std::uint32_t Reduce32(std::uint32_t v)
{
    return v ^ (kChecksumPolynomial & (0u - (v >> 31)));
}

inline std::uint32_t LoadBigEndian32(const unsigned char* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

// Sixteen bytes c0..c15 as c0 * x^120 + ... + c15, reduced mod G.
inline std::uint32_t DataPart(const unsigned char* bytes)
{
    const auto& p = kTables.power;
    return p[11][bytes[0]] ^ p[10][bytes[1]] ^ p[9][bytes[2]] ^ p[8][bytes[3]] ^ p[7][bytes[4]] ^
           p[6][bytes[5]] ^ p[5][bytes[6]] ^ p[4][bytes[7]] ^ p[3][bytes[8]] ^ p[2][bytes[9]] ^
           p[1][bytes[10]] ^ p[0][bytes[11]] ^ Reduce32(LoadBigEndian32(bytes + 12));
}

// r * x^128 mod G: r's four bytes sit at x^(128 + 24), x^(128 + 16), x^(128 + 8), x^128.
inline std::uint32_t RegisterPart(std::uint32_t reg)
{
    const auto& p = kTables.power;
    return p[15][reg >> 24] ^ p[14][(reg >> 16) & 0xFF] ^ p[13][(reg >> 8) & 0xFF] ^ p[12][reg & 0xFF];
}

#ifdef ZOL_CHECKSUM_CARRYLESS

// Long runs of bytes on processors with a carry-less multiply. Sixteen bytes at a time are a
// polynomial B of degree below 128 (the byte order reversed, so that bit k is x^k), and
// A * x^128 for such a value A = H * x^64 + L is, mod G, H * (x^192 mod G) + L * (x^128 mod
// G): two 64 x 32-bit products, of degree below 95. Four such sums run side by side, each
// moved on by 512 bits per step, and are joined at the end; the last 128-bit value is
// reduced by the tables. The result equals the table-driven one bit for bit.

constexpr std::uint32_t PowerOfXModG(int n)
{
    std::uint32_t v = 1;
    for (int i = 0; i < n; ++i)
        v = MultiplyByX(v);
    return v;
}

__attribute__((target("pclmul,ssse3"))) inline __m128i LoadBlock(const unsigned char* p)
{
    const __m128i reverse = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), reverse);
}

// a * x^d mod G, not fully reduced (degree below 95); k holds x^(d + 64) mod G in its low
// half and x^d mod G in its high half.
__attribute__((target("pclmul,ssse3"))) inline __m128i MoveOn(__m128i a, __m128i k)
{
    return _mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x01), _mm_clmulepi64_si128(a, k, 0x10));
}

// reg (below 2^31) folded with blocks * 16 bytes (blocks >= 4).
__attribute__((target("pclmul,ssse3"))) std::uint32_t FoldBlocksCarryless(std::uint32_t reg,
                                                                           const unsigned char* bytes,
                                                                           std::size_t blocks)
{
    const __m128i by512 = _mm_set_epi64x(PowerOfXModG(512), PowerOfXModG(576));
    const __m128i by128 = _mm_set_epi64x(PowerOfXModG(128), PowerOfXModG(192));
    // reg * x^(128 * blocks) = (reg * x^128) * x^(128 * (blocks - 1)): the register joins the
    // first block as its residue reg * x^128 mod G.
    __m128i a0 = _mm_xor_si128(LoadBlock(bytes), _mm_cvtsi32_si128(static_cast<int>(RegisterPart(reg))));
    __m128i a1 = LoadBlock(bytes + 16);
    __m128i a2 = LoadBlock(bytes + 32);
    __m128i a3 = LoadBlock(bytes + 48);
    bytes += 64;
    blocks -= 4;
    for (; blocks >= 4; blocks -= 4, bytes += 64) {
        a0 = _mm_xor_si128(MoveOn(a0, by512), LoadBlock(bytes));
        a1 = _mm_xor_si128(MoveOn(a1, by512), LoadBlock(bytes + 16));
        a2 = _mm_xor_si128(MoveOn(a2, by512), LoadBlock(bytes + 32));
        a3 = _mm_xor_si128(MoveOn(a3, by512), LoadBlock(bytes + 48));
    }
    __m128i a = _mm_xor_si128(MoveOn(a0, by128), a1);
    a = _mm_xor_si128(MoveOn(a, by128), a2);
    a = _mm_xor_si128(MoveOn(a, by128), a3);
    for (; blocks > 0; --blocks, bytes += 16)
        a = _mm_xor_si128(MoveOn(a, by128), LoadBlock(bytes));
    // Back to the file's byte order: the residue of those sixteen bytes is the register.
    unsigned char last[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(last), LoadBlock(reinterpret_cast<const unsigned char*>(&a)));
    return DataPart(last);
}

bool HasCarrylessMultiply()
{
    static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("ssse3");
    return has;
}

#endif

}  // namespace

std::uint32_t UpdateChecksumBitwise(std::uint32_t reg, const unsigned char* bytes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        for (int bit = 7; bit >= 0; --bit) {
            reg = (reg << 1) | ((bytes[i] >> bit) & 1u);
            if (reg & 0x80000000u)
                reg ^= kChecksumPolynomial;
        }
    }
    return reg;
}

std::uint32_t UpdateChecksum(std::uint32_t reg, const unsigned char* bytes, std::size_t count)
{
    if (count == 0)
        return reg;
    // The first shift drops bit 31 unseen; from then on the register stays below 2^31.
    reg &= 0x7FFFFFFFu;
#ifdef ZOL_CHECKSUM_CARRYLESS
    if (count >= 64 && HasCarrylessMultiply()) {
        const std::size_t blocks = count / kSliceBytes;
        reg = FoldBlocksCarryless(reg, bytes, blocks);
        bytes += blocks * kSliceBytes;
        count -= blocks * kSliceBytes;
    }
#endif
    if (count >= kSliceBytes) {
        // Each step folds the register into the next sixteen bytes. The bytes' part does not
        // depend on the register, so it is worked out one step ahead: only the register's
        // own four lookups lie on the path from one step to the next.
        std::uint32_t data = DataPart(bytes);
        while (count >= 2 * kSliceBytes) {
            const std::uint32_t next = DataPart(bytes + kSliceBytes);
            reg = RegisterPart(reg) ^ data;
            data = next;
            bytes += kSliceBytes;
            count -= kSliceBytes;
        }
        reg = RegisterPart(reg) ^ data;
        bytes += kSliceBytes;
        count -= kSliceBytes;
    }
    while (count > 0) {
        reg = kTables.byteStep[reg >> 23] ^ ((reg & 0x7FFFFFu) << 8) ^ *bytes;
        ++bytes;
        --count;
    }
    return reg;
}

int ChecksumFile(std::istream& file, std::uint32_t& result)
{
    std::uint32_t reg = 0;
    char buffer[64 * 1024];
    for (;;) {
        file.read(buffer, sizeof buffer);
        const std::streamsize got = file.gcount();
        if (got <= 0)
            break;
        reg = UpdateChecksum(reg, reinterpret_cast<const unsigned char*>(buffer), static_cast<std::size_t>(got));
        if (!file)
            break;
    }
    result = reg;
    return 0;
}

std::uint32_t ReadStoredChecksum(const unsigned char bytes[4])
{
    return LoadBigEndian32(bytes);
}

void WriteStoredChecksum(std::uint32_t value, unsigned char bytes[4])
{
    bytes[0] = static_cast<unsigned char>(value >> 24);
    bytes[1] = static_cast<unsigned char>(value >> 16);
    bytes[2] = static_cast<unsigned char>(value >> 8);
    bytes[3] = static_cast<unsigned char>(value);
}

ChecksumCheck CheckChecksum(std::string_view fileBytes)
{
    ChecksumCheck check;
    if (fileBytes.size() < 4) {
        check.status = ChecksumStatus::TooShort;
        return check;
    }
    check.stored = ReadStoredChecksum(reinterpret_cast<const unsigned char*>(fileBytes.data()));
    check.computed = UpdateChecksum(0, fileBytes.substr(4));
    check.status = check.stored == check.computed ? ChecksumStatus::Ok : ChecksumStatus::Mismatch;
    return check;
}

ChecksumCheck CheckFileChecksum(const std::filesystem::path& file)
{
    ChecksumCheck check;
    // A directory, a FIFO or a device is not a file to check: opening or reading one may
    // fail, wait for a writer or never end.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return check;  // CannotOpen
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return check;
    unsigned char head[4];
    in.read(reinterpret_cast<char*>(head), 4);
    if (in.gcount() < 4) {
        check.status = ChecksumStatus::TooShort;
        return check;
    }
    check.stored = ReadStoredChecksum(head);
    ChecksumFile(in, check.computed);
    check.status = check.stored == check.computed ? ChecksumStatus::Ok : ChecksumStatus::Mismatch;
    return check;
}

std::uint8_t VerifyFileChecksum(const std::filesystem::path& file, const std::string& displayName,
                                std::ostream& out)
{
    const ChecksumCheck check = CheckFileChecksum(file);
    if (check.status == ChecksumStatus::CannotOpen)
        out << displayName << " \tCan't open file\n";
    return check.status == ChecksumStatus::Ok ? 0 : 255;
}

std::uint8_t VerifyFileChecksum(const std::string& fileName)
{
    return VerifyFileChecksum(std::filesystem::path(fileName), fileName, std::cout);
}
