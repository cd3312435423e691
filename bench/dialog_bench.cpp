// Timings of the dialogs on the real controls, under Wine or on Windows.
//
//   dialog_bench.exe addtags [PARAMS]  opening the add-tags dialog for a device with PARAMS
//                                       (default 5,000) described parameters: the tree built
//                                       and sorted
//   dialog_bench.exe delete [TAGS]     "Удалить устройство" on a device with TAGS (default
//                                       5,000) tags on the stand-in server (one DeleteTag call
//                                       per tag)
//
// Run it under Wine with scripts/bench-wine.sh dialog_bench ...
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/BenchProcess.h"
#include "app/TarnelDlg.h"
#include "catalogue/Catalogue.h"
#include "dialogs/AddTagTree.h"
#include "ui/App.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

CWinApp g_app;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// A device of type 7 with count parameters in groups of ten, put straight into the catalogue.
void DescribeDevice(int count)
{
    CDevice device;
    device.m_nTypeCode = 7;
    device.m_strName = "Big";
    for (int p = 1; p <= count; ++p) {
        CParameter parameter;
        parameter.m_nNumber = p;
        parameter.m_strName = "Group" + std::to_string((p - 1) / 10) + ".Value" + std::to_string(p);
        device.m_Parameters.AddHead(parameter);
    }
    g_DeviceCatalogue.AddHead(device);
}

class CTimedAddTagTree : public CAddTagTree {
public:
    using CAddTagTree::CAddTagTree;
    double m_seconds = 0;
    UINT m_nodes = 0;

protected:
    BOOL OnInitDialog() override
    {
        const auto start = Clock::now();
        const BOOL result = CAddTagTree::OnInitDialog();
        m_seconds = Seconds(Clock::now() - start);
        m_nodes = m_Tree.GetCount();
        PostMessage(WM_COMMAND, IDCANCEL);
        return result;
    }
};

class CTimedMainWindow : public CTarnelDlg {
public:
    double m_fillSeconds = 0;
    double m_deleteSeconds = 0;
    UINT m_nodesBefore = 0;
    UINT m_nodesAfter = 0;

protected:
    BOOL OnInitDialog() override
    {
        const auto start = Clock::now();
        const BOOL result = CTarnelDlg::OnInitDialog();
        m_fillSeconds = Seconds(Clock::now() - start);
        m_nodesBefore = m_Tree.GetCount();
        HTREEITEM device = m_Tree.GetRootItem();
        if (device != nullptr) {
            const auto deleteStart = Clock::now();
            DeleteBranch(device);
            m_deleteSeconds = Seconds(Clock::now() - deleteStart);
        }
        m_nodesAfter = m_Tree.GetCount();
        PostMessage(WM_COMMAND, IDCANCEL);
        return result;
    }
};

using bench::ExeDir;

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    const std::wstring mode = argc > 1 ? argv[1] : L"addtags";
    const int count = argc > 2 ? _wtoi(argv[2]) : 5000;

    if (mode == L"addtags") {
        DescribeDevice(count);
        for (int run = 0; run < 3; ++run) {
            CTimedAddTagTree dlg(nullptr, 7, 5);
            dlg.DoModal();
            std::printf("add-tags dialog, %d parameters: tree built and sorted in %.3f s (%u nodes)\n", count,
                        dlg.m_seconds, dlg.m_nodes);
        }
        return 0;
    }

    // delete: a server holding count tags of one device.
    const fs::path home = fs::temp_directory_path() / ("zolcfg-bench-delete-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(home);
    {
        std::ofstream tags(home / "tags.txt", std::ios::binary);
        for (int p = 1; p <= count; ++p) tags << "7 5 " << p << " 20000000\n";
    }
    if (!bench::RegisterStandin(home)) return 1;

    DescribeDevice(count);
    CTimedMainWindow dlg;
    dlg.DoModal();
    std::printf("delete device with %d tags: %.2f s, tree %u -> %u nodes (fill took %.2f s)\n", count,
                dlg.m_deleteSeconds, dlg.m_nodesBefore, dlg.m_nodesAfter, dlg.m_fillSeconds);
    std::printf("per tag: delete %.3f ms, enumerate %.3f ms\n", 1000 * dlg.m_deleteSeconds / count,
                1000 * dlg.m_fillSeconds / count);
    Sleep(1000);
    std::error_code ignored;
    fs::remove_all(home, ignored);
    return 0;
}
