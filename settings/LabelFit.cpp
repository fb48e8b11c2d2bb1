#include "LabelFit.h"

#include <algorithm>

#include "controls/GraphicButton.h"

namespace {
// The smallest font a label or caption gets: three quarters of its own height.
int SmallestHeight(int height) {
    return height * 3 / 4;
}
// The room a caption leaves on either side of its button's face.
constexpr int kCaptionMargin = 4;

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}
}  // namespace

LabelFit FitLabel(HDC dc, const std::wstring& text, const RECT& rc, int bottom, int height, int weight,
                  UINT format, int minimum) {
    const int width = rc.right - rc.left;
    LabelFit fit{height, rc, false};
    for (int h = height; h >= minimum && !fit.whole; --h) {
        fw::CFont font;
        if (!font.CreateSegoeFont(h, weight)) continue;  // a size that cannot be made is not measured
        RECT needed{0, 0, width, 0};
        {
            const fw::CSelectObject measured(dc, font.Get());
            ::DrawTextW(dc, text.c_str(), -1, &needed, format | DT_EXPANDTABS | DT_CALCRECT);
        }
        fit.height = h;
        fit.whole = needed.right <= width && rc.top + needed.bottom <= std::max<LONG>(bottom, rc.bottom);
        if (fit.whole) fit.rect.bottom = std::max<LONG>(rc.bottom, rc.top + needed.bottom);
    }
    return fit;
}

void FitLabelInRoom(HDC dc, const LabelRoom& room, bool large, fw::CFont& fitted) {
    const int height = room.style.Height(large);
    const LabelFit fit = FitLabel(dc, WindowText(room.label), room.rect, room.bottom, height,
                                  room.style.weight, DT_LEFT | DT_WORDBREAK, SmallestHeight(height));
    if (fit.height != height && fitted.CreateSegoeFont(fit.height, room.style.weight))
        ::SendMessageW(room.label, WM_SETFONT, reinterpret_cast<WPARAM>(fitted.Get()), TRUE);
    if (fit.rect.bottom != room.rect.bottom)
        ::SetWindowPos(room.label, nullptr, 0, 0, room.rect.right - room.rect.left,
                       fit.rect.bottom - room.rect.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FitCaption(HDC dc, CGraphicButton& button, bool large) {
    const int height = large ? kCaptionHeightLarge : kCaptionHeightNormal;
    const RECT client = button.GetClientRect();
    const LONG face = std::min(client.right, button.ImageSize().cx) - 2 * kCaptionMargin;
    const LabelFit fit = FitLabel(dc, button.Text(), RECT{0, 0, face, client.bottom}, client.bottom, height,
                                  FW_NORMAL, DT_SINGLELINE, SmallestHeight(height));
    if (fit.height != height) button.SetCaptionHeight(fit.height);
}
