#include "StaticTrans.h"

void CStaticTrans::SetBackColor(COLORREF color) {
    m_crBkColor = color;
    RedrawParentArea();
}

void CStaticTrans::SetTextColor(COLORREF color) {
    m_crTextColor = color;
    RedrawParentArea();
    Invalidate(TRUE);
}

void CStaticTrans::SetRightToLeft() {
    const LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE);
    ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, style | WS_EX_RTLREADING);
}

void CStaticTrans::RedrawParentArea() {
    HWND parent = ::GetParent(m_hWnd);
    if (!parent) return;
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rc), 2);
    ::InflateRect(&rc, -2, -2);
    ::InvalidateRect(parent, &rc, FALSE);
}

bool CStaticTrans::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    static const fw::MessageMapEntry<CStaticTrans> map[] = {
        {fw::kReflectBase + WM_CTLCOLORSTATIC, &CStaticTrans::OnCtlColor},
    };
    return RouteMessage(this, map, msg, wp, lp, result) || fw::CStatic::OnMessage(msg, wp, lp, result);
}

LRESULT CStaticTrans::OnCtlColor(WPARAM wp, LPARAM) {
    HDC dc = reinterpret_cast<HDC>(wp);
    m_brBackground.DeleteObject();
    // Without a brush of its colour (out of GDI objects) the label stands on whatever lies under it.
    if (m_crBkColor != kNoBackground && m_brBackground.CreateSolidBrush(m_crBkColor)) {
        ::SetBkColor(dc, m_crBkColor);
    } else {
        m_brBackground.SetStockBrush(NULL_BRUSH);
        ::SetBkMode(dc, TRANSPARENT);
    }
    ::SetTextColor(dc, m_crTextColor);
    // The reading order also for a static control that does not pass it on to its text output (Wine's).
    if (::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) & WS_EX_RTLREADING)
        ::SetTextAlign(dc, ::GetTextAlign(dc) | TA_RTLREADING);
    return reinterpret_cast<LRESULT>(m_brBackground.Get());
}
