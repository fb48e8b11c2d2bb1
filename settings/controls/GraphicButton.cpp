#include "GraphicButton.h"

#include <framework/accessible.h>
#include <oleacc.h>

#include <algorithm>

#include "AccessKey.h"

namespace {
constexpr COLORREF kCaptionColor = RGB(0, 0, 0);
constexpr COLORREF kInactiveCaptionColor = RGB(135, 135, 135);
constexpr COLORREF kDefaultFrameColor = RGB(0x08, 0x55, 0x5E);  // the dark accent of the images
}  // namespace

BOOL CGraphicButton::LoadBitmaps(UINT normal, UINT hover, UINT pressed, UINT inactive) {
    // Each is tried: a button with some of its images still paints those it has.
    const bool loaded[] = {m_bmpNormal.LoadBitmap(normal), m_bmpHover.LoadBitmap(hover),
                           m_bmpPressed.LoadBitmap(pressed), m_bmpInactive.LoadBitmap(inactive)};
    return std::all_of(std::begin(loaded), std::end(loaded), [](bool b) { return b; });
}

void CGraphicButton::SetInactive(bool inactive) {
    m_bInactive = inactive ? 1 : 0;
    Invalidate(TRUE);
}

void CGraphicButton::SetLargeCaption(bool large) {
    m_bLargeFont = large ? 1 : 0;
    Invalidate(TRUE);
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
    const RECT rc = GetClientRect();
    const fw::CSelectObject pressed(mem.Get(), m_bmpPressed.Get());
    if (item->itemState & ODS_SELECTED) {
        const SIZE size = m_bmpPressed.GetSize();
        ::StretchBlt(item->hDC, 0, 0, rc.right, rc.bottom, mem.Get(), 0, 0, size.cx, size.cy, SRCCOPY);
    }
}

bool CGraphicButton::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    static const fw::MessageMapEntry<CGraphicButton> map[] = {
        {WM_MOUSELEAVE, &CGraphicButton::OnMouseLeave},        // hover look ends
        {WM_MOUSEHOVER, &CGraphicButton::OnMouseHover},        // hover look, once per rest
        {WM_MOUSEMOVE, &CGraphicButton::OnMouseMove},          // tracking re-armed
        {WM_LBUTTONDOWN, &CGraphicButton::OnLButtonDown},      // pressed and held
        {WM_LBUTTONUP, &CGraphicButton::OnLButtonUp},          // released: the click
        {WM_LBUTTONDBLCLK, &CGraphicButton::OnLButtonDblClk},  // swallowed
        {WM_PAINT, &CGraphicButton::OnPaint},                  // bitmap, caption and focus cue
        {WM_GETOBJECT, &CGraphicButton::OnGetObject},          // a push button or an option to screen readers
        {BM_GETCHECK, &CGraphicButton::OnGetCheck},            // an option's checked state
        {BM_SETCHECK, &CGraphicButton::OnSetCheck},
        {WM_GETDLGCODE, &CGraphicButton::OnGetDlgCode},  // an option is no push button to the dialog
        {WM_KEYDOWN, &CGraphicButton::OnKeyDown},        // arrow keys on an option
        {WM_SETFOCUS, &CGraphicButton::OnStateChange},   // changes the platform would draw itself
        {WM_KILLFOCUS, &CGraphicButton::OnStateChange},
        {WM_ENABLE, &CGraphicButton::OnStateChange},
        {WM_SETTEXT, &CGraphicButton::OnStateChange},
        {WM_UPDATEUISTATE, &CGraphicButton::OnStateChange},
        {BM_SETSTATE, &CGraphicButton::OnStateChange},
        {BM_SETSTYLE, &CGraphicButton::OnStateChange},
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
    const fw::CPaintDC paint(m_hWnd);
    const HDC dc = paint.Get();
    const fw::CMemoryDC mem(::CreateCompatibleDC(dc));
    RECT rc = GetClientRect();

    // Pressed: for one paint after a click (the mouse), or while Space holds the platform's button pushed.
    const bool pressed = m_bPressed || (!m_bButtonHeld && (SendMessage(BM_GETSTATE) & BST_PUSHED));
    const fw::CBitmap* bitmap = &m_bmpNormal;
    bool greyCaption = false;
    if (pressed) {
        bitmap = &m_bmpPressed;
    } else if (m_bHover) {
        bitmap = &m_bmpHover;
    } else if (m_bInactive) {
        bitmap = &m_bmpInactive;
        greyCaption = true;
    }

    const SIZE size = bitmap->GetSize();
    COLORREF captionColor = greyCaption ? kInactiveCaptionColor : kCaptionColor;
    if (m_bHighContrast) {
        captionColor = PaintSystemColourFace(dc, rc, pressed, m_bHover != 0, greyCaption);
    } else {
        const fw::CSelectObject image(mem.Get(), bitmap->Get());
        // The images keep their orientation in a mirrored (right-to-left) window: drawn unmirrored, in the
        // device's own coordinates, where the mirrored layout puts them (at the right).
        const DWORD layout = ::SetLayout(dc, 0);
        const LONG left = (layout & LAYOUT_RTL) ? rc.right - size.cx : rc.left;
        ::StretchBlt(dc, left, rc.top, size.cx, size.cy, mem.Get(), 0, 0, size.cx, size.cy, SRCCOPY);
        // The default button (the one Enter presses) is framed in the accent colour.
        if (IsDefaultButton()) {
            const fw::CPen pen(::CreatePen(PS_SOLID, 1, kDefaultFrameColor));
            const fw::CSelectObject framePen(dc, pen.Get());
            const fw::CSelectObject hollow(dc, ::GetStockObject(NULL_BRUSH));
            const int corner = size.cy / 3;
            ::RoundRect(dc, std::max(left, rc.left), 0, std::min(left + size.cx, rc.right),
                        std::min(size.cy, rc.bottom), corner, corner);
        }
        ::SetLayout(dc, layout);
    }

    const fw::CSelectObject font(dc, CaptionFont());
    rc = GetClientRect();
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, captionColor);
    // An '&' is shown as it stands; a right-to-left language's caption reads right to left.
    const bool rightToLeft = ::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) & WS_EX_RTLREADING;
    ::DrawTextW(dc, m_strText.c_str(), -1, &rc,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | (rightToLeft ? DT_RTLREADING : 0));

    // The focus cue, unless the window's cues are hidden (until the user works with the keyboard). An option
    // with a text has it around its text (its label draws it).
    if (::GetFocus() == m_hWnd && !FocusCueHidden() && !(m_hwndText && ::GetWindowTextLengthW(m_hwndText))) {
        RECT cue = GetClientRect();
        if (cue.bottom >= 20) ::InflateRect(&cue, -3, -3);  // inside the face of a larger button
        // Its dots invert what lies under them: black and white ones, as on the images, on any colours.
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetBkColor(dc, RGB(255, 255, 255));
        ::DrawFocusRect(dc, &cue);
    }

    m_bHoverPainted = m_bHover;
    m_bHover = 0;
    m_bPressed = 0;
    return 0;
}

