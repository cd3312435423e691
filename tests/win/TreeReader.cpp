#include "TreeReader.h"

#include <cstdio>

#include "ui/Text.h"

namespace {

HTREEITEM Next(HWND tree, HTREEITEM item, UINT code)
{
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
}

std::wstring WideText(HWND tree, HTREEITEM item)
{
    wchar_t text[1024] = {};
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = 1024;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    return text;
}

void ReadLevel(HWND tree, HTREEITEM item, int level, std::vector<TreeLine>& lines)
{
    for (; item != nullptr; item = Next(tree, item, TVGN_NEXT)) {
        TVITEMW tv = {};
        tv.mask = TVIF_PARAM | TVIF_STATE;
        tv.hItem = item;
        tv.stateMask = TVIS_EXPANDED;
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
        TreeLine line;
        line.level = level;
        line.text = Narrow(WideText(tree, item));
        line.key = static_cast<std::uint32_t>(tv.lParam);
        line.expanded = (tv.state & TVIS_EXPANDED) != 0;
        lines.push_back(line);
        ReadLevel(tree, Next(tree, item, TVGN_CHILD), level + 1, lines);
    }
}

bool LevelSorted(HWND tree, HTREEITEM first)
{
    std::wstring previous;
    bool havePrevious = false;
    for (HTREEITEM item = first; item != nullptr; item = Next(tree, item, TVGN_NEXT)) {
        const std::wstring text = WideText(tree, item);
        if (havePrevious && lstrcmpiW(previous.c_str(), text.c_str()) > 0) return false;
        if (!LevelSorted(tree, Next(tree, item, TVGN_CHILD))) return false;
        previous = text;
        havePrevious = true;
    }
    return true;
}

}  // namespace

std::vector<TreeLine> ReadTree(HWND tree)
{
    std::vector<TreeLine> lines;
    ReadLevel(tree, Next(tree, nullptr, TVGN_ROOT), 0, lines);
    return lines;
}

std::string DescribeTree(const std::vector<TreeLine>& lines)
{
    std::string out;
    for (const TreeLine& line : lines) {
        char key[16];
        std::snprintf(key, sizeof key, "%08X", line.key);
        out += std::string(static_cast<size_t>(line.level) * 2 + 2, ' ') + line.text + " [" + key + "]\n";
    }
    return out;
}

bool SiblingsSorted(HWND tree) { return LevelSorted(tree, Next(tree, nullptr, TVGN_ROOT)); }

HTREEITEM FindTreeItem(HWND tree, const std::vector<std::string>& path)
{
    HTREEITEM item = Next(tree, nullptr, TVGN_ROOT);
    HTREEITEM found = nullptr;
    for (const std::string& piece : path) {
        found = nullptr;
        for (; item != nullptr; item = Next(tree, item, TVGN_NEXT))
            if (Narrow(WideText(tree, item)) == piece) {
                found = item;
                break;
            }
        if (found == nullptr) return nullptr;
        item = Next(tree, found, TVGN_CHILD);
    }
    return found;
}
