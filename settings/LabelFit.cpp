#include "LabelFit.h"

#include <algorithm>

#include "controls/GraphicButton.h"
#include "controls/StaticTrans.h"

namespace {
// The smallest font a label or caption gets: three quarters of its own height.
int SmallestHeight(int height) {
    return height * 3 / 4;
}
// The room a caption leaves on either side of its button's face.
constexpr int kCaptionMargin = 4;
// How labels and captions are laid out, as the static control (SS_LEFT, SS_NOPREFIX) and the buttons draw
// them: an '&' is a character like any other.
constexpr UINT kLabelFormat = DT_LEFT | DT_WORDBREAK | DT_NOPREFIX;
constexpr UINT kCaptionFormat = DT_SINGLELINE | DT_NOPREFIX;

bool FitsIn(HDC dc, const std::wstring& text, LONG width, LONG height, UINT format) {
    RECT needed{0, 0, width, 0};
    ::DrawTextW(dc, text.c_str(), -1, &needed, format | DT_EXPANDTABS | DT_CALCRECT);
    return needed.right <= width && needed.bottom <= height;
}

// Whether `text` may be cut before its character at `at`: not in a surrogate pair, not before a mark that
// belongs to the character before it (Thai vowels and tones, Arabic vowel marks).
bool BeginsCharacter(const std::wstring& text, size_t at) {
    if (at == 0 || at >= text.size()) return true;
    if (IS_LOW_SURROGATE(text[at])) return false;
    WORD type = 0;
    return !(::GetStringTypeW(CT_CTYPE3, &text[at], 1, &type) && (type & C3_NONSPACING));
}

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

std::wstring EndWithEllipsis(HDC dc, HFONT font, const std::wstring& text, const RECT& rc, UINT format) {
    const fw::CSelectObject selected(dc, font);
    auto shown = [&](size_t length) {
        std::wstring beginning = text.substr(0, length);
        while (!beginning.empty() && beginning.back() == L' ') beginning.pop_back();
        return beginning + L"\u2026";
    };
    // The longest beginning that fits: a longer text never needs less room.
    size_t low = 0, high = text.size();
    while (low < high) {
        const size_t middle = (low + high + 1) / 2;
        if (FitsIn(dc, shown(middle), rc.right - rc.left, rc.bottom - rc.top, format))
            low = middle;
        else
            high = middle - 1;
    }
    while (!BeginsCharacter(text, low)) --low;
    return shown(low);
}

void FitLabelInRoom(HDC dc, const LabelRoom& room, bool large, fw::CFont& fitted) {
    const int height = room.style.Height(large);
    const std::wstring text = WindowText(room.label);
    LabelFit fit = FitLabel(dc, text, room.rect, room.bottom, height, room.style.weight, kLabelFormat,
                            SmallestHeight(height));
    if (!fit.whole) fit.rect.bottom = std::max<LONG>(room.bottom, room.rect.bottom);
    if (fit.height != height && fitted.CreateSegoeFont(fit.height, room.style.weight))
        ::SendMessageW(room.label, WM_SETFONT, reinterpret_cast<WPARAM>(fitted.Get()), TRUE);
    if (fit.rect.bottom != room.rect.bottom)
        ::SetWindowPos(room.label, nullptr, 0, 0, room.rect.right - room.rect.left,
                       fit.rect.bottom - room.rect.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (fit.whole) return;
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(room.label, WM_GETFONT, 0, 0));
    const RECT shown{0, 0, fit.rect.right - fit.rect.left, fit.rect.bottom - fit.rect.top};
    room.label.SetShownText(EndWithEllipsis(dc, font, text, shown, kLabelFormat));
}

void FitCaption(HDC dc, CGraphicButton& button, bool large) {
    const int height = large ? kCaptionHeightLarge : kCaptionHeightNormal;
    const RECT client = button.GetClientRect();
    // The caption is centred on the button and keeps its margin from both ends of the image under it (drawn
    // at the button's left, or mirrored at its right).
    const LONG centre = client.right / 2;
    const LONG face = 2 * std::min(centre, button.ImageSize().cx - centre) - 2 * kCaptionMargin;
    const RECT room{0, 0, face, client.bottom};
    const LabelFit fit = FitLabel(dc, button.Text(), room, client.bottom, height, FW_NORMAL, kCaptionFormat,
                                  SmallestHeight(height));
    if (fit.height != height) button.SetCaptionHeight(fit.height);
    // The caption drawn is then the shortened one; screen readers hear the button's name, its whole caption.
    fw::CFont font;
    if (!fit.whole && font.CreateSegoeFont(fit.height, FW_NORMAL))
        button.SetText(EndWithEllipsis(dc, font.Get(), button.Text(), room, kCaptionFormat));
}
