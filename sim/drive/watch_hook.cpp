// Loaded into a program under test by AppUnderTest's window hook: reports, while the program waits, every
// top-level window of its main thread that has just become visible in normal size, so that even a window
// shown for an instant is on record. The report goes to the watcher's message-only window, which is named
// after the program's process id.
//
// It also shows the program the machine's high-contrast setting as Windows would: Wine keeps high contrast
// off whatever the user chose (it refuses SPI_SETHIGHCONTRAST), while Windows answers SPI_GETHIGHCONTRAST
// from the user's choice under HKCU\Control Panel\Accessibility\HighContrast ("Flags", HCF_HIGHCONTRASTON).
// The program's own import of SystemParametersInfoW is pointed at an answer from there; everything else is
// Wine's.
#include <windows.h>

#include "import_redirect.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using SystemParametersFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT);
SystemParametersFn g_systemParameters = nullptr;

bool HighContrastChosen() {
    wchar_t flags[16] = L"";
    DWORD size = sizeof flags;
    return ::RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Accessibility\\HighContrast", L"Flags",
                          RRF_RT_REG_SZ, nullptr, flags, &size) == ERROR_SUCCESS &&
           (std::wcstoul(flags, nullptr, 10) & HCF_HIGHCONTRASTON);
}

BOOL WINAPI SystemParametersAsWindows(UINT action, UINT param, PVOID data, UINT ini) {
    const BOOL done = g_systemParameters(action, param, data, ini);
    if (done && action == SPI_GETHIGHCONTRAST && data && HighContrastChosen())
        static_cast<HIGHCONTRASTW*>(data)->dwFlags |= HCF_HIGHCONTRASTON;
    return done;
}

// Points the program's import of user32's SystemParametersInfoW at the answer above.
void RedirectSystemParameters() {
    drive::RedirectImports(
        "user32.dll",
        [](const char* name) {
            return std::strcmp(name, "SystemParametersInfoW") == 0
                       ? reinterpret_cast<void*>(&SystemParametersAsWindows)
                       : nullptr;
        },
        [](const char*, void* previous) {
            g_systemParameters = reinterpret_cast<SystemParametersFn>(previous);
        });
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) RedirectSystemParameters();
    return TRUE;
}

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
