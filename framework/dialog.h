// Modal dialogs built from a dialog template resource.
#pragma once
#include "wnd.h"

namespace fw {

class CDialog : public CWnd {
public:
    CDialog(UINT templateId, HWND parent) : m_templateId(templateId), m_hParent(parent) {}

    // Runs the dialog modally and returns the value it ended with (-1 when it could not be created).
    INT_PTR DoModal();
    // Lays the dialog out right to left (WS_EX_LAYOUTRTL), as Windows lays out the dialogs of right-to-left
    // languages: its controls inherit the mirrored layout. Takes effect at the next DoModal.
    void SetMirrored(bool mirrored) { m_bMirrored = mirrored; }
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

    // The program's icon: the window's big and small icon, drawn while minimised and used as drag icon. Set
    // before the window exists; SetIcons hands it to the window.
    void SetIcon(HICON icon) { m_hIcon = icon; }

    // While one lives, the dialog works on something the user waits for: it takes no input (it is disabled,
    // as while a message box it owns is open), commands that still reach it are ignored, and it shows the
    // wait cursor. Afterwards the focus returns where it was.
    class CBusy {
    public:
        explicit CBusy(CDialog& dialog);
        ~CBusy();
        CBusy(const CBusy&) = delete;
        CBusy& operator=(const CBusy&) = delete;

    private:
        CDialog& m_dialog;
        HWND m_hFocus;
        bool m_bDisabled;
        HCURSOR m_hCursor;
    };

protected:
    // The id of the about item that both programs' dialogs may add to their system menu.
    static constexpr UINT kAboutCommand = 0x0010;
    // Appends a separator and the about item to the system menu, only when the string resource has a text.
    void AppendAboutMenuItem(UINT stringId);
    // Gives the window m_hIcon, big and small.
    void SetIcons();

    // Binds the template's controls to their member objects; runs once, from OnInitDialog.
    virtual void DoDataExchange() {}
    // Binds one control of the template to a member, the first time only; a control that cannot be bound
    // (missing from the template, or its messages cannot be routed) leaves ControlsBound() false.
    void BindControl(UINT id, CWnd& control);
    // Whether every control given to BindControl is bound; a dialog without them cannot work and ends.
    bool ControlsBound() const { return m_bControlsBound; }

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
    bool m_bMirrored = false;
    int m_nBusy = 0;  // CBusy objects alive
    HICON m_hIcon = nullptr;
    bool m_bControlsBound = true;
};

}  // namespace fw
