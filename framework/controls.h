// The few control classes the two programs use.
#pragma once
#include <windows.h>

#include <commctrl.h>

#include "handles.h"
#include "wnd.h"

namespace fw {

class CButton : public CWnd {
public:
    // Owner drawing; the platform asks for it only for buttons with the owner-draw style.
    virtual void DrawItem(LPDRAWITEMSTRUCT) {}
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};

class CStatic : public CWnd {
public:
    // Shows the bitmap, which stays the caller's. The control gives back the bitmap it showed before (the
    // template's, which it had loaded itself) without releasing it; the result owns that one, so dropping
    // it releases it.
    CBitmap SetBitmap(HBITMAP bitmap);
};

// A tooltip window; owns the window it creates.
class CToolTipCtrl {
public:
    CToolTipCtrl() = default;
    ~CToolTipCtrl();
    CToolTipCtrl(const CToolTipCtrl&) = delete;
    CToolTipCtrl& operator=(const CToolTipCtrl&) = delete;

    bool Create(HWND parent, DWORD style);
    HWND GetSafeHwnd() const { return m_hWnd; }
    // Registers the whole client area of `tool` under the id 0.
    bool AddTool(HWND tool, const std::wstring& text);
    void UpdateTipText(HWND tool, const std::wstring& text);
    void Activate(bool active) { ::SendMessageW(m_hWnd, TTM_ACTIVATE, active, 0); }
    void RelayEvent(MSG* msg) { ::SendMessageW(m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }

private:
    TTTOOLINFOW ToolInfo(HWND tool, const std::wstring& text) const;
    HWND m_hWnd = nullptr;
};

}  // namespace fw
