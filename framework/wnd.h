// The window base of our small application framework: a C++ object bound to one window, with a message
// map per class written as a plain table of (message, notification, control id, member handler).
#pragma once
#include <windows.h>

#include <string>

namespace fw {

// Reflected messages are offered to the control they concern, numbered from this base
// (the control-colour request of a static control arrives as kReflectBase + WM_CTLCOLORSTATIC).
constexpr UINT kReflectBase = 0xBC00;

// One row of a message map. Two forms: a window message handled by a member that is given the message's
// parameters and answers it, and a notification of a child control (BN_CLICKED from a button) handled by a
// member that takes nothing, the form of every click handler.
template <class T>
struct MessageMapEntry {
    using Handler = LRESULT (T::*)(WPARAM, LPARAM);
    using Command = void (T::*)();

    constexpr MessageMapEntry(UINT msg, Handler fn) : message(msg), handler(fn) {}
    constexpr MessageMapEntry(UINT msg, UINT notification, UINT controlId, Command fn)
        : message(msg), code(notification), id(controlId), command(fn) {}

    UINT message;   // the window message, WM_COMMAND for notifications
    UINT code = 0;  // the notification code of a WM_COMMAND row (BN_CLICKED)
    UINT id = 0;    // the control id of a WM_COMMAND row
    Handler handler = nullptr;
    Command command = nullptr;
};

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // Binds this object to an existing window and routes the window's messages through the message map.
    [[nodiscard]] bool SubclassWindow(HWND hwnd);
    [[nodiscard]] bool SubclassDlgItem(UINT id, HWND parent) {
        return SubclassWindow(::GetDlgItem(parent, id));
    }
    void UnsubclassWindow();
    // The object bound to a window, if any.
    static CWnd* FromHandle(HWND hwnd);

    BOOL EnableWindow(BOOL enable) { return ::EnableWindow(m_hWnd, enable); }
    BOOL Invalidate(BOOL erase = TRUE) { return ::InvalidateRect(m_hWnd, nullptr, erase); }
    BOOL SetWindowText(const std::wstring& text) { return ::SetWindowTextW(m_hWnd, text.c_str()); }
    std::wstring GetWindowText() const;
    RECT GetClientRect() const {
        RECT rc{};
        ::GetClientRect(m_hWnd, &rc);
        return rc;
    }
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::SendMessageW(m_hWnd, msg, wp, lp);
    }

    // The message map: returns true when the message was handled and `result` holds its answer. Derived
    // classes look in their own table first and then ask their base class.
    virtual bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

protected:
    // Hands the message being handled to the window's previous procedure (the platform's own behaviour).
    LRESULT Default();
    // A handler calls this to let the message go on to default processing after it returns.
    void SetMsgHandled(bool handled) { m_bMsgHandled = handled; }

    template <class T, size_t N>
    bool RouteMessage(T* self, const MessageMapEntry<T> (&map)[N], UINT msg, WPARAM wp, LPARAM lp,
                      LRESULT& result);

    HWND m_hWnd = nullptr;

private:
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    bool m_bSubclassed = false;
    bool m_bMsgHandled = true;
    UINT m_curMsg = 0;
    WPARAM m_curWParam = 0;
    LPARAM m_curLParam = 0;

    friend class CDialog;
};

// Posts the message, trying again a few times, 50 ms apart, when the platform refuses it (a full queue);
// false when every attempt failed.
[[nodiscard]] bool PostMessageRetrying(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, int attempts = 10);

template <class T, size_t N>
bool CWnd::RouteMessage(T* self, const MessageMapEntry<T> (&map)[N], UINT msg, WPARAM wp, LPARAM lp,
                        LRESULT& result) {
    for (const auto& entry : map) {
        if (entry.message != msg) continue;
        if (msg == WM_COMMAND && (HIWORD(wp) != entry.code || LOWORD(wp) != entry.id)) continue;
        // The flag belongs to this dispatch: a handler that lets messages in (a message box, a modal loop)
        // has them dispatched, and flagged, in between, and must still find its own answer afterwards.
        const bool outer = m_bMsgHandled;
        m_bMsgHandled = true;
        if (entry.command) {
            (self->*entry.command)();
            result = 0;
        } else {
            result = (self->*entry.handler)(wp, lp);
        }
        const bool handled = m_bMsgHandled;
        m_bMsgHandled = outer;
        return handled;
    }
    return false;
}

}  // namespace fw
