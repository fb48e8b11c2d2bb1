// Saves what the screen shows of a window as a 24-bit BMP (for the demo's pictures).
#pragma once
#include <windows.h>

#include <string>

namespace e2e {
bool SaveWindowShot(HWND window, const std::wstring& bmpPath);
}
