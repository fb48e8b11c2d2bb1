// Modal dialogs built from a dialog template resource.
#pragma once
#include "wnd.h"

namespace fw {

class CDialog : public CWnd {
public:
    CDialog(UINT templateId, HWND parent) : m_templateId(templateId), m_hParent(parent) {}

    // Runs the dialog modally and returns the value it ended with (-1 when it could not be created).
    INT_PTR DoModal();
    void EndDialog(INT_PTR result) {
        m_bEnded = true;
        ::EndDialog(m_hWnd, result);
    }

    virtual BOOL OnInitDialog();
    // Data exchange, then the end with IDOK.
    virtual void OnOK();
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // The about item of the system menu was chosen; nothing to show unless a dialog has a box for it.
    virtual void OnAbout() {}

    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    // The program's icon: the window's big and small icon, drawn while minimised and used as drag icon.
    HICON m_hIcon = nullptr;

protected:
    // The id of the about item that both programs' dialogs may add to their system menu.
    static constexpr UINT kAboutCommand = 0x0010;
    // Appends a separator and the about item to the system menu, only when the string resource has a text.
    void AppendAboutMenuItem(UINT stringId);
    // Gives the window m_hIcon, big and small.
    void SetIcons();

    // Binds the template's controls to their member objects; runs once, from OnInitDialog.
    virtual void DoDataExchange() {}
    // Binds one control of the template to a member, the first time only.
    void BindControl(UINT id, CWnd& control);

private:
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT OnSysCommand(WPARAM, LPARAM);
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnQueryDragIcon(WPARAM, LPARAM);

    UINT m_templateId;
    HWND m_hParent;
    // Set once the dialog has ended: an ended dialog is never shown again, not even by a dialog manager
    // that shows the window after an initialisation that already ended it.
    bool m_bEnded = false;
};

}  // namespace fw
