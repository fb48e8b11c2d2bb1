// A static label with a chosen text colour and either a solid background or none at all, so that its
// text can stand directly on the dialog's background picture.
#pragma once
#include <controls.h>
#include <handles.h>

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

    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    LRESULT OnCtlColor(WPARAM dc, LPARAM);

    COLORREF m_crTextColor = RGB(0, 0, 0);
    COLORREF m_crBkColor = kNoBackground;
    fw::CBrush m_brBackground;
};
