#include "KeepIconic.h"

namespace {
// One guarded window per thread; the hook procedure has no other way to find it.
thread_local HWND t_guarded = nullptr;

bool IsMinimizeCommand(UINT cmd) {
    return cmd == SW_MINIMIZE || cmd == SW_SHOWMINIMIZED || cmd == SW_SHOWMINNOACTIVE ||
           cmd == SW_FORCEMINIMIZE;
}
}  // namespace

CKeepIconic::~CKeepIconic() {
    // A hook that cannot be taken off ends with the thread, which this guard does not outlive.
    if (m_hHook) (void)::UnhookWindowsHookEx(m_hHook);
    t_guarded = nullptr;
}

bool CKeepIconic::Guard(HWND window) {
    t_guarded = window;
    if (!m_hHook) m_hHook = ::SetWindowsHookExW(WH_CBT, CbtProc, nullptr, ::GetCurrentThreadId());
    return m_hHook != nullptr;
}

LRESULT CALLBACK CKeepIconic::CbtProc(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_MINMAX && reinterpret_cast<HWND>(wp) == t_guarded && t_guarded &&
        !IsMinimizeCommand(LOWORD(lp)))
        return 1;  // refused: the window stays as it is
    return ::CallNextHookEx(nullptr, code, wp, lp);
}
