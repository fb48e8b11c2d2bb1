#include "LanguageCode.h"

#include <cwchar>

namespace {
// resources/settings/languages.txt, as the build writes it out.
const unsigned short kSupportedLanguages[] = {
#include "SupportedLanguages.inc"
};
}  // namespace

std::wstring LanguageCodeFor(unsigned short language) {
    for (unsigned short supported : kSupportedLanguages) {
        if (supported == language) {
            wchar_t code[8];
            std::swprintf(code, 8, L"%04X", static_cast<unsigned>(language));
            return code;
        }
    }
    return L"0409";
}

bool IsRightToLeftLanguage(const std::wstring& code) {
    const unsigned long language = std::wcstoul(code.c_str(), nullptr, 16);
    const unsigned long primary = language & 0x3FF;
    return primary == 0x01 || primary == 0x0D;  // LANG_ARABIC, LANG_HEBREW
}
