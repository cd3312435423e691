#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/Checksum.h"
#include "catalogue_test_util.h"

namespace {

std::uint32_t Bitwise(std::uint32_t reg, const std::string& bytes)
{
    return UpdateChecksumBitwise(reg, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

TEST(ChecksumTest, KnownValues)
{
    // Until the first data bit reaches bit 31 the register holds the data unchanged.
    const std::pair<std::string, std::uint32_t> cases[] = {
        {"", 0}, {"abc", 0x00616263u}, {"abcd", 0x61626364u}, {"abcde", 0x099CB7E5u}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.second, Bitwise(0, c.first)) << c.first;
        EXPECT_EQ(c.second, UpdateChecksum(0, c.first)) << c.first;
    }
}

TEST(ChecksumTest, TableFormEqualsBitwiseFormWholeAndInPieces)
{
    std::mt19937 random(12345);
    auto bytesOf = [&](std::size_t size) {
        std::string bytes(size, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random() & 0xFF);
        return bytes;
    };
    // Every length around the 16-byte steps and the 64-byte steps of long runs, from
    // registers with and without bit 31 (the first shift drops it).
    std::vector<std::uint32_t> registers = {0u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
    for (int i = 0; i < 20; ++i)
        registers.push_back(static_cast<std::uint32_t>(random()));
    for (std::size_t size = 0; size <= 300; ++size) {
        const std::string bytes = bytesOf(size);
        for (std::uint32_t reg : registers)
            ASSERT_EQ(Bitwise(reg, bytes), UpdateChecksum(reg, bytes)) << size << " " << reg;
    }
    for (int value = 0; value < 256; ++value) {
        const std::string run(37, static_cast<char>(value));
        ASSERT_EQ(Bitwise(0, run), UpdateChecksum(0, run)) << value;
    }
    const std::string bytes = bytesOf(3000);
    const std::uint32_t whole = Bitwise(0, bytes);
    for (std::size_t cut = 0; cut <= bytes.size(); cut += 37)
        EXPECT_EQ(whole, UpdateChecksum(UpdateChecksum(0, bytes.substr(0, cut)), bytes.substr(cut))) << cut;
}

TEST(ChecksumTest, VerifyFileChecksumOnDisk)
{
    CScratchDir dir;
    const std::string text = "DEVICE_DESCRIPTION\nMeter 12\nVoltage 1 REAL R HOLD_REG 100\n";
    const std::string good = Signed(text);
    std::string changed = good;
    changed[10] ^= 0x01;
    std::string topBit = good;
    topBit[0] = static_cast<char>(topBit[0] | 0x80);
    const std::string lf = "A\nB\n", crlf = "A\r\nB\r\n";

    const struct {
        const char* name;
        std::string bytes;
        std::uint8_t expected;
    } cases[] = {
        {"zero.dsc", std::string(4, '\0'), 0},  // the checksum of no bytes is 0
        {"four.dsc", std::string("\0\0\0\1", 4), 255},
        {"three.dsc", std::string(3, '\0'), 255},
        {"empty.dsc", "", 255},
        {"good.dsc", good, 0},
        {"changed.dsc", changed, 255},
        {"appended.dsc", good + " ", 255},
        {"resigned.dsc", Signed(good.substr(4) + " "), 0},
        {"topbit.dsc", topBit, 255},  // a stored value with bit 31 set never matches
        {"abcde.dsc", std::string("\x09\x9C\xB7\xE5", 4) + "abcde", 0},
        // LF and CR LF texts each pass only with their own checksum.
        {"lf.dsc", Signed(lf), 0},
        {"crlf.dsc", Signed(crlf), 0},
        {"lf-sum-crlf-text.dsc", Signed(lf).substr(0, 4) + crlf, 255},
        {"crlf-sum-lf-text.dsc", Signed(crlf).substr(0, 4) + lf, 255},
    };
    for (const auto& c : cases) {
        const auto path = dir.Write(c.name, c.bytes);
        std::ostringstream out;
        EXPECT_EQ(c.expected, VerifyFileChecksum(path, c.name, out)) << c.name;
        EXPECT_EQ("", out.str()) << c.name;  // only an unopenable file prints anything
    }
}

TEST(ChecksumTest, UnopenableFilePrintsItsLine)
{
    CScratchDir dir;
    std::filesystem::create_directory(dir / "folder.dsc");  // not a file, on any platform
    for (const char* name : {"missing.dsc", "folder.dsc"}) {
        std::ostringstream out;
        EXPECT_EQ(255, VerifyFileChecksum(dir / name, name, out));
        EXPECT_EQ(std::string(name) + " \tCan't open file\n", out.str());
    }
}

}  // namespace
