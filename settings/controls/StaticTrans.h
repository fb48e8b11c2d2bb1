// A static label with a chosen text colour and either a solid background or none at all, so that its
// text can stand directly on the dialog's background picture.
#pragma once
#include <framework/controls.h>
#include <framework/handles.h>

#include <string>

class CStaticTrans : public fw::CStatic {
public:
    static constexpr COLORREF kNoBackground = 0xFFFFFFFF;

    ~CStaticTrans() override = default;

    // Each repaints what the label covers.
    void SetBackColor(COLORREF color);
    void SetTextColor(COLORREF color);
    // Text in right-to-left reading order (WS_EX_RTLREADING). In a mirrored window it starts at the right.
    void SetRightToLeft();
    // Has the parent repaint what lies under the label, 2 pixels in from its edges.
    void RedrawParentArea();
    // What the label shows of its text when all of it does not fit (a beginning ended with an ellipsis);
    // empty: all of it. The window text, which screen readers read, stays whole. Repaints.
    void SetShownText(const std::wstring& shown);
    // The label is the text of `control` (an option): it shows that control's focus cue around its text, as
    // the platform's radio button does, while `control` has the focus and its window shows focus cues.
    void ShowFocusOf(HWND control) { m_hwndFocusOf = control; }

    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    LRESULT OnCtlColor(WPARAM dc, LPARAM);
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnGetObject(WPARAM, LPARAM);
    // The text as the platform's static control draws it, with only the shown part of it.
    void DrawShownText(HDC dc);
    void DrawFocusCue(HDC dc);

    COLORREF m_crTextColor = RGB(0, 0, 0);
    COLORREF m_crBkColor = kNoBackground;
    fw::CBrush m_brBackground;
    std::wstring m_strShown;
    HWND m_hwndFocusOf = nullptr;
};
