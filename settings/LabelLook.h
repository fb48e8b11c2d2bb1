// How the dialog's labels look: their fonts in both layouts, and their colours in the designed look and in
// the user's high-contrast theme (system colours, no picture behind any text).
#pragma once
#include <windows.h>

struct LabelStyle {
    int heightNormal, heightLarge, weight;
    int Height(bool large) const { return large ? heightLarge : heightNormal; }
};

enum class LabelRole { kTitle, kDescription, kFeatureName, kOption };

const LabelStyle& StyleOf(LabelRole role);

struct LabelColours {
    COLORREF back;  // CStaticTrans::kNoBackground for none
    COLORREF text;
};
LabelColours ColoursOf(LabelRole role, bool highContrast);

// The push buttons' caption heights in both layouts.
inline constexpr int kCaptionHeightNormal = 15;
inline constexpr int kCaptionHeightLarge = 20;

// Whether the user's theme is a high-contrast one.
bool HighContrastOn();
