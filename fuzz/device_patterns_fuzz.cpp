// Device patterns: an entry falls into patterns that are never empty, hold no ';' and together hold
// exactly the entry's other characters; a pattern parses into an upper-case enumerator without backslash
// and a prefix that put together give the pattern back. A description's name is a suffix of it.
#include <algorithm>

#include "agent/DevicePatterns.h"
#include "wide_input.h"

namespace {

std::wstring Without(std::wstring text, wchar_t c) {
    text.erase(std::remove(text.begin(), text.end(), c), text.end());
    return text;
}

bool HasLowerAscii(const std::wstring& text) {
    return std::any_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'a' && c <= L'z'; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::wstring entry = fuzz::ConsumeWide(input, 300);
    const std::wstring desc = fuzz::ConsumeWide(input, 300);

    const std::vector<std::wstring> patterns = SplitDevicePatterns(entry);
    std::wstring joined;
    for (const std::wstring& pattern : patterns) {
        FUZZ_CHECK(!pattern.empty(), entry);
        FUZZ_CHECK(pattern.find(L';') == std::wstring::npos, entry);
        joined += pattern;

        const DevicePattern parsed = ParseDevicePattern(pattern);
        FUZZ_CHECK(parsed.enumerator.find(L'\\') == std::wstring::npos, pattern);
        FUZZ_CHECK(!HasLowerAscii(parsed.enumerator) && !HasLowerAscii(parsed.prefix), pattern);
        const bool hasBackslash = pattern.find(L'\\') != std::wstring::npos;
        FUZZ_CHECK(
            (hasBackslash ? parsed.enumerator + L"\\" + parsed.prefix : parsed.prefix) == UpperAscii(pattern),
            pattern);
        FUZZ_CHECK(parsed.NamesNoDevice() == (pattern == L"\\"), pattern);
    }
    FUZZ_CHECK(joined == Without(entry, L';'), entry);

    const std::wstring upper = UpperAscii(entry);
    FUZZ_CHECK(upper.size() == entry.size() && UpperAscii(upper) == upper && !HasLowerAscii(upper), entry);
    for (size_t i = 0; i < entry.size(); ++i)
        FUZZ_CHECK(
            upper[i] == entry[i] || (entry[i] >= L'a' && entry[i] <= L'z' && upper[i] == entry[i] - 32),
            entry);

    const std::wstring name = NameFromDeviceDesc(desc);
    FUZZ_CHECK(name.size() <= desc.size() && desc.compare(desc.size() - name.size(), name.size(), name) == 0,
               desc);
    const size_t marker = desc.find(L"sc%;");
    FUZZ_CHECK(marker == std::wstring::npos ? name == desc : name == desc.substr(marker + 4), desc);
    return 0;
}
