// The interface language code: which UIString.ini section and help file the user gets. Pure, so it also
// builds natively.
#pragma once
#include <string>

// The four-digit upper-case code of a supported language identifier, "0409" for every other one.
std::wstring LanguageCodeFor(unsigned short language);

// Whether the language of a code is written right to left (Arabic and Hebrew).
bool IsRightToLeftLanguage(const std::wstring& code);
