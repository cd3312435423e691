// Reads a tree-view control of this process (from any thread): every node with its level,
// text, item data and whether it is expanded, in display order.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

struct TreeLine {
    int level = 0;
    std::string text;  // Windows-1251
    std::uint32_t key = 0;
    bool expanded = false;

    bool operator==(const TreeLine& other) const
    {
        return level == other.level && text == other.text && key == other.key;
    }
};

std::vector<TreeLine> ReadTree(HWND tree);
// "  text [key]" lines, for readable failure messages.
std::string DescribeTree(const std::vector<TreeLine>& lines);
// The siblings under each parent stand in the control's alphabetical order.
bool SiblingsSorted(HWND tree);
HTREEITEM FindTreeItem(HWND tree, const std::vector<std::string>& path);
