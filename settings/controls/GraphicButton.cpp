#include "GraphicButton.h"

namespace {
constexpr COLORREF kCaptionColor = RGB(0, 0, 0);
constexpr COLORREF kInactiveCaptionColor = RGB(135, 135, 135);
}  // namespace

BOOL CGraphicButton::LoadBitmaps(UINT normal, UINT hover, UINT pressed, UINT inactive) {
    m_bmpNormal.LoadBitmap(normal);
    m_bmpHover.LoadBitmap(hover);
    m_bmpPressed.LoadBitmap(pressed);
    m_bmpInactive.LoadBitmap(inactive);
    return TRUE;
}

BOOL CGraphicButton::ReloadBitmaps(UINT normal, UINT hover, UINT pressed, UINT inactive) {
    m_bmpNormal.Reset();
    m_bmpPressed.Reset();
    m_bmpHover.Reset();
    m_bmpInactive.Reset();
    return LoadBitmaps(normal, hover, pressed, inactive);
}

void CGraphicButton::SetToolTipText(std::wstring text) {
    if (!m_ToolTip.GetSafeHwnd()) {
        if (m_ToolTip.Create(m_hWnd, 0) && m_ToolTip.AddTool(m_hWnd, text)) m_ToolTip.Activate(true);
        return;
    }
    m_ToolTip.UpdateTipText(m_hWnd, text);
}

void CGraphicButton::DrawItem(LPDRAWITEMSTRUCT item) {
    fw::CMemoryDC mem(::CreateCompatibleDC(item->hDC));
    RECT rc = GetClientRect();
    HGDIOBJ old = ::SelectObject(mem.Get(), m_bmpPressed.Get());
    if (item->itemState & ODS_SELECTED) {
        const SIZE size = m_bmpPressed.GetSize();
        ::StretchBlt(item->hDC, 0, 0, rc.right, rc.bottom, mem.Get(), 0, 0, size.cx, size.cy, SRCCOPY);
    }
    ::SelectObject(mem.Get(), old);
}

bool CGraphicButton::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    static const fw::MessageMapEntry<CGraphicButton> map[] = {
        {WM_MOUSELEAVE, &CGraphicButton::OnMouseLeave},        // hover look ends
        {WM_MOUSEHOVER, &CGraphicButton::OnMouseHover},        // hover look, once per rest
        {WM_MOUSEMOVE, &CGraphicButton::OnMouseMove},          // tracking re-armed
        {WM_LBUTTONDOWN, &CGraphicButton::OnLButtonDown},      // pressed and held
        {WM_LBUTTONUP, &CGraphicButton::OnLButtonUp},          // released: the click
        {WM_LBUTTONDBLCLK, &CGraphicButton::OnLButtonDblClk},  // swallowed
        {WM_PAINT, &CGraphicButton::OnPaint},                  // bitmap and caption
    };
    return RouteMessage(this, map, msg, wp, lp, result) || fw::CButton::OnMessage(msg, wp, lp, result);
}

void CGraphicButton::RelayToToolTip(UINT msg, WPARAM flags, LPARAM point) {
    if (!m_ToolTip.GetSafeHwnd()) return;
    MSG relayed{};
    relayed.hwnd = m_hWnd;
    relayed.message = msg;
    relayed.wParam = flags;
    relayed.lParam = point;
    relayed.time = 0;
    relayed.pt.x = static_cast<short>(LOWORD(point));
    relayed.pt.y = static_cast<short>(HIWORD(point));
    m_ToolTip.RelayEvent(&relayed);
}

LRESULT CGraphicButton::OnMouseLeave(WPARAM, LPARAM) {
    Invalidate(TRUE);
    return 0;
}

LRESULT CGraphicButton::OnMouseHover(WPARAM, LPARAM) {
    // One hover paint per rest of the mouse; a held or inactive button never shows it.
    if (!m_bButtonHeld && !m_bInactive && !m_bHoverPainted) {
        m_bHover = 1;
        Invalidate(TRUE);
    }
    return 0;
}

LRESULT CGraphicButton::OnMouseMove(WPARAM wp, LPARAM lp) {
    RelayToToolTip(WM_MOUSEMOVE, wp, lp);
    m_trackRequest.cbSize = sizeof m_trackRequest;
    m_trackRequest.dwFlags = TME_HOVER | TME_LEAVE;
    m_trackRequest.hwndTrack = m_hWnd;
    m_trackRequest.dwHoverTime = 1;
    ::_TrackMouseEvent(&m_trackRequest);
    return Default();
}

LRESULT CGraphicButton::OnLButtonDown(WPARAM wp, LPARAM lp) {
    RelayToToolTip(WM_LBUTTONDOWN, wp, lp);
    ::SetFocus(m_hWnd);
    m_bPressed = 1;
    m_bButtonHeld = 1;
    ::SetCapture(m_hWnd);
    Default();
    Invalidate(TRUE);
    return 0;
}

LRESULT CGraphicButton::OnLButtonUp(WPARAM wp, LPARAM lp) {
    RelayToToolTip(WM_LBUTTONUP, wp, lp);
    Invalidate(TRUE);
    m_bButtonHeld = 0;
    m_bPressed = 0;
    Default();  // the platform's button sends its click notification here
    ::ReleaseCapture();
    return 0;
}

// The second press of a double click is swallowed: no pressed look, no second click.
LRESULT CGraphicButton::OnLButtonDblClk(WPARAM, LPARAM) {
    return 0;
}

LRESULT CGraphicButton::OnPaint(WPARAM, LPARAM) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    fw::CMemoryDC mem(::CreateCompatibleDC(dc));
    RECT rc = GetClientRect();

    const fw::CBitmap* bitmap = &m_bmpNormal;
    bool greyCaption = false;
    if (m_bPressed) {
        bitmap = &m_bmpPressed;
    } else if (m_bHover) {
        bitmap = &m_bmpHover;
    } else if (m_bInactive) {
        bitmap = &m_bmpInactive;
        greyCaption = true;
    }

    const SIZE size = bitmap->GetSize();
    HGDIOBJ oldBitmap = ::SelectObject(mem.Get(), bitmap->Get());
    ::StretchBlt(dc, rc.left, rc.top, size.cx, size.cy, mem.Get(), 0, 0, size.cx, size.cy, SRCCOPY);

    fw::CFont font;
    font.CreateSegoeFont(m_bLargeFont ? 20 : 15, FW_NORMAL);
    HGDIOBJ oldFont = ::SelectObject(dc, font.Get());
    rc = GetClientRect();
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, greyCaption ? kInactiveCaptionColor : kCaptionColor);
    ::DrawTextW(dc, m_strText.c_str(), -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);

    m_bHoverPainted = m_bHover;
    m_bHover = 0;
    m_bPressed = 0;

    ::SelectObject(mem.Get(), oldBitmap);
    ::SelectObject(dc, oldFont);
    ::EndPaint(m_hWnd, &ps);
    return 0;
}
