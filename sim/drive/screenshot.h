// What the screen shows of a program's windows: pixels, pictures, and which layout the settings dialog shows.
// Coordinates are physical pixels; a process that reads them should be DPI aware (SetProcessDPIAware).
#pragma once
#include <windows.h>

#include <string>

namespace drive {

// The colour the screen shows at a point of a window's client area.
COLORREF ScreenPixel(HWND window, int x, int y);
// Saves what the screen shows of a window, frame included, as a 24-bit BMP.
bool SaveWindowShot(HWND window, const std::wstring& bmpPath);
// Waits until the window has handled its pending messages and its picture on the screen stays the same
// over two samples in a row; false when it is still changing at the deadline.
bool WaitForStillWindow(HWND window, DWORD timeoutMs = 10000);

// The two layouts of the settings program's dialog, told apart by what the screen shows of its OK button:
// each layout paints its own button image, unscaled, from the button's top-left corner.
enum class Layout { Unknown, Normal, Large };
const char* LayoutName(Layout layout);
// `exe` is the settings program that owns the dialog (its images are read from its resources).
Layout ShownLayout(HWND dialog, const std::wstring& exe);

}  // namespace drive
