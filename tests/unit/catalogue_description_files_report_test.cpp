// The per-file report of a description directory: each result, overrides by a later file
// of the same type code, and agreement with the loader itself on every file it can meet.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/CatalogueLoader.h"
#include "catalogue/DescriptionFilesReport.h"
#include "catalogue_test_util.h"

namespace {

std::string DeviceText(const std::string& name, int typeCode, const std::string& parameters = "P 1 INT R RAM 0\n")
{
    return "DEVICE_DESCRIPTION\n" + name + " " + std::to_string(typeCode) + "\n" + parameters;
}

// The loader's own run over the directory: its output and the devices it kept.
std::vector<std::string> LoaderLines(const std::filesystem::path& dir, CDeviceList& catalogue)
{
    std::ostringstream out;
    LoadDeviceCatalogue(dir, out, catalogue);
    return SplitLines(out.str());
}

// The report must tell what the loader did: the same messages in the same order, a device
// in the catalogue for each file reported loaded, and the used one of each type code.
void ExpectAgreesWithLoader(const std::filesystem::path& dir)
{
    const std::vector<DescriptionFileReport> reports = ReportDescriptionFiles(dir);
    CDeviceList catalogue;
    const std::vector<std::string> loader = LoaderLines(dir, catalogue);

    std::vector<std::string> expected{"Start reading configuration files"};
    std::vector<std::string> used;  // device names of the files not overridden, last first
    for (const DescriptionFileReport& r : reports) {
        expected.push_back("Reading config file '" + r.name + "'....");
        expected.insert(expected.end(), r.messages.begin(), r.messages.end());
        if (r.result == DescriptionFileResult::Loaded)
            used.insert(used.begin(), r.deviceName);
    }
    EXPECT_EQ(loader, expected);
    std::vector<std::string> loaded;
    for (const CDevice& d : catalogue)
        loaded.push_back(d.m_strName);
    EXPECT_EQ(loaded, used);
    for (const DescriptionFileReport& r : reports) {
        if (r.overriddenBy < 0)
            continue;
        ASSERT_LT(static_cast<std::size_t>(r.overriddenBy), reports.size());
        EXPECT_GT(&reports[static_cast<std::size_t>(r.overriddenBy)], &r);
        EXPECT_EQ(reports[static_cast<std::size_t>(r.overriddenBy)].typeCode, r.typeCode);
    }
}

TEST(FilesReport, EachResultWithItsMessagesAndWarnings)
{
    CScratchDir dir;
    dir.WriteSigned("a_good.dsc", DeviceText("Meter", 7, "P 1 INT R RAM 0\nQ 2 REAL R RAM 2\nR 3 SHORT R RAM 4\n"));
    std::string bad = Signed(DeviceText("Broken", 8));
    bad[0] = static_cast<char>(bad[0] ^ 0x40);
    dir.Write("b_crc.dsc", bad);
    dir.WriteSigned("c_other.dsc", "SOMETHING_ELSE\n");
    dir.WriteSigned("d_lint.dsc", DeviceText("Lint", 9, "P 1 NUMBER R RAM 0\nQ 1 INT R RAM 1\n"));
    dir.Write("e_empty.dsc", "");
    std::filesystem::create_directory(dir / "f_folder.dsc");
    dir.Write("notes.txt", "not read");

    const std::vector<DescriptionFileReport> reports = ReportDescriptionFiles(dir.Path());
    ASSERT_EQ(reports.size(), 5u);  // a directory is not listed, as the loader skips it

    EXPECT_EQ(reports[0].name, "a_good.dsc");
    EXPECT_EQ(reports[0].result, DescriptionFileResult::Loaded);
    EXPECT_EQ(reports[0].typeCode, 7);
    EXPECT_EQ(reports[0].deviceName, "Meter");
    EXPECT_EQ(reports[0].parameters, 3u);
    EXPECT_TRUE(reports[0].messages.empty());
    EXPECT_TRUE(reports[0].findings.empty());
    EXPECT_EQ(reports[0].overriddenBy, -1);

    EXPECT_EQ(reports[1].result, DescriptionFileResult::WrongChecksum);
    EXPECT_EQ(reports[1].messages, std::vector<std::string>{"Wrong CRC in file b_crc.dsc"});
    EXPECT_EQ(reports[1].typeCode, 0);
    ASSERT_EQ(reports[1].findings.size(), 1u);
    EXPECT_EQ(reports[1].findings[0].code, LintCode::ChecksumMismatch);

    EXPECT_EQ(reports[2].result, DescriptionFileResult::NotADescription);
    EXPECT_EQ(reports[2].messages,
              std::vector<std::string>{"File c_other.dsc don't contain device description information"});

    EXPECT_EQ(reports[3].result, DescriptionFileResult::Loaded);
    EXPECT_EQ(reports[3].messages, std::vector<std::string>{"Wrong parameter type - NUMBER"});
    ASSERT_EQ(reports[3].findings.size(), 2u);
    EXPECT_EQ(reports[3].findings[0].line, 3);
    EXPECT_EQ(LintFindingText(reports[3].findings[0]), "unknown data type 'NUMBER' (type 255)");
    EXPECT_EQ(reports[3].findings[1].line, 4);
    EXPECT_EQ(LintFindingText(reports[3].findings[1]),
              "parameter number 1 is already used on line 3 (this later one is the one found)");

    EXPECT_EQ(reports[4].result, DescriptionFileResult::WrongChecksum);

    ExpectAgreesWithLoader(dir.Path());
}

TEST(FilesReport, TheLastFileOfATypeCodeOverridesTheEarlierOnes)
{
    CScratchDir dir;
    dir.WriteSigned("1.dsc", DeviceText("First", 5));
    dir.WriteSigned("2.dsc", DeviceText("Other", 6));
    dir.WriteSigned("3.dsc", DeviceText("Second", 5));
    std::string refused = Signed(DeviceText("Refused", 5));
    refused[5] = 'X';
    dir.Write("4.dsc", refused);  // refused files override nothing
    dir.WriteSigned("5.dsc", DeviceText("Third", 5));

    const std::vector<DescriptionFileReport> reports = ReportDescriptionFiles(dir.Path());
    ASSERT_EQ(reports.size(), 5u);
    EXPECT_EQ(reports[0].overriddenBy, 4);
    EXPECT_EQ(reports[1].overriddenBy, -1);
    EXPECT_EQ(reports[2].overriddenBy, 4);
    EXPECT_EQ(reports[3].overriddenBy, -1);
    EXPECT_EQ(reports[4].overriddenBy, -1);
    ExpectAgreesWithLoader(dir.Path());
}

TEST(FilesReport, ClassifiesByWhatRefusedTheFileFirst)
{
    const std::string good = Signed(DeviceText("Meter", 7));
    EXPECT_EQ(ClassifyDescriptionFile(true, true, good), DescriptionFileResult::Loaded);
    EXPECT_EQ(ClassifyDescriptionFile(false, false, ""), DescriptionFileResult::CannotRead);
    EXPECT_EQ(ClassifyDescriptionFile(false, true, "abc"), DescriptionFileResult::WrongChecksum);
    // A read error after bytes whose checksum happens to match: the read error refused it.
    EXPECT_EQ(ClassifyDescriptionFile(false, false, good), DescriptionFileResult::CannotRead);
    EXPECT_EQ(ClassifyDescriptionFile(false, false, good + "x"), DescriptionFileResult::WrongChecksum);
    EXPECT_EQ(ClassifyDescriptionFile(false, true, Signed("TEXT\n")), DescriptionFileResult::NotADescription);
}

// Every input of the fuzzer's corpus (build/fuzz/corpus, or ZOL_FUZZ_CORPUS), each both as
// stored and signed, in directories of a hundred: the report survives them and agrees with
// the loader on every one.
TEST(FilesReport, AgreesWithTheLoaderOverTheFuzzCorpus)
{
    std::filesystem::path corpus;
    if (const char* named = std::getenv("ZOL_FUZZ_CORPUS"))
        corpus = named;
    else if (const char* source = std::getenv("ZOL_SOURCE_DIR"))
        corpus = std::filesystem::path(source) / "build/fuzz/corpus";
    std::vector<std::filesystem::path> inputs;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(corpus, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file())
            inputs.push_back(it->path());
    // The example descriptions seed the corpus; they are always there to run over.
    if (const char* source = std::getenv("ZOL_SOURCE_DIR"))
        for (const char* name : {"fd400.txt", "pm3f.txt", "px20.txt", "tc210.txt"})
            inputs.push_back(std::filesystem::path(source) / "examples/devices" / name);
    ASSERT_FALSE(inputs.empty());
    std::sort(inputs.begin(), inputs.end());

    for (std::size_t first = 0; first < inputs.size(); first += 100) {
        CScratchDir dir;
        for (std::size_t i = first; i < inputs.size() && i < first + 100; ++i) {
            const std::string bytes = ReadAll(inputs[i]);
            dir.Write(std::to_string(i) + "-stored.dsc", bytes);
            dir.WriteSigned(std::to_string(i) + "-signed.dsc", bytes);
        }
        SCOPED_TRACE("corpus inputs from " + std::to_string(first));
        ExpectAgreesWithLoader(dir.Path());
        if (HasFailure())
            break;
    }
    std::printf("%zu corpus inputs\n", inputs.size());
}

}  // namespace
