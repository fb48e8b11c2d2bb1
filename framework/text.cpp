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

}  // namespace fw
