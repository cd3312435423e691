#include "app/ConnectFailureWords.h"

#include <cstdio>

namespace {

#ifdef _WIN64
#define ZOL_BITS "64"
#else
#define ZOL_BITS "32"
#endif

struct Explanation {
    unsigned long code;
    const char* meaning;
};

// What CoGetClassObject's usual failures mean on a plant PC.
constexpr Explanation kExplanations[] = {
    {0x80040154UL, "класс сервера не зарегистрирован: сервер не установлен для " ZOL_BITS "-разрядных программ"},
    {0x80070005UL, "доступ запрещён: сервер работает от имени другого пользователя или с правами администратора"},
    {0x8000401BUL, "доступ запрещён: сервер работает от имени другого пользователя или с правами администратора"},
    {0x80080005UL, "сервер не удалось запустить"},
    {0x800401FEUL, "сервер не удалось запустить: он запустился, но не зарегистрировал свой класс"},
    {0x80004019UL, "сервер не удалось запустить"},
    {0x8000401EUL, "истекло время ожидания: сервер не ответил вовремя"},
    {0x8001011FUL, "истекло время ожидания: сервер не ответил вовремя"},
    {0x800705B4UL, "истекло время ожидания: сервер не ответил вовремя"},
    {0x800706BAUL, "сервер недоступен"},
    {0x80080008UL, "сервер завершает работу"},
};

}  // namespace

std::string ExplainConnectFailure(long hr)
{
    const unsigned long code = static_cast<unsigned long>(hr) & 0xFFFFFFFFUL;
    char text[64];
    std::snprintf(text, sizeof text, "Код ошибки 0x%08lX", code);
    for (const Explanation& explanation : kExplanations) {
        if (explanation.code == code) return std::string(text) + ": " + explanation.meaning + ".";
    }
    return std::string(text) + ".";
}
