// Stand-in viewer for compiled help files: records what it was asked to open and ends, without a window.
#include "../common/simcommon.h"

#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring target;
    for (int i = 1; argv && i < argc; ++i) target += (i > 1 ? L" " : L"") + std::wstring(argv[i]);
    if (argv) LocalFree(argv);
    sim::logLine(L"hhview open " + target);
    return 0;
}
