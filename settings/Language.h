// The interface language: which UIString.ini section and help file the user gets.
#pragma once
#include <windows.h>

#include <string>

// The four-digit upper-case code of a supported language identifier, "0409" for every other one.
std::wstring LanguageCodeFor(LANGID language);
