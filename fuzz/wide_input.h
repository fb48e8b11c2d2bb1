// Fuzz input as the programs' text: UTF-16 code units, whatever width wchar_t has on this host.
#pragma once
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <string>

namespace fuzz {

// Two bytes per code unit, little-endian; a zero unit is kept (it ends a C string, not a std::wstring).
inline std::wstring WideFrom(const std::string& bytes) {
    std::wstring text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return text;
}

inline std::wstring ConsumeWide(FuzzedDataProvider& input, size_t maxUnits = 600) {
    return WideFrom(input.ConsumeRandomLengthString(maxUnits * 2));
}

// The same text without its zero units, for the helpers that take C strings.
inline std::wstring WithoutZeros(std::wstring text) {
    text.erase(std::remove(text.begin(), text.end(), L'\0'), text.end());
    return text;
}

inline std::string Printable(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else {
            char unit[12];
            std::snprintf(unit, sizeof unit, "\\u%04x", static_cast<unsigned>(c));
            out += unit;
        }
    }
    return out;
}

// A property that does not hold: report it with the text involved and stop, so libFuzzer keeps the input.
[[noreturn]] inline void Fail(const char* property, const std::wstring& text = std::wstring()) {
    std::fprintf(stderr, "property broken: %s [%s]\n", property, Printable(text).c_str());
    std::abort();
}

#define FUZZ_CHECK(condition, text)                         \
    do {                                                    \
        if (!(condition)) ::fuzz::Fail(#condition, (text)); \
    } while (0)

}  // namespace fuzz
