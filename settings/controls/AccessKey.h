// Texts that come from a translator and may hold '&', which the platform takes for an access key marker.
#pragma once
#include <string>

// A window text that stands for `text` as it is: each '&' doubled, so that none marks an access key (the
// dialog manager's keyboard, the screen readers' shortcut) or is drawn as an underline.
inline std::wstring WithoutAccessKey(const std::wstring& text) {
    std::wstring escaped;
    for (wchar_t c : text) {
        escaped += c;
        if (c == L'&') escaped += c;
    }
    return escaped;
}
