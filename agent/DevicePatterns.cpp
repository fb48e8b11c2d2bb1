#include "DevicePatterns.h"

#include <algorithm>

namespace {
std::wstring RemoveSemicolons(std::wstring text) {
    text.erase(std::remove(text.begin(), text.end(), L';'), text.end());
    return text;
}
}  // namespace

std::wstring UpperAscii(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return text;
}

std::vector<std::wstring> SplitDevicePatterns(const std::wstring& entry) {
    std::vector<std::wstring> patterns;
    std::wstring rest = entry;
    for (;;) {
        const size_t semicolon = rest.find(L';');
        if (semicolon == std::wstring::npos || semicolon == 0) break;
        patterns.push_back(rest.substr(0, semicolon));
        rest = rest.substr(semicolon + 1);
    }
    rest = RemoveSemicolons(rest);
    if (!rest.empty()) patterns.push_back(rest);
    return patterns;
}

DevicePattern ParseDevicePattern(const std::wstring& pattern) {
    const std::wstring text = RemoveSemicolons(pattern);
    const size_t backslash = text.find(L'\\');
    if (backslash == std::wstring::npos) return {std::wstring(), UpperAscii(text)};
    return {UpperAscii(text.substr(0, backslash)), UpperAscii(text.substr(backslash + 1))};
}

std::wstring NameFromDeviceDesc(const std::wstring& desc) {
    const size_t marker = desc.find(L"sc%;");
    return marker == std::wstring::npos ? desc : desc.substr(marker + 4);
}
