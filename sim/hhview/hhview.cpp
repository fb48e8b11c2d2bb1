// Stand-in viewer for compiled help files, installed as the Windows folder's hh.exe: records where it was
// started from and what it was asked to open, and ends, without a window.
#include "../common/simcommon.h"

#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring target;
    for (int i = 1; argv && i < argc; ++i) target += (i > 1 ? L" " : L"") + std::wstring(argv[i]);
    if (argv) LocalFree(argv);
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    sim::logLine(L"hhview " + std::wstring(self) + L" open " + target);
    return 0;
}
