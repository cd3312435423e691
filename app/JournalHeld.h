// The journal held open by another program (a spreadsheet showing journal.csv): the window
// names the file and the program, and asks to close it there and try again ("Повтор") or
// to cancel the command ("Отмена"). Nothing is sent to the server meanwhile.
#pragma once

#include <string>

class CJournal;
class CWnd;

// Opens the journal, asking again for as long as the user chooses "Повтор" while another
// program holds it. False with *problem (UTF-8) when it cannot be opened for another
// reason; *cancelled when the user chose "Отмена" (then no call may be made).
bool OpenJournalOrAskRetry(CJournal& journal, const CWnd& owner, std::string* problem, bool* cancelled);

// The question's box: a warning with the buttons "Повтор" and "Отмена" whatever the
// system's language. IDRETRY or IDCANCEL.
int AskRetryCancel(const CWnd& owner, const std::string& text);
