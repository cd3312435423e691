// Windows names one file in many ways: letter case, "." and "..", hard links. The file
// system's identity of a file (volume serial number and file index) tells them apart from
// two files, and dsctool refuses to write over the file it reads under any of them.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/Checksum.h"
#include "common/FileIdentity.h"
#include "tools/DscTool.h"

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << file.u8string();
}

std::string ReadAll(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class SameFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("zol-same-file-" + std::to_string(testing::UnitTest::GetInstance()->random_seed()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "sub");
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    fs::path m_dir;
};

TEST_F(SameFileTest, OneFileByEveryNameTwoFilesNever)
{
    Write(m_dir / "table.csv", "a");
    Write(m_dir / "other.csv", "a");
    ASSERT_TRUE(CreateHardLinkW((m_dir / "hard.csv").c_str(), (m_dir / "table.csv").c_str(), nullptr));

    EXPECT_TRUE(IsSameFile(m_dir / "table.csv", m_dir / "table.csv"));
    EXPECT_TRUE(IsSameFile(m_dir / "table.csv", m_dir / "TABLE.CSV"));
    EXPECT_TRUE(IsSameFile(m_dir / "table.csv", m_dir / "sub" / ".." / "Table.csv"));
    EXPECT_TRUE(IsSameFile(m_dir / "table.csv", m_dir / "hard.csv"));
    EXPECT_FALSE(IsSameFile(m_dir / "table.csv", m_dir / "other.csv"));
    EXPECT_FALSE(IsSameFile(m_dir / "table.csv", m_dir / "missing.csv"));
    EXPECT_FALSE(IsSameFile(m_dir / "missing.csv", m_dir / "missing.csv"));
}

TEST_F(SameFileTest, DscToolRefusesToWriteOverItsInput)
{
    const std::string text = "DEVICE_DESCRIPTION\r\nDrive 3\r\nSpeed 1 REAL R INPT_REG 2\r\n";
    unsigned char head[4];
    WriteStoredChecksum(UpdateChecksum(0, text), head);
    const std::string description = std::string(reinterpret_cast<const char*>(head), 4) + text;
    Write(m_dir / "drive.dsc", description);
    std::ostringstream out, err;
    ASSERT_EQ(0, RunDscTool({"table", (m_dir / "drive.dsc").u8string(), (m_dir / "drive.csv").u8string()}, out, err))
        << err.str();
    const std::string table = ReadAll(m_dir / "drive.csv");

    const std::vector<std::vector<std::string>> refused = {
        {"table", (m_dir / "drive.dsc").u8string(), (m_dir / "DRIVE.DSC").u8string()},
        {"build", (m_dir / "drive.csv").u8string(), (m_dir / "sub" / ".." / "Drive.Csv").u8string()},
    };
    for (const auto& args : refused) {
        std::ostringstream out2, err2;
        EXPECT_EQ(2, RunDscTool(args, out2, err2)) << args[2];
        EXPECT_NE(std::string::npos, err2.str().find("is the input file")) << err2.str();
    }
    EXPECT_EQ(description, ReadAll(m_dir / "drive.dsc"));
    EXPECT_EQ(table, ReadAll(m_dir / "drive.csv"));
}

}  // namespace
