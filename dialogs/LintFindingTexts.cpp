#include "dialogs/LintFindingTexts.h"

#include <cstdio>

namespace {

const char* FieldName(DescriptionField field)
{
    switch (field) {
    case DescriptionField::Marker: return "метка";
    case DescriptionField::DeviceName: return "имя прибора";
    case DescriptionField::TypeCode: return "код типа прибора";
    case DescriptionField::ParameterName: return "имя параметра";
    case DescriptionField::Number: return "номер параметра";
    case DescriptionField::Type: return "тип данных";
    case DescriptionField::Access: return "доступ";
    case DescriptionField::Memory: return "область памяти";
    case DescriptionField::Address: return "адрес";
    case DescriptionField::EnumValue: return "значение перечисления";
    }
    return "поле";
}

std::string Quoted(const std::string& word) { return "«" + word + "»"; }

// "HOLD_REG 100" or "HOLD_REG 100-101".
std::string Registers(int area, long long first, long long last)
{
    std::string text = MemoryAreaKeyword(area) + " " + std::to_string(first);
    if (last != first) text += "-" + std::to_string(last);
    return text;
}

}  // namespace

std::string LintFindingTextRu(const LintFinding& f)
{
    const std::string field = FieldName(f.field);
    const std::string number = std::to_string(f.number);
    switch (f.code) {
    case LintCode::WordTooLong:
        return field + " " + Quoted(f.word + "...") + " длиной " + number + " байт: сохранены первые " +
               std::to_string(f.word.size());
    case LintCode::NulByte: return "нулевой байт в слове (" + field + "): слово на нём обрывается";
    case LintCode::NotANumber:
        return "вместо числа (" + field + ") стоит " + Quoted(f.word) + ": оно прочитано как следующее поле";
    case LintCode::NumberOutOfRange: return "число (" + field + ") не умещается в 32 бита и урезано";
    case LintCode::TypeCodeOutOfRange: return "код типа прибора " + number + " вне пределов от 1 до 255";
    case LintCode::UnknownType: return "неизвестный тип данных " + Quoted(f.word);
    case LintCode::UnknownMemory: return "неизвестная область памяти " + Quoted(f.word);
    case LintCode::ParameterCutShort: return "параметр " + Quoted(f.word) + " оборван концом файла";
    case LintCode::ParameterNumberOutOfRange: return "номер параметра " + number + " вне пределов от 1 до 65534";
    case LintCode::ParameterNumberReused:
        return "номер параметра " + number + " уже есть в строке " + std::to_string(f.other) +
               "; найден будет этот, более поздний";
    case LintCode::EnumValueLooksLikeComment:
        return Quoted(f.word) + " прочитано как значение перечисления: после ENUM остаток строки - значения, "
                                "а не комментарий";
    case LintCode::TooShortForChecksum: return "файл короче 4 байт контрольной суммы и не принят";
    case LintCode::ChecksumMismatch: {
        char text[120];
        std::snprintf(text, sizeof text, "записана контрольная сумма %08X, вычислена %08X: файл не принят",
                      static_cast<unsigned>(f.number), static_cast<unsigned>(f.other));
        return text;
    }
    case LintCode::NoMarker: return "файл не начинается с DEVICE_DESCRIPTION и не принят";
    case LintCode::NoDeviceHeader: return "нет имени и кода типа прибора";
    case LintCode::EndsInsideWord: return "файл кончается посреди слова (после последнего слова нет конца строки)";
    case LintCode::RegistersOverlap:
        return Quoted(f.word) + " (" + Registers(f.area, f.first, f.last) + ") перекрывает " + Quoted(f.otherWord) +
               " из строки " + std::to_string(f.other) + " (" + Registers(f.area, f.otherFirst, f.otherLast) + ")";
    case LintCode::NameReused:
        return "имя " + Quoted(f.word) + " уже есть в строке " + std::to_string(f.other) + ": два тега с одним именем";
    case LintCode::TagIsAlsoGroup:
        return "тег " + Quoted(f.word) + " совпадает с группой " + Quoted(f.otherWord) + " из строки " +
               std::to_string(f.other) + ": дерево не покажет обоих";
    case LintCode::GroupIsAlsoTag:
        return Quoted(f.word) + " делает группой тег " + Quoted(f.otherWord) + " из строки " + std::to_string(f.other) +
               ": дерево не покажет обоих";
    case LintCode::WriteInReadOnlyArea:
        return Quoted(f.word) + ": запись в области " + MemoryAreaKeyword(f.area) + ", которую записать нельзя";
    case LintCode::NoAccess: return Quoted(f.word) + ": доступ без R и W";
    case LintCode::EnumWithoutValues: return "у перечисления " + Quoted(f.word) + " нет значений";
    case LintCode::ControlCharacterInName:
        return field + " " + Quoted(ControlCharactersShown(f.word)) + " содержит управляющие символы";
    case LintCode::AddressOutOfRange:
        return Quoted(f.word) + ": адрес " + number + " в области " + MemoryAreaKeyword(f.area) +
               " вне пределов от 0 до 65535";
    case LintCode::ValuePastLastRegister:
        return Quoted(f.word) + " (" + Registers(f.area, f.first, f.last) +
               "): 32-битное значение выходит за последний регистр 65535";
    case LintCode::MoreRegisterMapFindings:
        return "ещё " + number + " замечаний к карте регистров не показаны (показаны первые 1000)";
    }
    return "замечание";
}