HFONT CGraphicButton::CaptionFont() {
    const int height = m_nCaptionHeight ? m_nCaptionHeight : (m_bLargeFont ? 20 : 15);
    if (!m_fontCaption || height != m_nCaptionFontHeight) {
        // Without the font the caption is drawn in the window's own (null selects nothing), and the next
        // paint tries again.
        m_nCaptionFontHeight = m_fontCaption.CreateSegoeFont(height, FW_NORMAL) ? height : 0;
    }
    return m_fontCaption.Get();
}

bool CGraphicButton::IsDefaultButton() const {
    return !m_bOption && (::GetWindowLongW(m_hWnd, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

// Window, window text, button face and text, highlight and grey text: whatever the user's theme makes them.
// A push button is a framed face (a second frame line while it is the default button, a highlight frame while
// hovered, a highlighted face while pressed); an option is a ring, with a dot while chosen.
COLORREF CGraphicButton::PaintSystemColourFace(HDC dc, const RECT& rc, bool pressed, bool hover,
                                               bool inactive) {
    const int ink = inactive             ? COLOR_GRAYTEXT
                    : (pressed || hover) ? COLOR_HIGHLIGHT
                    : m_bOption          ? COLOR_WINDOWTEXT
                                         : COLOR_BTNTEXT;
    if (m_bOption) {
        ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_WINDOW));
        const int n = std::min(rc.right, rc.bottom);
        const fw::CPen pen(::CreatePen(PS_SOLID, 1, ::GetSysColor(ink)));
        const fw::CSelectObject ringPen(dc, pen.Get());
        {
            const fw::CSelectObject ring(dc, ::GetSysColorBrush(COLOR_WINDOW));
            ::Ellipse(dc, 0, 0, n, n);
        }
        if (m_nCheck == BST_CHECKED) {
            const fw::CSelectObject dot(dc, ::GetSysColorBrush(COLOR_WINDOWTEXT));
            const int inset = n / 4 + 1;
            ::Ellipse(dc, inset, inset, n - inset, n - inset);
        }
        return ::GetSysColor(COLOR_WINDOWTEXT);
    }
    ::FillRect(dc, &rc, ::GetSysColorBrush(pressed ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    RECT frame = rc;
    const int lines = (hover || pressed || IsDefaultButton()) ? 2 : 1;
    for (int i = 0; i < lines; ++i) {
        ::FrameRect(dc, &frame, ::GetSysColorBrush(ink));
        ::InflateRect(&frame, -1, -1);
    }
    return ::GetSysColor(inactive ? COLOR_GRAYTEXT : pressed ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
}

LRESULT CGraphicButton::OnGetObject(WPARAM wp, LPARAM lp) {
    fw::AccessibleTexts texts;
    texts.name = m_strName;
    if (m_bOption) texts.defaultAction = L"Check";  // a radio button's, not a push button's "Press"
    const LRESULT answer = fw::AnswerControlGetObject(
        m_hWnd, wp, lp, m_bOption ? ROLE_SYSTEM_RADIOBUTTON : ROLE_SYSTEM_PUSHBUTTON, texts);
    if (!answer) return Default();
    return answer;
}

// The platform's push button has no checked state; an option keeps its own.
LRESULT CGraphicButton::OnGetCheck(WPARAM, LPARAM) {
    if (!m_bOption) return Default();
    return m_nCheck;
}

LRESULT CGraphicButton::OnSetCheck(WPARAM wp, LPARAM) {
    if (!m_bOption) return Default();
    // As the platform's radio buttons: only the checked option is a tab stop, so Tab reaches the group at it.
    const LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_STYLE) & ~WS_TABSTOP;
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, style | (wp == BST_CHECKED ? WS_TABSTOP : 0));
    if (m_nCheck != static_cast<int>(wp)) {
        m_nCheck = static_cast<int>(wp);
        if (m_bHighContrast) Invalidate(TRUE);  // the ring shows the check (the images are the owner's)
        ::NotifyWinEvent(EVENT_OBJECT_STATECHANGE, m_hWnd, OBJID_CLIENT, CHILDID_SELF);
    }
    return 0;
}

// The dialog manager asks the focused button about every key before it acts on it: the first key shows the
// dialog's focus cues, which stay hidden while the user works with the mouse alone.
LRESULT CGraphicButton::OnGetDlgCode(WPARAM, LPARAM lp) {
    const MSG* msg = reinterpret_cast<const MSG*>(lp);
    const bool keyDown = msg && (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN);
    HWND dialog = ::GetParent(m_hWnd);
    if (keyDown && FocusCueHidden() && dialog) {
        const WPARAM show = MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS);
        ::SendMessageW(dialog, WM_UPDATEUISTATE, show, 0);
        for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            ::SendMessageW(child, WM_UPDATEUISTATE, show, 0);
    }
    LRESULT code = Default();
    if (!m_bOption) return code;
    // A radio button to the dialog manager, never a push button: Enter presses the dialog's default button
    // with the choice as it stands. The arrow keys are the option's own (OnKeyDown).
    return (code & ~(DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) | DLGC_RADIOBUTTON | DLGC_WANTARROWS;
}

// The arrow keys move the choice within the option's group, as in a group of the platform's radio buttons:
// the focus goes to the next (down, right) or previous (up, left) option, which is then chosen as a click
// chooses it.
LRESULT CGraphicButton::OnKeyDown(WPARAM wp, LPARAM) {
    const bool next = wp == VK_DOWN || wp == VK_RIGHT;
    if (!m_bOption || (!next && wp != VK_UP && wp != VK_LEFT)) return Default();
    HWND dialog = ::GetParent(m_hWnd);
    HWND other = ::GetNextDlgGroupItem(dialog, m_hWnd, !next);
    if (!other || other == m_hWnd || !(::SendMessageW(other, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON))
        return 0;
    ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(other), TRUE);
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(other), BN_CLICKED),
                   reinterpret_cast<LPARAM>(other));
    return 0;
}

bool CGraphicButton::FocusCueHidden() const {
    return SendMessage(WM_QUERYUISTATE) & UISF_HIDEFOCUS;
}

void CGraphicButton::SetName(const std::wstring& name) {
    m_strName = name;
    SetWindowText(WithoutAccessKey(name));
}

// The platform's button draws its own face straight onto the screen when its focus, pushed state, style,
// availability, text or focus cues change. Here only the paint handler draws: the change is made while the
// button is not drawn (redraw off), and then the button is painted anew.
LRESULT CGraphicButton::OnStateChange(WPARAM, LPARAM) {
    const bool outermost = m_nUnseenDepth == 0 && (::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_VISIBLE);
    ++m_nUnseenDepth;
    if (outermost) SendMessage(WM_SETREDRAW, FALSE);
    const LRESULT result = Default();
    if (outermost) SendMessage(WM_SETREDRAW, TRUE);
    --m_nUnseenDepth;
    if (outermost) Invalidate(TRUE);
    if (outermost && m_hwndText) ::InvalidateRect(m_hwndText, nullptr, TRUE);  // its focus cue
    return result;
}
