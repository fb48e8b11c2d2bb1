// A push button that paints one of four bitmaps (pressed, hover, inactive, normal) with its caption
// centred over it, and shows the hover look through the platform's mouse tracking.
#pragma once
#include <controls.h>
#include <handles.h>

#include <string>

class CGraphicButton : public fw::CButton {
public:
    CGraphicButton() = default;
    ~CGraphicButton() override = default;

    // Bitmap resource ids in the order normal, hover, pressed, inactive. Neither call repaints.
    BOOL LoadBitmaps(UINT normal, UINT hover, UINT pressed, UINT inactive);
    BOOL ReloadBitmaps(UINT normal, UINT hover, UINT pressed, UINT inactive);
    void SetText(const std::wstring& text) { m_strText = text; }
    void SetToolTipText(std::wstring text);
    void DrawItem(LPDRAWITEMSTRUCT item) override;

    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    // Public. 1: the button is one of a group of options. It reads as an option to accessibility clients,
    // keeps its checked state (BM_SETCHECK, BM_GETCHECK), never becomes the dialog's default button, and
    // Enter on it chooses it (a click) and then presses the default button. Set by the owner.
    int m_bOption = 0;
    int m_bInactive = 0;
    int m_bHover = 0;
    int m_bPressed = 0;
    int m_bHoverPainted = 0;
    int m_bLargeFont = 0;
    fw::CToolTipCtrl m_ToolTip;
    int m_bButtonHeld = 0;
    fw::CBitmap m_bmpNormal;
    fw::CBitmap m_bmpPressed;
    fw::CBitmap m_bmpHover;
    fw::CBitmap m_bmpInactive;
    TRACKMOUSEEVENT m_trackRequest{};
    std::wstring m_strText;
    int m_nCheck = BST_UNCHECKED;  // an option's checked state
    // Focus cues hidden, as Windows has them until the user presses a key (WM_UPDATEUISTATE).
    int m_bHideFocusCue = 1;

private:
    LRESULT OnMouseLeave(WPARAM, LPARAM);
    LRESULT OnMouseHover(WPARAM, LPARAM);
    LRESULT OnMouseMove(WPARAM, LPARAM);
    LRESULT OnLButtonDown(WPARAM, LPARAM);
    LRESULT OnLButtonUp(WPARAM, LPARAM);
    LRESULT OnLButtonDblClk(WPARAM, LPARAM);
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnGetObject(WPARAM, LPARAM);
    LRESULT OnGetCheck(WPARAM, LPARAM);
    LRESULT OnSetCheck(WPARAM, LPARAM);
    LRESULT OnGetDlgCode(WPARAM, LPARAM);
    LRESULT OnKeyDown(WPARAM, LPARAM);
    LRESULT OnStateChange(WPARAM, LPARAM);
    LRESULT OnUpdateUiState(WPARAM, LPARAM);
    int m_nUnseenDepth = 0;  // nesting of OnStateChange
    void RelayToToolTip(UINT msg, WPARAM flags, LPARAM point);
};
