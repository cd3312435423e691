// The main window's configuration tree: rebuilt from the server's list of tags, extended
// tag by tag when the user adds tags.
#include <cstdio>

#include "app/TarnelDlg.h"
#include "catalogue/TagName.h"
#include "dialogs/ProgressWnd.h"
#include "server/ComTagServer.h"
#include "tree/ConfigTree.h"
#include "tree/TagPath.h"
#include "ui/TreeViewModel.h"

std::string CTarnelDlg::TreeTagName(int address, int typeCode, int paramNumber)
{
    return FormatTagName(address, typeCode, paramNumber);
}

void CTarnelDlg::FillTree()
{
    if (m_pAddTags == nullptr || m_bFilling) return;

    CTreeViewModel tree(m_Tree);
    CComTagServer server(m_pAddTags);
    m_hCurrentItem = nullptr;
    m_bFilling = true;
    FillReport report;
    {
        CProgressWnd progress(this, &CProgressWnd::FillText, m_nProgressDelayMs);
        FillOptions options;
        options.progress = [&progress](std::size_t tags) { progress.OnCount(tags); };
        report = ::FillTree(tree, server, &CTarnelDlg::TreeTagName, options);
    }
    m_bFilling = false;
    if (report.end == FillEnd::Completed) return;

    // The server did not end its list: the walk was stopped so that the program stays
    // usable, and the user must know that the tree may be incomplete.
    char text[300];
    if (report.end == FillEnd::RepeatedTag) {
        std::snprintf(text, sizeof text,
                      "Сервер не завершил список тегов: тег был выдан повторно.\n"
                      "Чтение списка остановлено, показано тегов: %u.",
                      static_cast<unsigned>(report.tags));
    } else {
        std::snprintf(text, sizeof text,
                      "Сервер не завершил список тегов: %u запросов подряд завершились ошибкой "
                      "(последняя 0x%08X).\nЧтение списка остановлено, показано тегов: %u.",
                      static_cast<unsigned>(report.failedCalls), static_cast<unsigned>(report.lastFailure),
                      static_cast<unsigned>(report.tags));
    }
    MessageBox(text);
}

void CTarnelDlg::InsertTagPath(int address, int typeCode, int paramNumber)
{
    CTreeViewModel tree(m_Tree);
    ::InsertTagPath(tree, FormatTagName(address, typeCode, paramNumber), static_cast<std::uint32_t>(address),
                    static_cast<std::uint32_t>(typeCode), static_cast<std::uint32_t>(paramNumber));
}

HTREEITEM CTarnelDlg::FindChildNode(HTREEITEM parent, const std::string& text) const
{
    CTreeViewModel tree(const_cast<CTreeCtrl&>(m_Tree));
    return CTreeViewModel::Item(::FindChildNode(tree, CTreeViewModel::Node(parent), text));
}
