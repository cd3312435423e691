// CDialog: a modal dialog bound to a dialog template.
//
// One dialog procedure serves every dialog: it finds the object through the window's user
// data (set on WM_INITDIALOG, cleared on WM_NCDESTROY) and routes each message through the
// class's message map (MessageMap.h). Exceptions never cross the dialog procedure: a
// handler that throws is reported and the message counts as handled.
#pragma once

#include <windows.h>

#include "ui/DataExchange.h"
#include "ui/MessageMap.h"
#include "ui/Wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Runs the dialog; returns the value given to EndDialog, or -1 if it could not be
    // created.
    virtual INT_PTR DoModal();
    void EndDialog(int result);
    // Creates the dialog modeless, owned by owner (null: none); false when it could not be.
    // DestroyWindow ends it.
    BOOL Create(HWND owner);
    void DestroyWindow();

    // Transfers data between the controls and the members through DoDataExchange.
    // Reading from the controls validates; a failed validation has already told the user
    // and put the focus on the field, and the result is false.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    UINT GetTemplateId() const { return m_nTemplateId; }

    // Centres the window over its owner (over the work area when it has none), inside the
    // work area. Every dialog is centred so as it opens.
    void CenterWindow();

    // The control of this dialog that holds the keyboard focus (null: none). A command that
    // disables the dialog for a while notes it first: disabling a window takes the focus
    // away, and enabling it again does not give it back.
    HWND FocusedControl() const;
    // Gives the focus back after such a command, as the dialog manager does when a dialog is
    // active again after a modal box: to control when it is still a visible, enabled control
    // of this dialog, otherwise to fallback.
    void ReturnFocus(HWND control, HWND fallback);

protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual void OnOK();
    virtual void OnCancel();
    // Handles the messages of the dialog; derived classes extend it with a message map.
    virtual bool ProcessWindowMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult);
    // F1 anywhere in the dialog (the system sends it up from the focused control): the
    // guide at this dialog's section, never the owner's.
    virtual void OnHelpKey();
    // Called on WM_NCDESTROY, after the window is gone.
    virtual void PostNcDestroy() {}

    // The platform's painting of a dialog (the window procedure's default).
    void OnPaint() { DefaultPaint(); }
    void OnDestroy() {}

    CWnd* m_pParentWnd;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    void DefaultPaint();

    UINT m_nTemplateId;
};

// The dialog object of a window handle (null when the window is not one of ours).
CDialog* DialogFromHandle(HWND hWnd);
