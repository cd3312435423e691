// Why the server's class object could not be had, in words for the user: the second box
// after "Can't connect to OPC-server" at start-up.
#pragma once

#include <string>

// "Код ошибки 0x80040154: класс сервера не зарегистрирован ...": the code and, for the usual
// ones, what it means and what to do (Windows-1251). Only the code for the others.
std::string ExplainConnectFailure(long hr);
