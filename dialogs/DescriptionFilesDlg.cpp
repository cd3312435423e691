#include "dialogs/DescriptionFilesDlg.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>

#include "catalogue/CatalogueLoader.h"
#include "dialogs/LintFindingTexts.h"
#include "ui/Text.h"

namespace {

enum Column { kColumnFile, kColumnResult, kColumnType, kColumnDevice, kColumnParameters, kColumnWarnings };

}  // namespace

struct CDescriptionFilesDlg::Reading {
    std::atomic<bool> stop{false};
    std::atomic<bool> progressPosted{false};  // one progress message in the queue at a time
    std::mutex mutex;
    std::vector<DescriptionFileReport> reports;  // under mutex until the done message
};

CDescriptionFilesDlg::CDescriptionFilesDlg(const std::filesystem::path& directory, CWnd* parent)
    : CDialog(IDD_DESCRIPTION_FILES, parent), m_directory(directory)
{
}

CDescriptionFilesDlg::~CDescriptionFilesDlg()
{
    // The worker ends after the file at hand and posts nothing more.
    if (m_reading) m_reading->stop = true;
}

void CDescriptionFilesDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_DSC_LIST, m_List);
    DDX_Control(pDX, IDC_DSC_DETAILS, m_Details);
}

std::wstring CDescriptionFilesDlg::FileName(const DescriptionFileReport& report) const
{
    if (!report.path.empty()) return report.path.filename().wstring();
    return Widen(report.name);
}

std::wstring CDescriptionFilesDlg::LineText(const DescriptionFileReport& report, const std::string& line) const
{
    std::wstring text;
    std::size_t start = 0;
    while (!report.name.empty()) {
        const std::size_t at = line.find(report.name, start);
        if (at == std::string::npos) break;
        text += Widen(line.substr(start, at - start)) + FileName(report);
        start = at + report.name.size();
    }
    return text + Widen(line.substr(start));
}

std::wstring CDescriptionFilesDlg::ResultText(const DescriptionFileReport& report) const
{
    switch (report.result) {
    case DescriptionFileResult::Loaded:
        if (report.overriddenBy >= 0 && report.overriddenBy < static_cast<int>(m_Reports.size()))
            return Widen("перекрыт файлом ") + FileName(m_Reports[static_cast<size_t>(report.overriddenBy)]);
        return Widen("загружен");
    case DescriptionFileResult::WrongChecksum: return Widen("неверная контрольная сумма");
    case DescriptionFileResult::NotADescription: return Widen("не описание прибора");
    case DescriptionFileResult::CannotRead: return Widen("не читается");
    }
    return std::wstring();
}

std::wstring CDescriptionFilesDlg::DetailsText(const DescriptionFileReport& report) const
{
    std::wstring text = Widen("Сообщения загрузчика:");
    if (report.messages.empty()) text += Widen(" нет");
    for (const std::string& line : report.messages) text += L"\r\n    " + LineText(report, line);
    text += Widen("\r\nЗамечания:");
    if (report.findings.empty()) text += Widen(" нет");
    for (const LintFinding& finding : report.findings)
        text += Widen("\r\n    строка " + std::to_string(finding.line) + ": " + LintFindingTextRu(finding));
    return text;
}

BOOL CDescriptionFilesDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::absolute(m_directory, ec);
    SetDlgItemTextW(m_hWnd, IDC_DSC_FOLDER, (Widen("Папка: ") + (ec ? m_directory : folder).wstring()).c_str());

    // Column widths in dialog units, as the template measures.
    struct ColumnSpec {
        const char* heading;
        int width;
    };
    const ColumnSpec columns[] = {{"Файл", 84}, {"Результат", 112}, {"Код", 24},
                                  {"Прибор", 80}, {"Параметров", 54}, {"Замечаний", 52}};
    m_List.SetFullRowSelect();
    for (int i = 0; i < 6; ++i) {
        RECT units = {0, 0, columns[i].width, 8};
        MapDialogRect(m_hWnd, &units);
        m_List.InsertColumn(i, columns[i].heading, units.right);
    }

    m_Details.SetWindowText("Чтение файлов описаний...");
    m_reading = std::make_shared<Reading>();
    std::thread([reading = m_reading, directory = m_directory, window = m_hWnd] {
        const std::vector<DescriptionFileEntry> files = ListDescriptionFiles(directory);
        for (std::size_t i = 0; i < files.size() && !reading->stop; ++i) {
            DescriptionFileReport report = ReportDescriptionFile(files[i].path, files[i].name);
            {
                std::lock_guard<std::mutex> lock(reading->mutex);
                reading->reports.push_back(std::move(report));
            }
            if (!reading->stop && !reading->progressPosted.exchange(true))
                ::PostMessageW(window, WM_DSC_READ_PROGRESS, i + 1, static_cast<LPARAM>(files.size()));
        }
        if (!reading->stop) ::PostMessageW(window, WM_DSC_READ_DONE, 0, 0);
    }).detach();
    return TRUE;
}

