// The description-files dialog's wording of what became of each file, natively and so
// under the sanitizers: every lint code over every field with words and numbers at their
// extremes, and the reports of every kind of file the dialog lists.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/DescriptionFilesReport.h"
#include "catalogue_test_util.h"
#include "dialogs/LintFindingTexts.h"

namespace {

constexpr DescriptionField kLastField = DescriptionField::EnumValue;

TEST(LintFindingTexts, EveryCodeAndFieldIsWordedWhateverTheFindingHolds)
{
    std::string everyByte;
    for (int c = 1; c < 256; ++c) everyByte += static_cast<char>(c);
    const std::vector<std::string> words = {"", "x", std::string(149, 'W'), everyByte, std::string(4096, '\xC0')};
    const std::vector<long long> numbers = {0, -1, 1, INT_MAX, LLONG_MIN, LLONG_MAX, 0xFFFFFFFFll};
    for (const LintCode lintCode : AllLintCodes()) {
        const int code = static_cast<int>(lintCode);
        for (int field = 0; field <= static_cast<int>(kLastField); ++field) {
            for (const std::string& word : words) {
                for (long long number : numbers) {
                    LintFinding finding;
                    finding.code = static_cast<LintCode>(code);
                    finding.field = static_cast<DescriptionField>(field);
                    finding.word = word;
                    finding.number = number;
                    finding.other = number == LLONG_MIN ? LLONG_MAX : -number;
                    const std::string text = LintFindingTextRu(finding);
                    ASSERT_FALSE(text.empty()) << code << " " << field;
                    ASSERT_EQ(text.find('\0'), std::string::npos) << code;
                    ASSERT_NE(text, "замечание") << "code " << code << " has no wording";
                }
            }
        }
    }
}

// The register-map findings of names and addresses, and a name's control characters shown,
// never passed on to the list that shows them.
TEST(LintFindingTexts, NamesAndAddressesOfTheRegisterMap)
{
    LintFinding control;
    control.code = LintCode::ControlCharacterInName;
    control.field = DescriptionField::ParameterName;
    control.word = "B\x1B[31m\x7F";
    EXPECT_EQ(LintFindingTextRu(control), "имя параметра «B\\x1B[31m\\x7F» содержит управляющие символы");
    std::string everyByte;
    for (int c = 1; c < 256; ++c) everyByte += static_cast<char>(c);
    control.word = everyByte;
    for (char c : LintFindingTextRu(control)) ASSERT_FALSE(c >= 0 && c < 0x20) << static_cast<int>(c);

    LintFinding address;
    address.code = LintCode::AddressOutOfRange;
    address.word = "A";
    address.area = kMemoryHoldingRegister;
    address.number = 70000;
    EXPECT_EQ(LintFindingTextRu(address), "«A»: адрес 70000 в области HOLD_REG вне пределов от 0 до 65535");

    LintFinding past;
    past.code = LintCode::ValuePastLastRegister;
    past.word = "V";
    past.area = kMemoryInputRegister;
    past.first = 65535;
    past.last = 65536;
    EXPECT_EQ(LintFindingTextRu(past), "«V» (INPT_REG 65535-65536): 32-битное значение выходит за последний регистр 65535");
}

TEST(LintFindingTexts, ChecksumMismatchNamesBothSumsInFull)
{
    LintFinding finding;
    finding.code = LintCode::ChecksumMismatch;
    finding.number = 0x523087CA;
    finding.other = 0xFFFFFFFF;
    EXPECT_EQ(LintFindingTextRu(finding), "записана контрольная сумма 523087CA, вычислена FFFFFFFF: файл не принят");
}

// Every kind of file the dialog lists, each worded as the dialog words it: a long and a
// short description with a wrong checksum (the long one the example PM3F with its first
// byte changed), a Cyrillic one, a file that is not a description, one that cannot be
// read (a link to nothing) and one overlaid by a later file.
TEST(LintFindingTexts, TheReportOfEveryKindOfFileIsWorded)
{
    const char* source = std::getenv("ZOL_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    std::string pm3f = Signed(ReadAll(std::filesystem::path(source) / "examples/devices/pm3f.txt"));
    ASSERT_GT(pm3f.size(), 1000u);
    pm3f[0] = static_cast<char>(pm3f[0] ^ 0x5A);

    CScratchDir dir;
    dir.Write("a_pm3f.dsc", pm3f);
    dir.Write("b_ru.dsc", "\x01\x02\x03\x04" "DEVICE_DESCRIPTION\r\nДатчик 9\r\nДавление 1 REAL R INPT_REG 0\r\n");
    dir.Write("c_en.dsc", "\x01\x02\x03\x04" "DEVICE_DESCRIPTION\r\nSensor 9\r\nPressure 1 REAL R INPT_REG 0\r\n");
    dir.WriteSigned("d_text.dsc", "NOT_A_DESCRIPTION\r\n");
    std::filesystem::create_symlink(dir / "nowhere", dir / "e_gone.dsc");
    dir.WriteSigned("f_old.dsc", "DEVICE_DESCRIPTION\r\nOld 12\r\nV 1 REAL R INPT_REG 0\r\n");
    dir.WriteSigned("g_new.dsc", "DEVICE_DESCRIPTION\r\nNew 12\r\nV 1 REAL R INPT_REG 0\r\n");

    const std::vector<DescriptionFileReport> reports = ReportDescriptionFiles(dir.Path());
    ASSERT_EQ(reports.size(), 7u);
    const std::vector<DescriptionFileResult> results = {
        DescriptionFileResult::WrongChecksum, DescriptionFileResult::WrongChecksum, DescriptionFileResult::WrongChecksum,
        DescriptionFileResult::NotADescription, DescriptionFileResult::CannotRead, DescriptionFileResult::Loaded,
        DescriptionFileResult::Loaded};
    for (std::size_t i = 0; i < reports.size(); ++i) {
        SCOPED_TRACE(reports[i].name);
        EXPECT_EQ(reports[i].result, results[i]);
        EXPECT_FALSE(reports[i].messages.empty() && reports[i].result != DescriptionFileResult::Loaded);
        for (const LintFinding& finding : reports[i].findings) EXPECT_FALSE(LintFindingTextRu(finding).empty());
    }
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_FALSE(reports[i].findings.empty());
        EXPECT_EQ(LintFindingTextRu(reports[i].findings[0]).rfind("записана контрольная сумма ", 0), 0u);
    }
    EXPECT_EQ(reports[5].overriddenBy, 6);
    EXPECT_EQ(reports[6].overriddenBy, -1);
}

}  // namespace
