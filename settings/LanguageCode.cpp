#include "LanguageCode.h"

#include <cwchar>

namespace {
const unsigned short kSupportedLanguages[] = {
    0x0401, 0x0402, 0x0404, 0x0405, 0x0406, 0x0407, 0x0408, 0x0409, 0x040B, 0x040C, 0x040D, 0x040E, 0x0410,
    0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0418, 0x0419, 0x041A, 0x041B, 0x041D, 0x041E, 0x041F, 0x0421,
    0x0422, 0x0804, 0x0814, 0x0816, 0x081A, 0x081D, 0x0C01, 0x0C04, 0x0C0A, 0x0C1A, 0x2801, 0x2C01, 0x3001,
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
