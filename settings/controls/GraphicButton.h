// A push button that paints one of four bitmaps (pressed, hover, inactive, normal) with its caption
// centred over it, and shows the hover look through the platform's mouse tracking.
#pragma once
#include <framework/controls.h>
#include <framework/handles.h>

#include <string>

class CGraphicButton : public fw::CButton {
public:
    CGraphicButton() = default;
    ~CGraphicButton() override = default;

    // Bitmap resource ids in the order normal, hover, pressed, inactive; FALSE when one could not be loaded.
    // Neither call repaints.
    [[nodiscard]] BOOL LoadBitmaps(UINT normal, UINT hover, UINT pressed, UINT inactive);
    [[nodiscard]] BOOL ReloadBitmaps(UINT normal, UINT hover, UINT pressed, UINT inactive);
    // The inactive look (grey caption, no hover); repaints.
    void SetInactive(bool inactive);
    // The large layout's caption height (20 instead of 15); repaints.
    void SetLargeCaption(bool large);
    void SetText(const std::wstring& text) { m_strText = text; }
    // The caption reads right to left (WS_EX_RTLREADING), a Latin word or a number in it in its place.
    void SetRightToLeft() {
        ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, ::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) | WS_EX_RTLREADING);
    }
    const std::wstring& Text() const { return m_strText; }
    // The size of the normal image, which the caption is centred on.
    SIZE ImageSize() const { return m_bmpNormal.GetSize(); }
    // A tooltip over the whole button. Part of the button's interface; the dialog shows none.
    void SetToolTipText(std::wstring text);
    // High contrast: the button draws itself in the system colours instead of its bitmaps (an option as a
    // ring, with a dot while chosen). Does not repaint.
    void SetHighContrast(bool on) { m_bHighContrast = on; }
    // The caption's height in pixels where the one the layout gives (15, or 20 in the large layout) would not
    // hold the caption; 0 for that one.
    void SetCaptionHeight(int height) { m_nCaptionHeight = height; }
    // What screen readers call the button, as it stands. Its window text is the same with each '&' doubled,
    // so that none gives it an access key.
    void SetName(const std::wstring& name);
    // The button is one of a group of options (a radio button) whose text `text` shows (a CStaticTrans that
    // shows its focus cue). It reads as an option to accessibility clients, keeps its checked state
    // (BM_SETCHECK, BM_GETCHECK) and is a tab stop only while checked, never becomes the dialog's default
    // button (Enter presses that one), and the arrow keys choose the next or previous option of its group.
    void SetOption(HWND text) {
        m_bOption = 1;
        m_hwndText = text;
    }
    // Draws an owner-drawn button's pressed look. Part of the button's interface: the platform calls it only
    // for a button with the owner-draw style, which none of the dialog's has.
    void DrawItem(LPDRAWITEMSTRUCT item) override;

    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

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
    // Whether the window hides its focus cues (until the user works with the keyboard), as it says now.
    bool FocusCueHidden() const;
    void RelayToToolTip(UINT msg, WPARAM flags, LPARAM point);
    // The face in system colours; returns the caption's colour.
    COLORREF PaintSystemColourFace(HDC dc, const RECT& rc, bool pressed, bool hover, bool inactive);
    bool IsDefaultButton() const;
    // The caption's font for the height the button now has, made once for each height.
    HFONT CaptionFont();

    int m_bInactive = 0;
    int m_bLargeFont = 0;
    int m_bOption = 0;
    int m_bHover = 0;         // a hover notification came; consumed by the next paint
    int m_bPressed = 0;       // left button down; reset by every paint
    int m_bHoverPainted = 0;  // the last paint showed the hover image
    fw::CToolTipCtrl m_ToolTip;
    int m_bButtonHeld = 0;  // between left button down and up: no hover look
    fw::CBitmap m_bmpNormal;
    fw::CBitmap m_bmpPressed;
    fw::CBitmap m_bmpHover;
    fw::CBitmap m_bmpInactive;
    TRACKMOUSEEVENT m_trackRequest{};
    std::wstring m_strText;
    int m_nCheck = BST_UNCHECKED;  // an option's checked state
    HWND m_hwndText = nullptr;     // an option's text
    int m_nUnseenDepth = 0;        // nesting of OnStateChange
    bool m_bHighContrast = false;
    int m_nCaptionHeight = 0;
    std::wstring m_strName;
    fw::CFont m_fontCaption;
    int m_nCaptionFontHeight = 0;  // the height m_fontCaption was made for
};
