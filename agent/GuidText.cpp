#include "GuidText.h"

#include <cwchar>
#include <cwctype>

namespace {

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// The piece of `text` at [pos, pos + len) read as unsigned hex: leading blanks skipped, stops at the
// first non-hex character. Pieces are at most 8 digits, so the value always fits 32 bits.
unsigned long HexField(const std::wstring& text, size_t pos, size_t len) {
    if (pos >= text.size()) return 0;
    const std::wstring piece = text.substr(pos, len);
    size_t i = 0;
    while (i < piece.size() && std::iswspace(piece[i])) ++i;
    unsigned long value = 0;
    for (; i < piece.size(); ++i) {
        const int digit = HexDigit(piece[i]);
        if (digit < 0) break;
        value = (value << 4) | static_cast<unsigned long>(digit);
    }
    return value;
}

}  // namespace

std::wstring GuidToText(const GUID& g) {
    wchar_t text[40] = L"";
    std::swprintf(text, 40, L"%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

GUID GuidFromText(const std::wstring& text) {
    GUID guid{};
    guid.Data1 = static_cast<decltype(guid.Data1)>(HexField(text, 0, 8));
    guid.Data2 = static_cast<unsigned short>(HexField(text, 9, 4));
    guid.Data3 = static_cast<unsigned short>(HexField(text, 14, 4));
    static const size_t kData4Pos[8] = {19, 21, 24, 26, 28, 30, 32, 34};
    for (size_t i = 0; i < 8; ++i)
        guid.Data4[i] = static_cast<unsigned char>(HexField(text, kData4Pos[i], 2));
    return guid;
}