LRESULT CDescriptionFilesDlg::OnReadProgress(WPARAM done, LPARAM total)
{
    m_reading->progressPosted = false;
    m_Details.SetWindowText("Прочитано файлов описаний: " + std::to_string(done) + " из " + std::to_string(total));
    return 0;
}

LRESULT CDescriptionFilesDlg::OnReadDone(WPARAM, LPARAM)
{
    {
        std::lock_guard<std::mutex> lock(m_reading->mutex);
        m_Reports = std::move(m_reading->reports);
    }
    MarkOverriddenFiles(m_Reports);
    PostMessage(WM_DSC_SHOW_ROWS, 0);
    return 0;
}

LRESULT CDescriptionFilesDlg::OnShowRows(WPARAM from, LPARAM)
{
    // A few hundred rows a message: the list of thousands of files fills while the dialog
    // goes on answering.
    const size_t end = std::min(m_Reports.size(), static_cast<size_t>(from) + 200);
    // With redraw on, the control repaints on every cell: 15 ms a row under Wine.
    ::SendMessageW(m_List.m_hWnd, WM_SETREDRAW, FALSE, 0);
    ShowReports(from, end);
    ::SendMessageW(m_List.m_hWnd, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(m_List.m_hWnd, nullptr, TRUE);
    if (end < m_Reports.size()) {
        PostMessage(WM_DSC_SHOW_ROWS, end);
    } else if (m_Reports.empty()) {
        m_Details.SetWindowText("В папке нет файлов описаний (*.dsc).");
    } else {
        m_List.SetSelected(0);
    }
    return 0;
}

void CDescriptionFilesDlg::ShowReports(size_t from, size_t end)
{
    for (size_t i = from; i < end; ++i) {
        const DescriptionFileReport& report = m_Reports[i];
        const int row = m_List.InsertItem(static_cast<int>(i), FileName(report));
        m_List.SetItemText(row, kColumnResult, ResultText(report));
        if (report.result == DescriptionFileResult::Loaded) {
            m_List.SetItemText(row, kColumnType, std::to_wstring(report.typeCode));
            m_List.SetItemText(row, kColumnDevice, Widen(report.deviceName));
            m_List.SetItemText(row, kColumnParameters, std::to_wstring(report.parameters));
        }
        m_List.SetItemText(row, kColumnWarnings, std::to_wstring(report.findings.size()));
    }
}

void CDescriptionFilesDlg::ShowDetails(int row)
{
    if (row == m_nShownRow) return;
    m_nShownRow = row;
    if (row < 0 || row >= static_cast<int>(m_Reports.size())) {
        ::SetWindowTextW(m_Details, L"");
        return;
    }
    ::SetWindowTextW(m_Details, DetailsText(m_Reports[static_cast<size_t>(row)]).c_str());
}

void CDescriptionFilesDlg::OnListItemChanged(NMHDR* pNMHDR, LRESULT* pResult)
{
    *pResult = 0;
    const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
    if ((change->uChanged & LVIF_STATE) == 0) return;
    // The row the change selected; the selection mark is the anchor of a range selection
    // and may still name the row before.
    if (change->uNewState & LVIS_SELECTED) {
        ShowDetails(change->iItem);
    } else if (change->uOldState & LVIS_SELECTED) {
        ShowDetails(static_cast<int>(::SendMessageW(m_List.m_hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)));
    }
}
