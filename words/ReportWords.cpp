#include "words/ReportWords.h"

#include "catalogue/Windows1251.h"

namespace {

// The literals are Windows-1251 (the build's execution character set); the page is UTF-8.
std::string U(const char* cp1251) { return Cp1251ToUtf8(cp1251); }

ReportWords MakeWords()
{
    ReportWords w;
    w.title = U("Конфигурация ZOL-OPC-Server");
    w.computer = U("Компьютер");
    w.dateTime = U("Дата и время");
    w.version = U("Программа");
    w.port = U("Порт");
    w.noPort = U("нет порта");
    w.portUnknown = U("сервер не сообщил настройки порта");
    w.devices = U("Приборы");
    w.colName = U("Имя");
    w.colType = U("Тип");
    w.colAddress = U("Адрес");
    w.colTags = U("Тегов");
    w.colFile = U("Файл описания");
    w.colChecksum = U("Контрольная сумма");
    w.colCheck = U("Проверка связи");
    w.tagsOf = U("Теги {device}");
    w.colParam = U("Параметр");
    w.colDataType = U("Тип данных");
    w.colArea = U("Область");
    w.colRegister = U("Регистр");
    w.colAccess = U("Доступ");
    w.colPeriod = U("Период, мс");
    w.totals = U("Итого");
    w.totalsDevices = U("приборов: {n}");
    w.totalsTags = U("тегов: {n}");
    w.checkOk = U("отвечает");
    w.checkAbsent = U("не отвечает");
    w.checkOther = U("отвечает прибор {name} (тип {type})");
    w.checkFailed = U("опрос не удался ({code})");
    w.checkNotReached = U("не проверен");
    w.loadHeading = U("Загрузка линии (оценка)");
    w.decimalMark = ",";
    w.loadLine = U("Оценка: {percent} % времени линии; запросов в секунду: {asked}, линия пропускает около {carried}.");
    w.loadUnknown = U("Оценка невозможна: настройки порта неизвестны.");
    w.loadOverloaded = U("Больше 100 %: периоды опроса не будут выдержаны. Больше всего просят: {devices}.");
    w.loadModel = U("Модель оценки: один запрос на тег за период; кадры Modbus RTU (запрос 8 байт, ответ 5 байт "
                    "и по 2 на регистр, REAL и INT — два регистра); 3,5 символа паузы после кадра; 10 мс на ответ "
                    "прибора.");
    w.journal = U("Последние изменения");
    w.journalNone = U("Нет записей.");
    w.colTime = U("Время");
    w.colUser = U("Пользователь");
    w.colProgram = U("Программа");
    w.colAction = U("Действие");
    w.colBefore = U("Было");
    w.colAfter = U("Стало");
    w.colResult = U("Результат");
    w.noDevices = U("нет настроенных приборов");
    w.gap = U("Список сервера прочитан не целиком: {gap}. Отчёт неполный.");
    const char* parity[5] = {"без чётности", "нечёт", "чёт", "маркер", "пробел"};
    for (int i = 0; i < 5; ++i) w.parity[i] = U(parity[i]);
    return w;
}

}  // namespace

const ReportWords& ReportPageWords()
{
    static const ReportWords words = MakeWords();
    return words;
}
