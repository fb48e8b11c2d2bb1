#include "LabelLook.h"

#include "controls/StaticTrans.h"

namespace {
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kGrey = RGB(0x77, 0x77, 0x77);

constexpr LabelStyle kTitleFont{30, 40, FW_HEAVY};
constexpr LabelStyle kDescriptionFont{16, 20, FW_NORMAL};
constexpr LabelStyle kFeatureNameFont{15, 20, FW_HEAVY};
constexpr LabelStyle kOptionFont{15, 20, FW_NORMAL};
}  // namespace

const LabelStyle& StyleOf(LabelRole role) {
    switch (role) {
        case LabelRole::kTitle:
            return kTitleFont;
        case LabelRole::kDescription:
            return kDescriptionFont;
        case LabelRole::kFeatureName:
            return kFeatureNameFont;
        case LabelRole::kOption:
            break;
    }
    return kOptionFont;
}

// The title stands on the background picture in white; the other labels are dark text on white. In high
// contrast every label, the title too, gets the user's window colours.
LabelColours ColoursOf(LabelRole role, bool highContrast) {
    if (highContrast) return {::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_WINDOWTEXT)};
    switch (role) {
        case LabelRole::kTitle:
            return {CStaticTrans::kNoBackground, kWhite};
        case LabelRole::kDescription:
            return {kWhite, kGrey};
        case LabelRole::kFeatureName:
        case LabelRole::kOption:
            break;
    }
    return {kWhite, kBlack};
}

bool HighContrastOn() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}
