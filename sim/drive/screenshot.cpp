#include "screenshot.h"

#include <fstream>
#include <vector>

#include "drive.h"

namespace drive {

namespace {

// The header of a 24-bit bitmap whose rows go bottom up, the form captures and .bmp files share.
BITMAPINFOHEADER BottomUp24(int width, int height) {
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    return info;
}

// The window as the screen shows it, frame included, as 24-bit bottom-up rows.
struct Capture {
    int width = 0, height = 0;
    std::vector<char> pixels;
};

Capture CaptureWindow(HWND window) {
    Capture shot;
    RECT rc;
    if (!::GetWindowRect(window, &rc)) return shot;
    shot.width = rc.right - rc.left;
    shot.height = rc.bottom - rc.top;
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, shot.width, shot.height);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, shot.width, shot.height, screen, rc.left, rc.top, SRCCOPY);
    ::SelectObject(mem, old);
    BITMAPINFOHEADER info = BottomUp24(shot.width, shot.height);
    const int stride = (shot.width * 3 + 3) & ~3;
    shot.pixels.resize(static_cast<size_t>(stride) * shot.height);
    ::GetDIBits(mem, bmp, 0, shot.height, shot.pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
                DIB_RGB_COLORS);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return shot;
}

// The settings program's OK images of the two layouts (resources 130 and 143).
const UINT kOkImageNormal = 130, kOkImageLarge = 143;

}  // namespace

COLORREF ScreenPixel(HWND window, int x, int y) {
    POINT pt{x, y};
    ::ClientToScreen(window, &pt);
    HDC screen = ::GetDC(nullptr);
    const COLORREF color = ::GetPixel(screen, pt.x, pt.y);
    ::ReleaseDC(nullptr, screen);
    return color;
}

bool SaveWindowShot(HWND window, const std::wstring& bmpPath) {
    const Capture shot = CaptureWindow(window);
    if (shot.pixels.empty()) return false;
    BITMAPINFOHEADER info = BottomUp24(shot.width, shot.height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(shot.pixels.size());
    std::ofstream out(bmpPath.c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(shot.pixels.data(), static_cast<std::streamsize>(shot.pixels.size()));
    return static_cast<bool>(out);
}

bool WaitForStillWindow(HWND window, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    DWORD_PTR ignored = 0;
    if (!::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored)) return false;
    Capture last = CaptureWindow(window);
    while (::GetTickCount() - start < timeoutMs) {
        ::Sleep(100);  // the sampling interval, not a guess at how long painting takes
        Capture now = CaptureWindow(window);
        if (!now.pixels.empty() && now.width == last.width && now.height == last.height &&
            now.pixels == last.pixels)
            return true;
        last = std::move(now);
    }
    return false;
}

const char* LayoutName(Layout layout) {
    switch (layout) {
        case Layout::Normal:
            return "normal";
        case Layout::Large:
            return "large";
        default:
            return "unknown";
    }
}

Layout ShownLayout(HWND dialog, const std::wstring& exe) {
    HMODULE program = ::LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!program) return Layout::Unknown;
    HWND ok = ::GetDlgItem(dialog, IDOK);
    RECT button{};
    ::GetClientRect(ok, &button);
    // A point near the left edge where the two images differ: the caption is drawn centred, far from it, and
    // the frames of the default button and of the focus lie nearer the edge.
    Layout shown = Layout::Unknown;
    bool probed = false;
    for (int y = 4; y < button.bottom - 4 && !probed; ++y)
        for (int x = 4; x < 16 && x < button.right && !probed; ++x) {
            const COLORREF normal = BitmapResourcePixel(program, kOkImageNormal, x, y);
            const COLORREF large = BitmapResourcePixel(program, kOkImageLarge, x, y);
            if (normal == large || normal == CLR_INVALID || large == CLR_INVALID) continue;
            probed = true;
            const COLORREF screen = ScreenPixel(ok, x, y);
            if (screen == normal) shown = Layout::Normal;
            if (screen == large) shown = Layout::Large;
        }
    ::FreeLibrary(program);
    return shown;
}

}  // namespace drive
