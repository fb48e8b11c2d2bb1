#include "text.h"

namespace fw {

const wchar_t* CommandTail(const wchar_t* p) {
    if (!p) return L"";
    bool quoted = false;
    for (; *p; ++p) {
        if (*p == L'"')
            quoted = !quoted;
        else if (*p <= L' ' && !quoted)
            break;
    }
    while (*p && *p <= L' ') ++p;
    return p;
}

std::wstring RegistryText(const unsigned char* data, size_t size) {
    std::wstring text;
    if (!data) return text;
    for (size_t i = 0; i + 1 < size; i += 2) {
        // Little-endian code units, assembled by hand: wchar_t is wider than 16 bits on other hosts.
        const wchar_t unit = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

bool EqualsFoldingAscii(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    auto fold = [](wchar_t c) {
        return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    };
    for (size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

bool IsGuidText(const std::wstring& text) {
    if (text.size() != 36) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        const bool hex = (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
        if (i == 8 || i == 13 || i == 18 || i == 23 ? c != L'-' : !hex) return false;
    }
    return true;
}

std::wstring ExpandVariables(
    const std::wstring& text,
    const std::function<bool(const std::wstring& name, std::wstring& value)>& lookup) {
    std::wstring out;
    size_t at = 0;
    while (at < text.size()) {
        const size_t open = text.find(L'%', at);
        if (open == std::wstring::npos) break;
        const size_t close = text.find(L'%', open + 1);
        if (close == std::wstring::npos) break;
        std::wstring value;
        if (close > open + 1 && lookup(text.substr(open + 1, close - open - 1), value)) {
            out.append(text, at, open - at);
            out += value;
            at = close + 1;
        } else {
            // Not a variable: the first % stays, and the second may open one.
            out.append(text, at, close - at);
            at = close;
        }
    }
    out.append(text, at, std::wstring::npos);
    return out;
}

}  // namespace fw
