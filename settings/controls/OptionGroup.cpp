#include "OptionGroup.h"

#include <framework/accessible.h>
#include <framework/handles.h>
#include <oleacc.h>

#include "AccessKey.h"

bool COptionGroup::Create(HWND dialog, UINT id, const RECT& rc, const std::wstring& title,
                          const std::wstring& description, HWND previous) {
    m_strTitle = title;
    m_strDescription = description;
    // A group box's text would give the control after it an access key.
    HWND hwnd = ::CreateWindowExW(
        0, L"Button", WithoutAccessKey(title).c_str(), WS_CHILD | WS_VISIBLE | BS_GROUPBOX, rc.left, rc.top,
        rc.right - rc.left, rc.bottom - rc.top, dialog, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
        ::GetModuleHandleW(nullptr), nullptr);
    if (!hwnd || !SubclassWindow(hwnd)) return false;
    ::SetWindowPos(hwnd, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
    // An empty window region: the platform's hit tests from other processes (WindowFromPoint), which never
    // hear the box answer "transparent", pass it as they pass a hidden window; it stays visible to screen
    // readers, whose object hit tests it passes on itself (AccessibleTexts::passHitTests). The region
    // belongs to the window from here on.
    HRGN none = ::CreateRectRgn(0, 0, 0, 0);
    if (none && !::SetWindowRgn(hwnd, none, FALSE)) ::DeleteObject(none);
    return true;
}

bool COptionGroup::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    static const fw::MessageMapEntry<COptionGroup> map[] = {
        {WM_PAINT, &COptionGroup::OnPaint},                  // nothing to show
        {WM_ERASEBKGND, &COptionGroup::OnEraseBkgnd},        // nor to erase
        {WM_GETOBJECT, &COptionGroup::OnGetObject},          // a grouping to screen readers
        {WM_UPDATEUISTATE, &COptionGroup::OnUpdateUiState},  // the platform's group box would draw itself
    };
    return RouteMessage(this, map, msg, wp, lp, result) || fw::CWnd::OnMessage(msg, wp, lp, result);
}

LRESULT COptionGroup::OnPaint(WPARAM, LPARAM) {
    const fw::CPaintDC validated(m_hWnd);
    return 0;
}

// The window's own bookkeeping of its cues, without the group box's drawing.
LRESULT COptionGroup::OnUpdateUiState(WPARAM wp, LPARAM lp) {
    return ::DefWindowProcW(m_hWnd, WM_UPDATEUISTATE, wp, lp);
}

LRESULT COptionGroup::OnGetObject(WPARAM wp, LPARAM lp) {
    fw::AccessibleTexts texts;
    texts.name = m_strTitle;
    texts.description = m_strDescription;
    texts.passHitTests = true;
    const LRESULT answer = fw::AnswerControlGetObject(m_hWnd, wp, lp, ROLE_SYSTEM_GROUPING, texts);
    return answer ? answer : Default();
}
