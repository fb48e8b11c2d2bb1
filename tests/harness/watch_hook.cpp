// Loaded into a program under test by AppUnderTest's window hook: reports, while the program waits, every
// top-level window of its main thread that has just become visible in normal size, so that even a window
// shown for an instant is on record. The report goes to the watcher's message-only window, which is named
// after the program's process id.
#include <windows.h>

#include <string>

extern "C" __declspec(dllexport) LRESULT CALLBACK WatchHookProc(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION) {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lp);
        HWND hwnd = call->hwnd;
        if (call->message == WM_WINDOWPOSCHANGED && !(::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) &&
            ::IsWindowVisible(hwnd) && !::IsIconic(hwnd)) {
            const std::wstring name = std::to_wstring(::GetCurrentProcessId());
            HWND watcher = ::FindWindowExW(HWND_MESSAGE, nullptr, L"CorvaneE2eWatcher", name.c_str());
            COPYDATASTRUCT data{0, sizeof hwnd, &hwnd};
            DWORD_PTR ignored = 0;
            if (watcher)
                ::SendMessageTimeoutW(watcher, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL,
                                      10000, &ignored);
        }
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}
