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
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return;
    for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); dll->Name;
         ++dll) {
        if (_stricmp(reinterpret_cast<const char*>(base + dll->Name), "user32.dll") != 0) continue;
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
        for (; dll->OriginalFirstThunk && name->u1.AddressOfData; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), "SystemParametersInfoW") != 0)
                continue;
            DWORD protection = 0;
            ::VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection);
            g_systemParameters = reinterpret_cast<SystemParametersFn>(slot->u1.Function);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(&SystemParametersAsWindows);
            ::VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
        }
    }
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
