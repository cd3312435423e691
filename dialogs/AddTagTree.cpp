#include "dialogs/AddTagTree.h"

#include <vector>

#include "app/ServerChange.h"
#include "app/TarnelDlg.h"
#include "catalogue/Catalogue.h"
#include "catalogue/TagName.h"
#include "server/win/ComTagServer.h"
#include "tree/AddTagTreeBuilder.h"
#include "tree/RefreshPeriod.h"
#include "ui/Text.h"
#include "ui/TreeViewModel.h"

static std::string TagNameOf(int address, int typeCode, int paramNumber)
{
    return FormatTagName(address, typeCode, paramNumber);
}

CAddTagTree::CAddTagTree(CTarnelDlg* parentDlg, int deviceType, int netAddress)
    : CDialog(IDD_ADD_TAG_TREE, parentDlg), m_pParentDlg(parentDlg), m_nDeviceType(deviceType),
      m_nNetAddress(netAddress)
{
}

void CAddTagTree::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PARAM_TREE, m_Tree);
    DDX_Control(pDX, IDC_PERIOD_SPIN, m_PeriodSpin);
    DDX_Control(pDX, IDC_PERIOD_EDIT, m_PeriodEdit);
}

BOOL CAddTagTree::OnInitDialog()
{
    CDialog::OnInitDialog();

    SetWindowText("Добавление тега для устройства " + FormatDevicePart(GetDeviceName(m_nDeviceType), m_nNetAddress));

    m_PeriodSpin.SetRange32(kPeriodMinMs, kPeriodMaxMs);
    m_PeriodSpin.SetPos32(kDefaultPeriodMs);
    m_PeriodSpin.SetBuddy(m_PeriodEdit);

    std::vector<int> numbers;
    const CDevice device = GetDevice(m_nDeviceType);
    for (const CParameter& parameter : device.m_Parameters) numbers.push_back(parameter.m_nNumber);

    CTreeViewModel tree(m_Tree);
    AddTagTreeReport report;
    {
        CBulkUpdate bulk(tree);
        // Appending and sorting each level once gives the order of sorted insertion
        // without the control comparing every sibling on every insertion.
        report = BuildAddTagTree(tree, m_nNetAddress, m_nDeviceType, numbers, &TagNameOf, InsertAt::Last);
    }
    if (report.deviceNode != nullptr) m_Tree.Expand(CTreeViewModel::Item(report.deviceNode), TVE_EXPAND);
    return TRUE;
}

void CAddTagTree::OnAddClicked()
{
    HTREEITEM selected = m_Tree.GetSelectedItem();
    if (selected == nullptr) return;

    const int ms = m_PeriodSpin.GetPos32();
    m_nPeriod = PeriodFromMs(ms);

    CTreeViewModel dialogTree(m_Tree);
    CTreeViewModel mainTree = m_pParentDlg->TreeModel();
    CServerChange change(*m_pParentDlg, "Добавить тег", true, this);
    if (!change.Ok()) return;
    const AddTagsReport report = AddTagsUnder(dialogTree, CTreeViewModel::Node(selected), m_nNetAddress,
                                              m_nDeviceType, m_nPeriod, change.Server(), mainTree,
                                              &CTarnelDlg::TreeTagName);
    change.Finish();
    m_nParamNumber = 0;

    // Show the tags just added in the main window while this dialog stays open.
    m_pParentDlg->RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);

    // The connection went: the main window connects anew and tells why, once.
    if (m_pParentDlg->ConnectionLost() != kS_OK) {
        EndDialog(IDCANCEL);
        return;
    }
    if (report.refused == 0) {
        if (report.attempted > 0) MessageBox("Тэг(и) добавлены");
        return;
    }
    MessageBox(RefusalText("Сервер не принял тегов: " + std::to_string(report.refused) + " из " +
                               std::to_string(report.attempted),
                           report.firstRefusal, "Эти теги не добавлены."));
}

void CAddTagTree::OnTreeDblClk(NMHDR*, LRESULT* pResult)
{
    *pResult = 0;
    OnAddClicked();
}

void CAddTagTree::OnCloseClicked()
{
    EndDialog(IDCANCEL);
    m_nParamNumber = 0;
}
