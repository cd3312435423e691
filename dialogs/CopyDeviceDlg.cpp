#include "dialogs/CopyDeviceDlg.h"

#include <utility>

#include "dialogs/ImportPreviewDlg.h"
#include "ui/Controls.h"
#include "ui/Text.h"

std::string TagCountText(std::size_t count)
{
    const std::size_t lastTwo = count % 100, last = count % 10;
    const char* word = "тегов";
    if (lastTwo < 11 || lastTwo > 14) {
        if (last == 1)
            word = "тег";
        else if (last >= 2 && last <= 4)
            word = "тега";
    }
    return std::to_string(count) + " " + word;
}

CCopyDeviceDlg::CCopyDeviceDlg(const CopySource& source, const std::vector<ServerTag>& serverTags,
                               const std::string& prefill, Names names, CWnd* parent)
    : CDialog(IDD_COPY_DEVICE, parent), m_source(source), m_serverTags(serverTags), m_strPrefill(prefill),
      m_names(std::move(names))
{
}

BOOL CCopyDeviceDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    const std::size_t tags = SourceTags(m_source, m_serverTags).size();
    SetDlgItemTextW(m_hWnd, IDC_COPY_SOURCE,
                    Widen(m_names.device(m_source.address, m_source.type) + ": " + TagCountText(tags)).c_str());
    HWND field = GetDlgItem(IDC_COPY_ADDRESSES);
    ::SetWindowTextW(field, Widen(m_strPrefill).c_str());
    Preview();
    ::SendMessageW(field, EM_SETSEL, 0, -1);
    ::SetFocus(field);
    return FALSE;  // the focus is set
}

void CCopyDeviceDlg::OnAddressesChanged() { Preview(); }

void CCopyDeviceDlg::Preview()
{
    m_list = ReadAddressList(Narrow(CWnd(GetDlgItem(IDC_COPY_ADDRESSES)).GetWideText()));
    m_Addresses = m_list.addresses;
    m_Plan = MakeDeviceCopyPlan(m_source, m_Addresses, m_serverTags);
    SetDlgItemTextW(m_hWnd, IDC_COPY_COUNTS, CountsText().c_str());

    HWND list = GetDlgItem(IDC_COPY_REFUSED);
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    ::SendMessageW(list, LB_SETHORIZONTALEXTENT, 0, 0);
    AddListBoxLines(list, RefusedLines());
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);

    ::EnableWindow(GetDlgItem(IDOK), m_Plan.plan.Calls() > 0 ? TRUE : FALSE);
}

std::wstring CCopyDeviceDlg::CountsText() const
{
    const ImportPlan& plan = m_Plan.plan;
    return Widen("Добавить: " + std::to_string(plan.add.size()) + "    Изменить период: " +
                 std::to_string(plan.change.size()) + "    Уже есть: " + std::to_string(plan.unchanged.size()) +
                 "\nАдресов: " + std::to_string(m_Plan.targets.size()));
}

std::vector<std::wstring> CCopyDeviceDlg::RefusedLines() const
{
    std::vector<std::wstring> lines;
    for (const AddressEntry& entry : m_list.refused) {
        const char* why = entry.problem == AddressEntryProblem::OutOfRange ? "адрес вне 1..247"
                          : entry.problem == AddressEntryProblem::Backward ? "диапазон от большего к меньшему"
                                                                           : "не адрес и не диапазон";
        lines.push_back(Widen("«" + entry.text + "»: " + why));
    }
    for (const RefusedTarget& target : m_Plan.refused) {
        const std::string address = std::to_string(target.address);
        if (target.problem == CopyTargetProblem::SourceAddress)
            lines.push_back(Widen(address + ": адрес самого устройства"));
        else
            lines.push_back(Widen("по адресу " + address + " настроен прибор " +
                                  m_names.device(target.address, target.otherType)));
    }
    for (const TagId& id : m_Plan.unknownPeriods)
        lines.push_back(Widen(m_names.tag(id.address, id.type, id.param) + ": сервер не сообщил период"));
    // As the import preview words them: the copy sends only what an import would.
    for (const TagFileIssue& issue : m_Plan.refusedTags)
        lines.push_back(Widen(m_names.tag(issue.id.address, issue.id.type, issue.id.param) + ": ") +
                        CImportPreviewDlg::IssueReason(issue));
    return lines;
}

void CCopyDeviceDlg::OnOK()
{
    // Enter in the field with nothing to copy does nothing, as the grey button does.
    if (m_Plan.plan.Calls() == 0) return;
    EndDialog(IDOK);
}
