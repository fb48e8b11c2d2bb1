#include "wnd.h"

#include <commctrl.h>

namespace fw {

namespace {
constexpr UINT_PTR kSubclassId = 0x4657;  // one subclass per window for this framework
const wchar_t kWndProp[] = L"fw.CWnd";
}  // namespace

CWnd::~CWnd() {
    UnsubclassWindow();
}

bool CWnd::SubclassWindow(HWND hwnd) {
    if (!hwnd || m_hWnd) return false;
    if (!::SetWindowSubclass(hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    // Without the property the parent cannot find the object, and its reflected messages would be lost.
    if (!::SetPropW(hwnd, kWndProp, this)) {
        ::RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
        return false;
    }
    m_hWnd = hwnd;
    m_bSubclassed = true;
    return true;
}

void CWnd::UnsubclassWindow() {
    if (m_hWnd && m_bSubclassed) {
        ::RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
        ::RemovePropW(m_hWnd, kWndProp);
    }
    m_bSubclassed = false;
    m_hWnd = nullptr;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    return hwnd ? static_cast<CWnd*>(::GetPropW(hwnd, kWndProp)) : nullptr;
}

std::wstring CWnd::GetWindowText() const {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(m_hWnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(m_hWnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool CWnd::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

bool PostMessageRetrying(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, int attempts) {
    // A full queue or a short lack of memory passes with time, not with an immediate second try.
    constexpr DWORD kPauseMs = 50;
    for (int i = 0; i < attempts; ++i) {
        if (i > 0) ::Sleep(kPauseMs);
        if (::PostMessageW(hwnd, msg, wp, lp)) return true;
    }
    return false;
}

LRESULT CWnd::Default() {
    return ::DefSubclassProc(m_hWnd, m_curMsg, m_curWParam, m_curLParam);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto* self = reinterpret_cast<CWnd*>(ref);
    const UINT prevMsg = self->m_curMsg;
    const WPARAM prevW = self->m_curWParam;
    const LPARAM prevL = self->m_curLParam;
    self->m_curMsg = msg;
    self->m_curWParam = wp;
    self->m_curLParam = lp;

    LRESULT result = 0;
    const bool handled = self->OnMessage(msg, wp, lp, result);
    if (!handled) result = ::DefSubclassProc(hwnd, msg, wp, lp);

    self->m_curMsg = prevMsg;
    self->m_curWParam = prevW;
    self->m_curLParam = prevL;
    if (msg == WM_NCDESTROY) self->UnsubclassWindow();
    return result;
}

}  // namespace fw
