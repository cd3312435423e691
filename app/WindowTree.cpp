// The main window's configuration tree: rebuilt from the server's list of tags, extended
// tag by tag when the user adds tags.
#include <cstdio>

#include "app/StartupTrace.h"
#include "app/TarnelDlg.h"
#include "catalogue/Catalogue.h"
#include "dialogs/ProgressWnd.h"
#include "server/win/ComTagServer.h"
#include "tree/ConfigTree.h"
#include "tree/TagPath.h"
#include "tree/TreeTagName.h"
#include "words/TagNameWords.h"
#include "ui/Text.h"
#include "ui/TreeViewModel.h"

namespace {

const UnnamedPartTexts& kUnnamedParts = UnnamedPartWords();

}  // namespace

std::string CTarnelDlg::TreeTagName(int address, int typeCode, int paramNumber)
{
    return ComposeTreeTagName(GetDeviceName(typeCode), GetParameterName(typeCode, paramNumber), address, typeCode,
                              paramNumber, kUnnamedParts);
}

std::string CTarnelDlg::TreeDeviceText(int address, int typeCode)
{
    return ComposeTreeDevicePart(GetDeviceName(typeCode), address, typeCode, kUnnamedParts);
}

void CTarnelDlg::FillTree()
{
    if (!m_pAddTags || m_bFilling) return;

    CTreeViewModel tree = TreeModel();
    ITagServer& link = Server();
    startup_trace::CTimedTagServer timedServer(link);
    ITagServer& server = startup_trace::Enabled() ? static_cast<ITagServer&>(timedServer) : link;
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
    startup_trace::PhasePart("tag walk", timedServer.EnumSeconds());
    startup_trace::PhaseEnded("tree fill");
    ReportFill(report);
}

ServerTagList CTarnelDlg::ReadServerTagsShown(ITagServer& server, ServerTagsOptions options, std::function<std::string(std::size_t)> text)
{
    HWND focus = FocusedControl();
    ServerTagList list;
    {
        std::size_t calls = 0;
        CProgressWnd progress(this, text ? std::move(text) : &CProgressWnd::FillText, m_nProgressDelayMs);
        options.stop = [&] {
            progress.OnCount(++calls);
            return false;
        };
        list = ReadServerTags(server, options);
    }
    ReturnFocus(focus, m_Tree);
    return list;
}

void CTarnelDlg::ReportFill(const FillReport& report)
{
    char text[300];
    // In a command, a connection found gone is told once, by the window's repair of it
    // when the command ends.
    if (report.end == FillEnd::Disconnected && m_bInCommand && ConnectionLost() != kS_OK) return;
    if (report.end == FillEnd::Disconnected) {
        // The connection failed, not the server's answer: the tree is not what the server holds.
        MessageBox(RefusalText("Не удалось прочитать список тегов", report.lastFailure,
                               report.Shown() > 0
                                   ? "Чтение списка остановлено, показано тегов: " + std::to_string(report.Shown()) + "."
                                   : std::string()));
    } else if (report.end != FillEnd::Completed) {
        // The server did not end its list: the walk was stopped so that the program stays
        // usable, and the user must know that the tree may be incomplete.
        FormatUnendedList(report, text, sizeof text);
        MessageBox(text);
    }
    if (report.uncarried > 0) {
        std::snprintf(text, sizeof text,
                      "Тегов с номерами вне допустимых пределов на сервере: %u.\n"
                      "Они не показаны и остаются на сервере без изменений.",
                      static_cast<unsigned>(report.uncarried));
        MessageBox(text);
    }
}

void CTarnelDlg::FormatUnendedList(const FillReport& report, char* text, size_t size)
{
    if (report.end == FillEnd::RepeatedTag) {
        std::snprintf(text, size,
                      "Сервер не завершил список тегов: тег был выдан повторно.\n"
                      "Чтение списка остановлено, показано тегов: %u.",
                      static_cast<unsigned>(report.Shown()));
    } else {
        std::snprintf(text, size,
                      "Сервер не завершил список тегов: %u запросов подряд завершились ошибкой "
                      "(последняя 0x%08X).\nЧтение списка остановлено, показано тегов: %u.",
                      static_cast<unsigned>(report.failedCalls), static_cast<unsigned>(report.lastFailure),
                      static_cast<unsigned>(report.Shown()));
    }
}

void CTarnelDlg::InsertTagPath(int address, int typeCode, int paramNumber)
{
    CTreeViewModel tree = TreeModel();
    ::InsertTagPath(tree, TreeTagName(address, typeCode, paramNumber), static_cast<std::uint32_t>(address),
                    static_cast<std::uint32_t>(typeCode), static_cast<std::uint32_t>(paramNumber));
}

HTREEITEM CTarnelDlg::FindChildNode(HTREEITEM parent, const std::string& text) const
{
    CTreeViewModel tree = const_cast<CTarnelDlg*>(this)->TreeModel();
    return CTreeViewModel::Item(::FindChildNode(tree, CTreeViewModel::Node(parent), text));
}
