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
    }
    return "замечание";
}
