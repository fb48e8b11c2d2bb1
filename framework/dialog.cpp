#include "dialog.h"

#include <cstring>
#include <vector>

#include "app.h"
#include "handles.h"

namespace fw {

INT_PTR CDialog::DoModal() {
    m_bEnded = false;
    HINSTANCE instance = CWinApp::Get()->Instance();
    const LPARAM self = reinterpret_cast<LPARAM>(this);
    if (!m_bMirrored)
        return ::DialogBoxParamW(instance, MAKEINTRESOURCEW(m_templateId), m_hParent, DialogProc, self);

    // One template for every language: a copy of it with the mirrored layout in its extended style.
    HRSRC found =
        ::FindResourceW(instance, MAKEINTRESOURCEW(m_templateId), MAKEINTRESOURCEW(5));  // RT_DIALOG
    HGLOBAL loaded = found ? ::LoadResource(instance, found) : nullptr;
    const auto* bytes = static_cast<const BYTE*>(loaded ? ::LockResource(loaded) : nullptr);
    const DWORD size = found ? ::SizeofResource(instance, found) : 0;
    if (!bytes || size < sizeof(DLGTEMPLATE)) return -1;
    std::vector<DWORD> copy((size + sizeof(DWORD) - 1) / sizeof(DWORD));  // DWORD-aligned, as templates are
    std::memcpy(copy.data(), bytes, size);
    // An extended template (version 1, signature 0xFFFF) keeps its extended style in its third DWORD, the
    // classic one in its second.
    const auto* words = reinterpret_cast<const WORD*>(bytes);
    const bool extended = words[0] == 1 && words[1] == 0xFFFF;
    copy[extended ? 2 : 1] |= WS_EX_LAYOUTRTL;
    return ::DialogBoxIndirectParamW(instance, reinterpret_cast<LPCDLGTEMPLATEW>(copy.data()), m_hParent,
                                     DialogProc, self);
}

BOOL CDialog::OnInitDialog() {
    DoDataExchange();
    return TRUE;
}

void CDialog::OnOK() {
    DoDataExchange();
    EndDialog(IDOK);
}

void CDialog::AppendAboutMenuItem(UINT stringId) {
    wchar_t about[256] = L"";
    if (::LoadStringW(::GetModuleHandleW(nullptr), stringId, about, 256) <= 0 || !about[0]) return;
    if (HMENU menu = ::GetSystemMenu(m_hWnd, FALSE)) {
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(menu, MF_STRING, kAboutCommand, about);
    }
}

void CDialog::SetIcons() {
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
}

void CDialog::BindControl(UINT id, CWnd& control) {
    if (!control.GetSafeHwnd() && !control.SubclassDlgItem(id, m_hWnd)) m_bControlsBound = false;
}

CDialog::CBusy::CBusy(CDialog& dialog)
    : m_dialog(dialog),
      m_hFocus(::GetFocus()),
      m_bDisabled(!::EnableWindow(dialog.m_hWnd, FALSE)),
      m_hCursor(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {
    ++m_dialog.m_nBusy;
}

CDialog::CBusy::~CBusy() {
    --m_dialog.m_nBusy;
    if (m_bDisabled) ::EnableWindow(m_dialog.m_hWnd, TRUE);
    if (m_hFocus && ::IsWindow(m_hFocus) && ::IsWindowEnabled(m_hFocus)) ::SetFocus(m_hFocus);
    ::SetCursor(m_hCursor);
}

LRESULT CDialog::OnSysCommand(WPARAM wp, LPARAM) {
    if ((wp & 0xFFF0) == kAboutCommand)
        OnAbout();
    else
        SetMsgHandled(false);
    return 0;
}

// Minimised, the dialog shows its icon centred in the client area; otherwise it paints as dialogs do.
LRESULT CDialog::OnPaint(WPARAM, LPARAM) {
    if (!m_hIcon || !::IsIconic(m_hWnd)) {
        SetMsgHandled(false);
        return 0;
    }
    const CPaintDC dc(m_hWnd);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()), 0);
    const RECT rc = GetClientRect();
    const int x = (rc.right - rc.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (rc.bottom - rc.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc.Get(), x, y, m_hIcon);
    return 0;
}

LRESULT CDialog::OnQueryDragIcon(WPARAM, LPARAM) {
    if (!m_hIcon) SetMsgHandled(false);
    return reinterpret_cast<LRESULT>(m_hIcon);
}

bool CDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    static const MessageMapEntry<CDialog> map[] = {
        {WM_SYSCOMMAND, &CDialog::OnSysCommand},
        {WM_PAINT, &CDialog::OnPaint},
        {WM_QUERYDRAGICON, &CDialog::OnQueryDragIcon},
        {WM_COMMAND, BN_CLICKED, IDOK, &CDialog::OnOK},
        {WM_COMMAND, BN_CLICKED, IDCANCEL, &CDialog::OnCancel},
    };
    return RouteMessage(this, map, msg, wp, lp, result);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CDialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lp);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lp);
        self->m_hWnd = hwnd;
        return self->OnInitDialog();
    }
    self = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) return FALSE;
    if (msg == WM_NCDESTROY) {
        self->m_hWnd = nullptr;
        return FALSE;
    }
    if (msg == WM_WINDOWPOSCHANGING && self->m_bEnded)
        reinterpret_cast<WINDOWPOS*>(lp)->flags &= ~SWP_SHOWWINDOW;

    if (self->m_nBusy > 0) {
        if (msg == WM_SETCURSOR) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
            ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        if (msg == WM_COMMAND || (msg == WM_SYSCOMMAND && (wp & 0xFFF0) == SC_CLOSE)) return TRUE;
    }

    LRESULT result = 0;
    bool handled = self->OnMessage(msg, wp, lp, result);

    // Requests the parent receives on behalf of a control are offered to the control itself first.
    if (!handled && (msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLORBTN || msg == WM_DRAWITEM)) {
        HWND child =
            msg == WM_DRAWITEM ? reinterpret_cast<DRAWITEMSTRUCT*>(lp)->hwndItem : reinterpret_cast<HWND>(lp);
        if (CWnd* control = CWnd::FromHandle(child))
            handled = control->OnMessage(kReflectBase + msg, wp, lp, result);
    }
    if (!handled) return FALSE;

    switch (msg) {
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
            return static_cast<INT_PTR>(result);
        default:
            ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
            return TRUE;
    }
}

}  // namespace fw
