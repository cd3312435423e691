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

std::uint32_t Table(std::uint32_t reg, const std::string& bytes)
{
    return UpdateChecksum(reg, bytes);
}

std::string RandomBytes(std::mt19937& random, std::size_t size)
{
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

TEST(ChecksumTest, KnownValuesOfBothForms)
{
    // Until the first data bit reaches bit 31 the register holds the data unchanged.
    const struct {
        std::string bytes;
        std::uint32_t expected;
    } cases[] = {
        {"", 0x00000000u},
        {"a", 0x00000061u},
        {"abc", 0x00616263u},
        {"abcd", 0x61626364u},  // the top bit of "a" is 0: no exclusive-or yet
        {"abcde", 0x099CB7E5u},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, Bitwise(0, c.bytes)) << c.bytes;
        EXPECT_EQ(c.expected, Table(0, c.bytes)) << c.bytes;
    }
}

TEST(ChecksumTest, TableFormEqualsBitwiseForm)
{
    std::mt19937 random(12345);
    // Every length around the 8-byte blocks, many registers, including ones with bit 31
    // set (the first shift drops it) and the all-ones register.
    std::vector<std::uint32_t> registers = {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0xEDB88320u};
    for (int i = 0; i < 50; ++i)
        registers.push_back(static_cast<std::uint32_t>(random()));
    for (std::size_t size = 0; size <= 70; ++size) {
        const std::string bytes = RandomBytes(random, size);
        for (std::uint32_t reg : registers)
            ASSERT_EQ(Bitwise(reg, bytes), Table(reg, bytes)) << "size " << size << " reg " << reg;
    }
    for (int round = 0; round < 200; ++round) {
        const std::string bytes = RandomBytes(random, random() % 5000);
        ASSERT_EQ(Bitwise(0, bytes), Table(0, bytes));
    }
    // Runs of one byte value exercise every table entry's extremes.
    for (int value = 0; value < 256; ++value) {
        const std::string bytes(37, static_cast<char>(value));
        ASSERT_EQ(Bitwise(0, bytes), Table(0, bytes)) << value;
    }
}

TEST(ChecksumTest, FeedingInPiecesEqualsFeedingWhole)
{
    std::mt19937 random(777);
    const std::string bytes = RandomBytes(random, 1000);
    const std::uint32_t whole = Table(0, bytes);
    for (std::size_t cut = 0; cut <= bytes.size(); cut += 7) {
        const std::uint32_t head = Table(0, bytes.substr(0, cut));
        EXPECT_EQ(whole, Table(head, bytes.substr(cut))) << cut;
        EXPECT_EQ(whole, Bitwise(Bitwise(0, bytes.substr(0, cut)), bytes.substr(cut))) << cut;
    }
}

TEST(ChecksumTest, ComputedValueNeverHasTopBitSet)
{
    std::mt19937 random(99);
    for (int round = 0; round < 2000; ++round) {
        const std::string bytes = RandomBytes(random, 1 + random() % 64);
        ASSERT_LE(Table(0, bytes), 0x7FFFFFFFu);
    }
}

TEST(ChecksumTest, ChecksumFileCoversTheRestOfTheStream)
{
    std::mt19937 random(4);
    const std::string bytes = RandomBytes(random, 200000);
    std::istringstream stream(bytes);
    stream.seekg(4);
    std::uint32_t result = 1;
    EXPECT_EQ(0, ChecksumFile(stream, result));
    EXPECT_EQ(Bitwise(0, bytes.substr(4)), result);
}

TEST(ChecksumTest, StoredValueIsBigEndian)
{
    unsigned char bytes[4];
    WriteStoredChecksum(0x099CB7E5u, bytes);
    EXPECT_EQ(0x09, bytes[0]);
    EXPECT_EQ(0x9C, bytes[1]);
    EXPECT_EQ(0xB7, bytes[2]);
    EXPECT_EQ(0xE5, bytes[3]);
    EXPECT_EQ(0x099CB7E5u, ReadStoredChecksum(bytes));
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

    const struct {
        const char* name;
        std::string bytes;
        std::uint8_t expected;
    } cases[] = {
        {"zero.dsc", std::string(4, '\0'), 0},          // the checksum of no bytes is 0
        {"four.dsc", std::string("\0\0\0\1", 4), 255},
        {"three.dsc", std::string(3, '\0'), 255},
        {"empty.dsc", std::string(), 255},
        {"good.dsc", good, 0},
        {"changed.dsc", changed, 255},
        {"appended.dsc", good + " ", 255},
        {"topbit.dsc", topBit, 255},  // a stored value with bit 31 set never matches
        {"abc.dsc", std::string("\x00\x61\x62\x63", 4) + "abc", 0},
        {"abcde.dsc", std::string("\x09\x9C\xB7\xE5", 4) + "abcde", 0},
    };
    for (const auto& c : cases) {
        const auto path = dir.Write(c.name, c.bytes);
        std::ostringstream out;
        EXPECT_EQ(c.expected, VerifyFileChecksum(path, c.name, out)) << c.name;
        EXPECT_EQ("", out.str()) << c.name;  // only an unopenable file prints anything
    }
}

TEST(ChecksumTest, ResigningAChangedFileMakesItPassAgain)
{
    CScratchDir dir;
    std::string bytes = Signed("DEVICE_DESCRIPTION\nMeter 12\n");
    bytes += "Extra 2 INT R RAM 4\n";
    const auto path = dir.Write("x.dsc", bytes);
    std::ostringstream out;
    EXPECT_EQ(255, VerifyFileChecksum(path, "x.dsc", out));
    dir.Write("x.dsc", Signed(bytes.substr(4)));
    EXPECT_EQ(0, VerifyFileChecksum(path, "x.dsc", out));
}

TEST(ChecksumTest, LineEndsAreCoveredAsStored)
{
    CScratchDir dir;
    const std::string lf = "DEVICE_DESCRIPTION\nMeter 12\n";
    const std::string crlf = "DEVICE_DESCRIPTION\r\nMeter 12\r\n";
    const std::string lfSum = Signed(lf).substr(0, 4);
    const std::string crlfSum = Signed(crlf).substr(0, 4);
    ASSERT_NE(lfSum, crlfSum);
    std::ostringstream out;
    EXPECT_EQ(0, VerifyFileChecksum(dir.Write("a.dsc", lfSum + lf), "a.dsc", out));
    EXPECT_EQ(0, VerifyFileChecksum(dir.Write("b.dsc", crlfSum + crlf), "b.dsc", out));
    EXPECT_EQ(255, VerifyFileChecksum(dir.Write("c.dsc", lfSum + crlf), "c.dsc", out));
    EXPECT_EQ(255, VerifyFileChecksum(dir.Write("d.dsc", crlfSum + lf), "d.dsc", out));
}

TEST(ChecksumTest, UnopenableFilePrintsItsLine)
{
    CScratchDir dir;
    std::ostringstream out;
    EXPECT_EQ(255, VerifyFileChecksum(dir / "missing.dsc", "missing.dsc", out));
    EXPECT_EQ("missing.dsc \tCan't open file\n", out.str());

    // A directory is not a file to open, on any platform.
    std::filesystem::create_directory(dir / "folder.dsc");
    std::ostringstream out2;
    EXPECT_EQ(255, VerifyFileChecksum(dir / "folder.dsc", "folder.dsc", out2));
    EXPECT_EQ("folder.dsc \tCan't open file\n", out2.str());
}

}  // namespace
