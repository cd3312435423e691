// Wrappers of the common controls the dialogs bind (DDX_Control). Non-owning: the
// dialog's template creates the controls, the wrappers only address them.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/Wnd.h"

// Adds lines to a list box, after what it holds, and lets it scroll sideways as far as the
// widest of them in its font.
void AddListBoxLines(HWND list, const std::vector<std::wstring>& lines);

class CButton : public CWnd {};

class CEdit : public CWnd {};

class CSpinButtonCtrl : public CWnd {
public:
    void SetRange(short lower, short upper);
    void SetRange32(int lower, int upper);
    void GetRange32(int& lower, int& upper) const;
    int SetPos(int pos);
    int SetPos32(int pos);
    // The position; with the buddy's text not a valid number in range, the last valid one.
    int GetPos32(BOOL* error = nullptr) const;
    HWND SetBuddy(HWND buddy);
};

class CComboBox : public CWnd {
public:
    int AddString(const std::string& text);
    int InsertString(int index, const std::string& text);
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);
    DWORD_PTR GetItemData(int index) const;
    int SetItemData(int index, DWORD_PTR data);
    std::string GetLBText(int index) const;
    void ResetContent();
};

// A list view in report mode: rows of texts under column headers.
class CListCtrl : public CWnd {
public:
    int InsertColumn(int index, const std::string& heading, int widthPixels);
    int InsertItem(int index, const std::wstring& text);
    BOOL SetItemText(int index, int column, const std::wstring& text);
    std::wstring GetItemText(int index, int column) const;
    int GetItemCount() const;
    // The first selected row, -1 when none.
    int GetSelectionMark() const;
    BOOL SetSelected(int index);
    void SetFullRowSelect();
};

class CTreeCtrl : public CWnd {
public:
    // Inserts a node with the text under parent (TVI_ROOT for none) after insertAfter
    // (TVI_SORT, TVI_LAST, TVI_FIRST or a sibling).
    HTREEITEM InsertItem(const std::string& text, HTREEITEM parent = TVI_ROOT,
                         HTREEITEM insertAfter = TVI_LAST);
    BOOL DeleteItem(HTREEITEM item);
    BOOL DeleteAllItems();
    BOOL SetItemData(HTREEITEM item, DWORD_PTR data);
    DWORD_PTR GetItemData(HTREEITEM item) const;
    std::string GetItemText(HTREEITEM item) const;
    BOOL ItemHasChildren(HTREEITEM item) const;
    HTREEITEM GetRootItem() const;
    HTREEITEM GetChildItem(HTREEITEM item) const;
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
    HTREEITEM GetParentItem(HTREEITEM item) const;
    HTREEITEM GetSelectedItem() const;
    HTREEITEM GetNextItem(HTREEITEM item, UINT code) const;
    BOOL SelectItem(HTREEITEM item);
    BOOL Expand(HTREEITEM item, UINT code);
    BOOL SortChildren(HTREEITEM item);
    BOOL SortChildrenCB(const TVSORTCB* sort);
    HTREEITEM HitTest(POINT point, UINT* flags = nullptr) const;
    UINT GetCount() const;
    // Switches redrawing off and on around bulk changes.
    void SetRedraw(BOOL redraw);
};
