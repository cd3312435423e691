// The loader on Windows, where file names are UTF-16: its lines name the files in
// Windows-1251, like every other text of the program.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "catalogue/CatalogueLoader.h"
#include "catalogue/Checksum.h"

namespace fs = std::filesystem;

namespace {

void WriteSigned(const fs::path& file, const std::string& text)
{
    unsigned char head[4];
    WriteStoredChecksum(UpdateChecksum(0, text), head);
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(head), 4);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    ASSERT_TRUE(out.good()) << file.u8string();
}

class CatalogueNamesTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("zolcat-names-" + std::to_string(testing::UnitTest::GetInstance()->random_seed()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    fs::path m_dir;
};

TEST_F(CatalogueNamesTest, NamesArePrintedInWindows1251)
{
    // "Счётчик №1.dsc", and a name with letters the code page lacks: a-umlaut, a CJK
    // character and one beyond U+FFFF.
    WriteSigned(m_dir / fs::path(u"\u0421\u0447\u0451\u0442\u0447\u0438\u043A \u21161.dsc"),
                "DEVICE_DESCRIPTION\nCounter 1\nP 1 INT R RAM 0\n");
    WriteSigned(m_dir / fs::path(u"Z\u00E4hler \u4E2D\U0001F600.dsc"), "DEVICE_DESCRIPTION\nMeter 2\nP 1 INT R RAM 0\n");

    CDeviceList catalogue;
    std::ostringstream out;
    LoadDeviceCatalogue(m_dir, out, catalogue);
    // Read in the order of the names' code points: "Z" before the Cyrillic letters.
    EXPECT_EQ("Start reading configuration files\n"
              "Reading config file 'Z?hler ??.dsc'....\n"
              "Reading config file '\xD1\xF7\xB8\xF2\xF7\xE8\xEA \xB9"
              "1.dsc'....\n",
              out.str());
    ASSERT_EQ(2u, catalogue.GetCount());
    EXPECT_EQ("Counter", catalogue.GetHead().m_strName);
    EXPECT_EQ("Meter", catalogue.GetTail().m_strName);

    // The listing keeps the path to open beside the printed name.
    const auto files = ListDescriptionFiles(m_dir);
    ASSERT_EQ(2u, files.size());
    EXPECT_EQ(u"Z\u00E4hler \u4E2D\U0001F600.dsc", files[0].path.filename().u16string());
}

}  // namespace
