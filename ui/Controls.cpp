#include "ui/Controls.h"

#include "ui/Text.h"

void CSpinButtonCtrl::SetRange(short lower, short upper) { SendMessage(UDM_SETRANGE, 0, MAKELPARAM(upper, lower)); }
void CSpinButtonCtrl::SetRange32(int lower, int upper) { SendMessage(UDM_SETRANGE32, lower, upper); }

void CSpinButtonCtrl::GetRange32(int& lower, int& upper) const
{
    SendMessage(UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower), reinterpret_cast<LPARAM>(&upper));
}

int CSpinButtonCtrl::SetPos(int pos) { return static_cast<int>(SendMessage(UDM_SETPOS, 0, MAKELPARAM(pos, 0))); }
int CSpinButtonCtrl::SetPos32(int pos) { return static_cast<int>(SendMessage(UDM_SETPOS32, 0, pos)); }

int CSpinButtonCtrl::GetPos32(BOOL* error) const
{
    return static_cast<int>(SendMessage(UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(error)));
}

HWND CSpinButtonCtrl::SetBuddy(HWND buddy)
{
    return reinterpret_cast<HWND>(SendMessage(UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0));
}

int CComboBox::AddString(const std::string& text)
{
    return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str())));
}

int CComboBox::InsertString(int index, const std::string& text)
{
    return static_cast<int>(
        SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(Widen(text).c_str())));
}

int CComboBox::GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
int CComboBox::GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
int CComboBox::SetCurSel(int index) { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }

DWORD_PTR CComboBox::GetItemData(int index) const
{
    return static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(index)));
}

int CComboBox::SetItemData(int index, DWORD_PTR data)
{
    return static_cast<int>(SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)));
}

std::string CComboBox::GetLBText(int index) const
{
    const LRESULT length = SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (length == CB_ERR) return std::string();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return Narrow(text);
}

void CComboBox::ResetContent() { SendMessage(CB_RESETCONTENT); }

HTREEITEM CTreeCtrl::InsertItem(const std::string& text, HTREEITEM parent, HTREEITEM insertAfter)
{
    std::wstring wide = Widen(text);
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = insertAfter;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = wide.data();
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

BOOL CTreeCtrl::DeleteItem(HTREEITEM item)
{
    return static_cast<BOOL>(SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)));
}

BOOL CTreeCtrl::DeleteAllItems() { return DeleteItem(TVI_ROOT); }

BOOL CTreeCtrl::SetItemData(HTREEITEM item, DWORD_PTR data)
{
    TVITEMW tv = {};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    tv.lParam = static_cast<LPARAM>(data);
    return static_cast<BOOL>(SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv)));
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM item) const
{
    TVITEMW tv = {};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    if (!SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv))) return 0;
    return static_cast<DWORD_PTR>(tv.lParam);
}

std::string CTreeCtrl::GetItemText(HTREEITEM item) const
{
    // Tree texts are the parts of tag names; grow the buffer for the rare long one.
    for (size_t size = 256;; size *= 4) {
        std::wstring text(size, L'\0');
        TVITEMW tv = {};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = text.data();
        tv.cchTextMax = static_cast<int>(size);
        if (!SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv))) return std::string();
        const size_t length = wcsnlen(tv.pszText, size);
        if (length + 1 < size || size >= (1u << 20)) return Narrow(std::wstring(tv.pszText, length));
    }
}

BOOL CTreeCtrl::ItemHasChildren(HTREEITEM item) const { return GetChildItem(item) != nullptr; }

HTREEITEM CTreeCtrl::GetNextItem(HTREEITEM item, UINT code) const
{
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM CTreeCtrl::GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
HTREEITEM CTreeCtrl::GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
HTREEITEM CTreeCtrl::GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
HTREEITEM CTreeCtrl::GetParentItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PARENT); }
HTREEITEM CTreeCtrl::GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }

BOOL CTreeCtrl::SelectItem(HTREEITEM item)
{
    return static_cast<BOOL>(SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)));
}

BOOL CTreeCtrl::Expand(HTREEITEM item, UINT code)
{
    return static_cast<BOOL>(SendMessage(TVM_EXPAND, code, reinterpret_cast<LPARAM>(item)));
}

BOOL CTreeCtrl::SortChildren(HTREEITEM item)
{
    return static_cast<BOOL>(SendMessage(TVM_SORTCHILDREN, 0, reinterpret_cast<LPARAM>(item)));
}

BOOL CTreeCtrl::SortChildrenCB(const TVSORTCB* sort)
{
    return static_cast<BOOL>(SendMessage(TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(sort)));
}

HTREEITEM CTreeCtrl::HitTest(POINT point, UINT* flags) const
{
    TVHITTESTINFO info = {};
    info.pt = point;
    HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessage(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (flags) *flags = info.flags;
    return item;
}

UINT CTreeCtrl::GetCount() const { return static_cast<UINT>(SendMessage(TVM_GETCOUNT)); }

void CTreeCtrl::SetRedraw(BOOL redraw)
{
    SendMessage(WM_SETREDRAW, redraw, 0);
    if (redraw) ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

int CListCtrl::InsertColumn(int index, const std::string& heading, int widthPixels)
{
    // The header measures its text and draws it into exactly that width; where the drawn
    // glyphs come out a pixel or two wider than measured (Wine's substitute fonts, e.g.
    // "Устройств" and "Действие" at 8 pt), the last letter is cut. A trailing blank gives
    // the measure that room; it draws nothing.
    std::wstring text = Widen(heading) + L" ";
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = text.data();
    column.cx = widthPixels;
    column.iSubItem = index;
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)));
}

int CListCtrl::InsertItem(int index, const std::wstring& text)
{
    std::wstring copy = text;
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = copy.data();
    return static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::SetItemText(int index, int column, const std::wstring& text)
{
    std::wstring copy = text;
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = copy.data();
    return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
}

std::wstring CListCtrl::GetItemText(int index, int column) const
{
    std::wstring text(1024, L'\0');
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    const LRESULT length = SendMessage(LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    text.resize(static_cast<size_t>(length));
    return text;
}

int CListCtrl::GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }

int CListCtrl::GetSelectionMark() const
{
    return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

BOOL CListCtrl::SetSelected(int index)
{
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    const BOOL done = static_cast<BOOL>(SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
    SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
    return done;
}

void CListCtrl::SetFullRowSelect()
{
    SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

void AddListBoxLines(HWND list, const std::vector<std::wstring>& lines)
{
    int widest = static_cast<int>(::SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0)) - 8;
    HDC dc = ::GetDC(list);
    HGDIOBJ oldFont = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(list, WM_GETFONT, 0, 0)));
    for (const std::wstring& line : lines) {
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        SIZE size = {};
        if (::GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &size) && size.cx > widest)
            widest = size.cx;
    }
    ::SelectObject(dc, oldFont);
    ::ReleaseDC(list, dc);
    if (widest > 0) ::SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
}
