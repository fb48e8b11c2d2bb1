// Drives the settings program the way a person would for the demo: shows the dialog, picks On, applies,
// and closes with OK, saving a picture of the window after each step (the first shows the recorded state).
//   velmora_demo.exe <Velmora.exe> <picture folder> <name prefix> [--drive]
#include <cstdio>

#include "e2e.h"
#include "screenshot.h"

namespace {
void Shot(HWND dlg, const std::wstring& dir, const std::wstring& name) {
    ::Sleep(700);  // let the window finish painting
    const std::wstring path = dir + L"\\" + name + L".bmp";
    std::printf("  picture %ls\n", path.c_str());
    e2e::SaveWindowShot(dlg, path);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: velmora_demo EXE PICTURE_DIR PREFIX [--drive]\n");
        return 2;
    }
    const std::wstring exe = argv[1], dir = argv[2], prefix = argv[3];
    const bool drive = argc > 4 && std::wstring(argv[4]) == L"--drive";
    e2e::AppUnderTest app(exe, L"");
    HWND dlg = app.WaitForDialog(L"Corvane Velmora", 60000);
    if (!dlg) {
        std::fprintf(stderr, "the dialog did not appear\n");
        for (const auto& box : app.Boxes()) std::fprintf(stderr, "  message: %ls\n", box.text.c_str());
        return 1;
    }
    RECT client;
    ::GetClientRect(dlg, &client);
    std::printf("  dialog client area %ld x %ld\n", client.right, client.bottom);
    Shot(dlg, dir, prefix + L"-start");
    if (drive) {
        std::printf("  On\n");
        app.Click(dlg, 1000);
        Shot(dlg, dir, prefix + L"-on");
        std::printf("  Apply\n");
        app.Click(dlg, 3);
        Shot(dlg, dir, prefix + L"-applied");
        std::printf("  OK\n");
        app.Click(dlg, IDOK);
    } else {
        app.Click(dlg, IDCANCEL);
    }
    app.WaitExit(120000);
    for (const auto& box : app.Boxes()) std::printf("  message box: %ls\n", box.text.c_str());
    return 0;
}
