#include "app/ServerChange.h"

#include <windows.h>

#include <cstdio>

#include "app/JournalHeld.h"
#include "app/TarnelDlg.h"
#include "catalogue/Windows1251.h"
#include "common/Decimal.h"
#include "tagfile/TextEncoding.h"
#include "words/TagNameWords.h"
#include "ui/Text.h"

#ifndef ZOL_VERSION_TEXT
#define ZOL_VERSION_TEXT "0.917.0"
#endif

namespace {

// The folder as the window names it (Windows-1251, for a message), in lines of at most
// kPathLine characters broken after a backslash: a message box breaks lines only at blanks,
// and a long path would otherwise run past its right edge.
constexpr std::size_t kPathLine = 60;

std::string FolderName(const std::filesystem::path& folder)
{
    const std::string path = Narrow(folder.wstring());
    std::string out, line;
    std::size_t from = 0;
    while (from < path.size()) {
        std::size_t end = path.find('\\', from);
        end = end == std::string::npos ? path.size() : end + 1;
        std::string part = path.substr(from, end - from);
        from = end;
        while (part.size() > kPathLine) {  // one part longer than a line: cut it
            if (!line.empty()) out += line + "\n";
            line.clear();
            out += part.substr(0, kPathLine) + "\n";
            part.erase(0, kPathLine);
        }
        if (line.size() + part.size() > kPathLine) {
            out += line + "\n";
            line.clear();
        }
        line += part;
    }
    return out + line;
}

// Why the journal cannot be written, in the window's words: what the folder's path shows,
// else the system's error code the reason ends with ("... (5)").
std::string JournalReason(const std::filesystem::path& folder, const std::string& problem)
{
    if (folder.empty()) return "папка истории не задана (нет переменных ZOLCFG_HISTORY и LOCALAPPDATA)";
    std::filesystem::path file;
    switch (DiagnoseHistoryFolder(folder, &file)) {
    case FolderTrouble::IsAFile: return "на месте папки находится файл";
    case FolderTrouble::UnderAFile: return "путь проходит через файл " + Narrow(file.filename().wstring());
    case FolderTrouble::NoDrive:
        return folder.has_root_name() ? "диска " + Narrow(folder.root_name().wstring()) + " нет"
                                      : std::string("путь не существует");
    case FolderTrouble::None: break;
    }
    unsigned long code = 0;
    const std::size_t open = problem.rfind('(');
    if (open != std::string::npos && !problem.empty() && problem.back() == ')')
        ParseDecimalTo<unsigned long>(std::string_view(problem).substr(open + 1, problem.size() - open - 2), 0xFFFFFFFFul,
                                      &code);
    switch (code) {
    case ERROR_ACCESS_DENIED: return "нет доступа";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "диск заполнен";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return "файл журнала занят другой программой";
    case ERROR_WRITE_PROTECT: return "диск защищён от записи";
    case ERROR_PATH_NOT_FOUND: return "путь не найден";
    case ERROR_FILENAME_EXCED_RANGE: return "слишком длинный путь";
    default: break;
    }
    if (problem.find("took only part") != std::string::npos) return "диск заполнен";
    return code != 0 ? "ошибка системы " + std::to_string(code) : std::string("ошибка записи");
}

}  // namespace

const std::string& WindowProgramName()
{
    static const std::string name = std::string("zolcfg ") + ZOL_VERSION_TEXT;
    return name;
}

CWindowHistory::CWindowHistory()
{
    if (!ResolveHistoryFolder(std::string(), SystemHistoryPlatform(), &m_folder, &m_folderProblem)) m_folder.clear();
}

JournalContext CWindowHistory::Context() const
{
    JournalContext context;
    context.program = WindowProgramName();
    context.naming = CatalogueTagNames(UnnamedPartWords());  // the tree's names, stand-ins included
    return context;
}

CServerChange::CServerChange(CTarnelDlg& window, const std::string& action, bool record, CWnd* questionOwner)
    : m_window(window), m_bRecord(record)
{
    if (!window.m_pAddTags || !window.m_pHistory) return;
    CWindowHistory& history = *window.m_pHistory;

    m_pSession = std::make_unique<CChangeSession>(SystemHistoryPlatform(), history.Context(), action);
    const CWnd& owner = questionOwner != nullptr ? *questionOwner : static_cast<const CWnd&>(window);
    ChangeSessionFront front;
    // A journal held open elsewhere (a spreadsheet) is asked about: retry or cancel.
    front.open = [&owner](CJournal& journal, std::string* problem, bool* cancelled) {
        return OpenJournalOrAskRetry(journal, owner, problem, cancelled);
    };
    // Nothing is changed without a record unless the user says so, once for this run.
    front.withoutJournal = [&owner, &history](const std::string& problem) {
        if (history.m_bWithoutJournal) return true;
        const std::string text = BoxLines("Журнал изменений не может быть записан в папку\n" +
                                          FolderName(history.Folder()) + "\nПричина: " +
                                          JournalReason(history.Folder(), problem) +
                                          ".\nИзменять конфигурацию без журнала?");
        if (owner.MessageBox(text, nullptr, MB_YESNO | MB_ICONWARNING) != IDYES) return false;
        history.m_bWithoutJournal = true;
        return true;
    };
    if (!m_pSession->Begin(history.Folder(), history.FolderProblem(), front)) return;
    m_pRecorder = std::make_unique<CTagChangeRecorder>(window.Server());
    m_pServer = &m_pSession->Server(*m_pRecorder);
}

CServerChange::~CServerChange() { Finish(); }

void CServerChange::Finish()
{
    if (m_bFinished || !m_pServer) return;
    m_bFinished = true;
    ChangeSessionEnd end = m_pSession->End();
    if (m_bRecord && m_window.m_pHistory) m_window.m_pHistory->m_Undo.Push(std::move(end.step));
    if (end.journalFailed)
        m_window.MessageBox(BoxLines("Журнал изменений не записан: " +
                                     JournalReason(m_window.m_pHistory->Folder(), end.journalError) +
                                     ".\nОстальные изменения не отправлены на сервер."));
    else if (!end.flushed)
        m_window.MessageBox(BoxLines("Журнал изменений не сохранён на диске: " +
                                     JournalReason(m_window.m_pHistory->Folder(), end.closeError) + "."));
}

std::string TagListGapText(const ServerTagList& list)
{
    static const TagListGapWords words{
        HResultText,
        "связь с сервером потеряна (ошибка {hr})",
        "чтение прервано",
        "сервер не завершил список тегов: тег был выдан повторно",
        "сервер не завершил список тегов (ошибка {hr})",
        "список тегов сервера оборвался на ошибке {hr}",
        "сервер не выдал период у {count} тегов (ошибка {hr})",
    };
    return DescribeTagListGap(list, words);
}
