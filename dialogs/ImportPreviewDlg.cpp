#include "dialogs/ImportPreviewDlg.h"

#include <commctrl.h>

#include "ui/Text.h"

namespace {

// A file's text in quotes, as the reason shows it.
std::wstring Quoted(const std::string& utf8) { return L"\u00AB" + WidenUtf8(utf8) + L"\u00BB"; }

}  // namespace

// The file's own texts are UTF-8.
std::wstring CImportPreviewDlg::IssueReason(const TagFileIssue& issue)
{
    if (issue.notOnServer) {
        TagFileIssue alone = issue;
        alone.notOnServer = false;
        return IssueReason(alone) + Widen("; такого тега с таким периодом на сервере нет, а импорт его не добавляет");
    }
    switch (issue.kind) {
    case TagFileIssueKind::NoHeader:
        return Widen("нет строки заголовка (device;address;type;param;name;period_ms)");
    case TagFileIssueKind::HeaderLacksColumn:
        return Widen("в заголовке нет столбца ") + Quoted(issue.column);
    case TagFileIssueKind::RepeatedColumn:
        return Widen("в заголовке дважды столбец ") + Quoted(issue.column);
    case TagFileIssueKind::MissingValue:
        return Widen("не заполнен столбец ") + Quoted(issue.column);
    case TagFileIssueKind::BadType:
        return Widen("тип ") + Quoted(issue.text) + Widen(" - не число от 1 до 255");
    case TagFileIssueKind::BadAddress:
        return Widen("адрес ") + Quoted(issue.text) + Widen(" - не число от 1 до 247");
    case TagFileIssueKind::BadParam:
        return Widen("параметр ") + Quoted(issue.text) + Widen(" - не число от 1 до 65534");
    case TagFileIssueKind::BadPeriod:
        return Widen("период ") + Quoted(issue.text) + Widen(" - не целое число мс от 0 до 86400000");
    case TagFileIssueKind::UnclosedQuote:
        return Widen("кавычка не закрыта до конца файла");
    case TagFileIssueKind::ConflictingPeriods:
        return Widen("тот же тег в строке ") + std::to_wstring(issue.otherLine) + Widen(" с другим периодом");
    case TagFileIssueKind::UnknownType:
        return Widen("тип ") + WidenUtf8(issue.text) + Widen(" отсутствует в описаниях приборов (строк: ") +
               std::to_wstring(issue.count) + L")";
    case TagFileIssueKind::DeviceMismatch:
        return Widen("прибор ") + Quoted(issue.text) + Widen(" не совпадает с описанием ") + Quoted(issue.expected);
    case TagFileIssueKind::NameMismatch:
        return Widen("имя ") + Quoted(issue.text) + Widen(" не совпадает с описанием ") + Quoted(issue.expected);
    }
    return WidenUtf8(DescribeTagFileIssue(issue));
}

CImportPreviewDlg::CImportPreviewDlg(const std::wstring& fileName, const TagFileContent& content,
                                     const ImportPlan& plan, ITagServer& server, CWnd* parent)
    : CDialog(IDD_IMPORT_PREVIEW, parent), m_strFileName(fileName), m_content(content), m_plan(plan), m_server(server)
{
}

std::wstring CImportPreviewDlg::IssueLine(const TagFileIssue& issue)
{
    std::wstring line = Widen("строка ") + std::to_wstring(issue.line) + L": ";
    if (!issue.invalid) line += Widen("предупреждение: ");
    return line + IssueReason(issue);
}

BOOL CImportPreviewDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetDlgItemTextW(m_hWnd, IDC_IMPORT_FILE, (Widen("Файл: ") + m_strFileName).c_str());

    std::string counts = "Добавить: " + std::to_string(m_plan.add.size()) +
                         "    Изменить период: " + std::to_string(m_plan.change.size());
    if (m_bRestore) counts += "    Удалить: " + std::to_string(m_plan.remove.size());
    counts += "    Без изменений: " + std::to_string(m_plan.unchanged.size()) +
              "\nНеверных строк: " + std::to_string(m_content.invalidRows) +
              "    Предупреждений: " + std::to_string(m_content.warnings);
    if (m_bRestore) {
        SetWindowText("Восстановление конфигурации");
        SetDlgItemTextW(m_hWnd, IDOK, Widen("Восстановить").c_str());
        if (m_bPortChanges) counts += "    Настройки COM-порта изменятся";
    }
    SetDlgItemTextW(m_hWnd, IDC_IMPORT_COUNTS, Widen(counts).c_str());

    std::vector<std::wstring> issueLines;
    for (const TagFileIssue& issue : m_content.issues) issueLines.push_back(IssueLine(issue));
    AddListBoxLines(GetDlgItem(IDC_IMPORT_ISSUES), issueLines);

    ::SendMessageW(GetDlgItem(IDC_IMPORT_PROGRESS), PBM_SETRANGE32, 0, static_cast<LPARAM>(m_plan.Calls()));
    if (!CanRun()) ::EnableWindow(GetDlgItem(IDOK), FALSE);
    return TRUE;
}

void CImportPreviewDlg::PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The program is ending: stop, and leave the quit for the loop it belongs to.
            PostQuitMessage(static_cast<int>(msg.wParam));
            m_bStopRequested = true;
            return;
        }
        if (!IsDialogMessageW(m_hWnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

void CImportPreviewDlg::OnOK()
{
    if (m_bRunning || m_bRan || !CanRun()) return;
    if (m_bRestore && !m_plan.remove.empty() &&
        MessageBox("С сервера будут удалены теги: " + std::to_string(m_plan.remove.size()) +
                       ".\nВосстановить конфигурацию?",
                   nullptr, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    m_bRunning = true;
    ::EnableWindow(GetDlgItem(IDOK), FALSE);
    ::EnableWindow(GetDlgItem(IDCANCEL), FALSE);
    HWND stop = GetDlgItem(IDC_IMPORT_STOP);
    ::EnableWindow(stop, TRUE);
    ::SetFocus(stop);
    HWND bar = GetDlgItem(IDC_IMPORT_PROGRESS);

    ULONGLONG lastShown = 0;
    ImportRunOptions options;
    options.stop = [this] {
        PumpMessages();
        return m_bStopRequested;
    };
    options.progress = [&](std::size_t done, std::size_t) {
        m_nCallsMade = done;
        const ULONGLONG now = GetTickCount64();
        if (now - lastShown >= 50) {
            lastShown = now;
            ::SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(done), 0);
        }
    };
    options.notMade = m_NotMade;
    m_Report = RunImportPlan(m_plan, m_server, options);
    m_Report.invalidRows = m_content.invalidRows;
    m_bRunning = false;
    m_bRan = true;
    EndDialog(IDOK);
}

void CImportPreviewDlg::OnCancel()
{
    // While the calls run, closing the window means stopping them.
    if (m_bRunning) {
        m_bStopRequested = true;
        return;
    }
    CDialog::OnCancel();
}

void CImportPreviewDlg::OnStop()
{
    if (m_bRunning) m_bStopRequested = true;
}
