#include "StaticTrans.h"

#include <framework/accessible.h>
#include <oleacc.h>

#include <algorithm>

namespace {
// As the label draws its text: the static control's format for its style (SS_LEFT, SS_NOPREFIX).
constexpr UINT kTextFormat = DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK | DT_NOPREFIX;
}  // namespace

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

void CStaticTrans::SetShownText(const std::wstring& shown) {
    m_strShown = shown;
    Invalidate(TRUE);
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
        {WM_PAINT, &CStaticTrans::OnPaint},          // the shown part of the text, the option's focus cue
        {WM_GETOBJECT, &CStaticTrans::OnGetObject},  // named by the whole text, '&' and all
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

// The platform's static control paints the label into the paint context it is handed; the cue goes on top,
// clipped to the same update region.
LRESULT CStaticTrans::OnPaint(WPARAM, LPARAM) {
    if (m_strShown.empty() && !m_hwndFocusOf) return Default();
    const fw::CPaintDC paint(m_hWnd);
    if (m_strShown.empty())
        ::DefSubclassProc(m_hWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(paint.Get()), PRF_CLIENT);
    else
        DrawShownText(paint.Get());
    DrawFocusCue(paint.Get());
    return 0;
}

void CStaticTrans::DrawShownText(HDC dc) {
    RECT rc = GetClientRect();
    const auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(::GetParent(m_hWnd), WM_CTLCOLORSTATIC,
                                                               reinterpret_cast<WPARAM>(dc),
                                                               reinterpret_cast<LPARAM>(m_hWnd)));
    if (brush) ::FillRect(dc, &rc, brush);
    const fw::CSelectObject font(dc, reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT)));
    ::DrawTextW(dc, m_strShown.c_str(), -1, &rc, kTextFormat);
}

// Around the text, a pixel wider on either side, as the platform draws it around a radio button's text.
void CStaticTrans::DrawFocusCue(HDC dc) {
    if (!m_hwndFocusOf || ::GetFocus() != m_hwndFocusOf ||
        (::SendMessageW(m_hwndFocusOf, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS))
        return;
    const std::wstring text = m_strShown.empty() ? GetWindowText() : m_strShown;
    const RECT client = GetClientRect();
    RECT cue = client;
    {
        const fw::CSelectObject font(dc, reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT)));
        ::DrawTextW(dc, text.c_str(), -1, &cue, kTextFormat | DT_CALCRECT);
    }
    cue.left = std::max<LONG>(cue.left - 1, 0);
    cue.right = std::min(cue.right + 1, client.right);
    cue.bottom = std::min(cue.bottom, client.bottom);
    // Its dots invert what lies under them: black and white ones on the label's colours, whatever they are.
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::SetBkColor(dc, RGB(255, 255, 255));
    ::DrawFocusRect(dc, &cue);
}

LRESULT CStaticTrans::OnGetObject(WPARAM wp, LPARAM lp) {
    fw::AccessibleTexts texts;
    texts.name = GetWindowText();
    const LRESULT answer = fw::AnswerControlGetObject(m_hWnd, wp, lp, ROLE_SYSTEM_STATICTEXT, texts);
    return answer ? answer : Default();
}
