// Message maps: a window class lists the messages, commands and notifications it handles
// and the On... member that handles each, between BEGIN_MSG_MAP and END_MSG_MAP. The map
// expands into an override of ProcessWindowMessage that tries the entries in table order
// and hands everything else to the base class's map.
//
//   BEGIN_MSG_MAP(CMyDlg, CDialog)
//       ON_WM_PAINT()                         void OnPaint()
//       ON_WM_DESTROY()                       void OnDestroy()
//       ON_WM_QUERYDRAGICON()                 HCURSOR OnQueryDragIcon()
//       ON_WM_CONTEXTMENU()                   void OnContextMenu(HWND, POINT)
//       ON_COMMAND(id, OnX)                   void OnX()  (menu command or button click)
//       ON_BN_CLICKED(id, OnX)                void OnX()
//       ON_EN_CHANGE(id, OnX)                 void OnX()  (an edit field's text changed)
//       ON_NOTIFY(code, id, OnX)              void OnX(NMHDR*, LRESULT*)
//       ON_MESSAGE(message, OnX)              LRESULT OnX(WPARAM, LPARAM)
//       ON_SYSCOMMAND(id, OnX)                void OnX()  (an item added to the system menu;
//                                             every other system command goes on as usual)
//       ON_COMMAND_TABLE(Run)                 bool Run(int id)  (menu commands of a table:
//                                             false for an id the table lacks)
//       ON_SYSCOMMAND_TABLE(Run)              bool Run(UINT id)  (system-menu items of a table)
//   END_MSG_MAP()
#pragma once

#include <windows.h>

#define BEGIN_MSG_MAP(theClass, baseClass)                                                  \
public:                                                                                     \
    bool ProcessWindowMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult)    \
        override                                                                            \
    {                                                                                       \
        using ZolMapBase = baseClass;                                                       \
        (void)wParam;                                                                       \
        (void)lParam;

#define ON_WM_PAINT()                                                                       \
        if (uMsg == WM_PAINT) {                                                             \
            OnPaint();                                                                      \
            lResult = 0;                                                                    \
            return true;                                                                    \
        }

#define ON_WM_DESTROY()                                                                     \
        if (uMsg == WM_DESTROY) {                                                           \
            OnDestroy();                                                                    \
            lResult = 0;                                                                    \
            return true;                                                                    \
        }

#define ON_WM_QUERYDRAGICON()                                                               \
        if (uMsg == WM_QUERYDRAGICON) {                                                     \
            lResult = reinterpret_cast<LRESULT>(OnQueryDragIcon());                         \
            return true;                                                                    \
        }

#define ON_WM_CONTEXTMENU()                                                                 \
        if (uMsg == WM_CONTEXTMENU) {                                                       \
            POINT zolPoint = {static_cast<short>(LOWORD(lParam)),                           \
                              static_cast<short>(HIWORD(lParam))};                          \
            OnContextMenu(reinterpret_cast<HWND>(wParam), zolPoint);                        \
            lResult = 0;                                                                    \
            return true;                                                                    \
        }

#define ON_COMMAND(id, handler)                                                             \
        if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == 0) {          \
            handler();                                                                      \
            lResult = 0;                                                                    \
            return true;                                                                    \
        }

#define ON_BN_CLICKED(id, handler)                                                          \
        if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == BN_CLICKED) { \
            handler();                                                                      \
            lResult = 0;                                                                    \
            return true;                                                                    \
        }

#define ON_LBN_DBLCLK(id, handler)                                                           \
        if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == LBN_DBLCLK) { \
            handler();                                                                      \
            lResult = 0;                                                                    \
            return true;                                                                    \
        }

#define ON_EN_CHANGE(id, handler)                                                           \
        if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == EN_CHANGE) {  \
            handler();                                                                      \
            lResult = 0;                                                                    \
            return true;                                                                    \
        }

#define ON_NOTIFY(notifyCode, id, handler)                                                        \
        if (uMsg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->idFrom == (id) &&        \
            reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(notifyCode)) {          \
            LRESULT zolNotifyResult = 0;                                                    \
            handler(reinterpret_cast<NMHDR*>(lParam), &zolNotifyResult);                    \
            lResult = zolNotifyResult;                                                      \
            return true;                                                                    \
        }

#define ON_MESSAGE(message, handler)                                                        \
        if (uMsg == (message)) {                                                            \
            lResult = handler(wParam, lParam);                                              \
            return true;                                                                    \
        }

#define ON_SYSCOMMAND(id, handler)                                                          \
        if (uMsg == WM_SYSCOMMAND && (wParam & 0xFFF0) == (id)) {                           \
            handler();                                                                      \
            lResult = 0;                                                                    \
            return true;                                                                    \
        }

#define ON_COMMAND_TABLE(dispatch)                                                          \
        if (uMsg == WM_COMMAND && HIWORD(wParam) == 0 && dispatch(LOWORD(wParam))) {        \
            lResult = 0;                                                                    \
            return true;                                                                    \
        }

#define ON_SYSCOMMAND_TABLE(dispatch)                                                       \
        if (uMsg == WM_SYSCOMMAND && dispatch(static_cast<UINT>(wParam & 0xFFF0))) {        \
            lResult = 0;                                                                    \
            return true;                                                                    \
        }

#define END_MSG_MAP()                                                                       \
        return ZolMapBase::ProcessWindowMessage(uMsg, wParam, lParam, lResult);             \
    }
