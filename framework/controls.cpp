#include "controls.h"

namespace fw {

bool CButton::OnMessage(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
    if (msg != kReflectBase + WM_DRAWITEM) return false;
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lp));
    result = TRUE;
    return true;
}

CBitmap CStatic::SetBitmap(HBITMAP bitmap) {
    const auto previous =
        reinterpret_cast<HBITMAP>(SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    return CBitmap(previous == bitmap ? nullptr : previous);
}

CToolTipCtrl::~CToolTipCtrl() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

bool CToolTipCtrl::Create(HWND parent, DWORD style) {
    m_hWnd = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr, ::GetModuleHandleW(nullptr),
                               nullptr);
    return m_hWnd != nullptr;
}

TTTOOLINFOW CToolTipCtrl::ToolInfo(HWND tool, const std::wstring& text) const {
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = 0;
    info.hwnd = tool;
    info.uId = 0;
    ::GetClientRect(tool, &info.rect);
    info.lpszText = const_cast<wchar_t*>(text.c_str());
    return info;
}

bool CToolTipCtrl::AddTool(HWND tool, const std::wstring& text) {
    TTTOOLINFOW info = ToolInfo(tool, text);
    return ::SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

void CToolTipCtrl::UpdateTipText(HWND tool, const std::wstring& text) {
    TTTOOLINFOW info = ToolInfo(tool, text);
    ::SendMessageW(m_hWnd, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

}  // namespace fw
