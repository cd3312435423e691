// Every lint finding in both languages: one row per code of the list (ZOL_LINT_CODES), a
// sample finding worded by dsctool (English) and by the window (Russian). A code added to
// the list without its row here fails the first test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/Catalogue.h"
#include "catalogue/DescriptionLint.h"
#include "dialogs/LintFindingTexts.h"

namespace {

// A sample finding of every code: fields and numbers that show in its texts.
LintFinding Sample(LintCode code)
{
    LintFinding f;
    f.code = code;
    f.field = DescriptionField::ParameterName;
    f.word = "W";
    f.number = 7;
    f.other = 3;
    f.otherWord = "O";
    f.area = kMemoryHoldingRegister;
    f.first = 10;
    f.last = 11;
    f.otherFirst = 11;
    f.otherLast = 12;
    if (code == LintCode::ChecksumMismatch) {
        f.number = 0x523087CA;
        f.other = 0x12345678;
    }
    if (code == LintCode::ControlCharacterInName) f.word = "B\x1B";
    if (code == LintCode::WordTooLong) f.word = "Wor", f.number = 200;
    if (code == LintCode::TypeCodeOutOfRange) f.number = 300;
    if (code == LintCode::ParameterNumberOutOfRange) f.number = 65535;
    if (code == LintCode::WriteInReadOnlyArea) f.area = kMemoryInputRegister;
    if (code == LintCode::AddressOutOfRange) f.number = 70000;
    if (code == LintCode::ValuePastLastRegister) f.first = 65535, f.last = 65536;
    return f;
}

struct Wording {
    LintCode code;
    const char* english;
    const char* russian;
};

const Wording kWordings[] = {
    {LintCode::WordTooLong,
     "parameter name 'Wor...' is 200 bytes long; only the first 3 are kept",
     "имя параметра «Wor...» длиной 200 байт: сохранены первые 3"},
    {LintCode::NulByte,
     "NUL byte in a word (parameter name); the word ends there",
     "нулевой байт в слове (имя параметра): слово на нём обрывается"},
    {LintCode::NotANumber,
     "parameter name expected, found 'W'; it is read as the next field instead",
     "вместо числа (имя параметра) стоит «W»: оно прочитано как следующее поле"},
    {LintCode::NumberOutOfRange,
     "parameter name does not fit in 32 bits; it is clamped",
     "число (имя параметра) не умещается в 32 бита и урезано"},
    {LintCode::TypeCodeOutOfRange,
     "device type code 300 is outside 1-255",
     "код типа прибора 300 вне пределов от 1 до 255"},
    {LintCode::UnknownType,
     "unknown data type 'W' (type 255)",
     "неизвестный тип данных «W»"},
    {LintCode::UnknownMemory,
     "unknown memory area 'W' (memory 255)",
     "неизвестная область памяти «W»"},
    {LintCode::ParameterCutShort,
     "parameter 'W' is cut short by the end of the file",
     "параметр «W» оборван концом файла"},
    {LintCode::ParameterNumberOutOfRange,
     "parameter number 65535 is outside 1-65534",
     "номер параметра 65535 вне пределов от 1 до 65534"},
    {LintCode::ParameterNumberReused,
     "parameter number 7 is already used on line 3 (this later one is the one found)",
     "номер параметра 7 уже есть в строке 3; найден будет этот, более поздний"},
    {LintCode::EnumValueLooksLikeComment,
     "'W' is an enumeration value: behind an ENUM parameter the rest of the line is values, not a comment",
     "«W» прочитано как значение перечисления: после ENUM остаток строки - значения, а не комментарий"},
    {LintCode::TooShortForChecksum,
     "shorter than the 4 checksum bytes; the file is refused",
     "файл короче 4 байт контрольной суммы и не принят"},
    {LintCode::ChecksumMismatch,
     "stored checksum 523087CA, computed 12345678; the file is refused",
     "записана контрольная сумма 523087CA, вычислена 12345678: файл не принят"},
    {LintCode::NoMarker,
     "does not begin with DEVICE_DESCRIPTION; the file is refused",
     "файл не начинается с DEVICE_DESCRIPTION и не принят"},
    {LintCode::NoDeviceHeader,
     "no device name and type code",
     "нет имени и кода типа прибора"},
    {LintCode::EndsInsideWord,
     "the file ends inside a word (no line end after the last word)",
     "файл кончается посреди слова (после последнего слова нет конца строки)"},
    {LintCode::RegistersOverlap,
     "'W' (HOLD_REG 10-11) overlaps 'O' on line 3 (HOLD_REG 11-12)",
     "«W» (HOLD_REG 10-11) перекрывает «O» из строки 3 (HOLD_REG 11-12)"},
    {LintCode::NameReused,
     "name 'W' is already used on line 3: two tags of one name",
     "имя «W» уже есть в строке 3: два тега с одним именем"},
    {LintCode::TagIsAlsoGroup,
     "'W' is also a group, of 'O' on line 3: the tree cannot show both",
     "тег «W» совпадает с группой «O» из строки 3: дерево не покажет обоих"},
    {LintCode::GroupIsAlsoTag,
     "'W' makes a group of 'O', a tag on line 3: the tree cannot show both",
     "«W» делает группой тег «O» из строки 3: дерево не покажет обоих"},
    {LintCode::WriteInReadOnlyArea,
     "'W' has write access in INPT_REG, which cannot be written",
     "«W»: запись в области INPT_REG, которую записать нельзя"},
    {LintCode::NoAccess,
     "'W' has access without R or W",
     "«W»: доступ без R и W"},
    {LintCode::EnumWithoutValues,
     "ENUM parameter 'W' has no values",
     "у перечисления «W» нет значений"},
    {LintCode::ControlCharacterInName,
     "parameter name 'B\\x1B' holds control characters; they reach terminals and CSV files as they are",
     "имя параметра «B\\x1B» содержит управляющие символы"},
    {LintCode::AddressOutOfRange,
     "'W' has address 70000 in HOLD_REG, outside 0-65535",
     "«W»: адрес 70000 в области HOLD_REG вне пределов от 0 до 65535"},
    {LintCode::ValuePastLastRegister,
     "'W' (HOLD_REG 65535-65536) is a 32-bit value that runs past the last register, 65535",
     "«W» (HOLD_REG 65535-65536): 32-битное значение выходит за последний регистр 65535"},
    {LintCode::MoreRegisterMapFindings,
     "7 more findings of the register map are not listed (the first 1000 are)",
     "ещё 7 замечаний к карте регистров не показаны (показаны первые 1000)"},
};

TEST(LintWording, EveryCodeOfTheListHasItsRowInOrder)
{
    const std::vector<LintCode>& codes = AllLintCodes();
    ASSERT_EQ(codes.size(), std::size(kWordings));
    for (std::size_t i = 0; i < codes.size(); ++i) EXPECT_EQ(codes[i], kWordings[i].code) << "row " << i;
}

TEST(LintWording, EachFindingInEnglishAndRussian)
{
    for (const Wording& w : kWordings) {
        const LintFinding finding = Sample(w.code);
        EXPECT_EQ(LintFindingText(finding), w.english);
        EXPECT_EQ(LintFindingTextRu(finding), w.russian);
    }
}

}  // namespace
