// Device patterns, by what holds for any entry: its patterns are never empty, hold no ';' and keep its other
// characters in order; patterns joined with ';' split back into themselves; a pattern parses into parts that
// give it back upper-cased. A description without ';' is its own name; a reference in front of one is
// dropped.
#include <algorithm>
#include <numeric>
#include <sstream>

#include "agent/DevicePatterns.h"
#include "wide_input.h"

namespace {

// The oracle of upper-casing, as a table: a to z become A to Z, nothing else changes.
std::wstring TableUpper(std::wstring text) {
    static const std::wstring lower = L"abcdefghijklmnopqrstuvwxyz", upper = L"ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (wchar_t& c : text)
        if (lower.find(c) != std::wstring::npos) c = upper[lower.find(c)];
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::wstring entry = fuzz::ConsumeWide(input, 300);
    const std::wstring desc = fuzz::ConsumeWide(input, 300);
    std::wstring others = entry;  // the entry without its ';'
    others.erase(std::remove(others.begin(), others.end(), L';'), others.end());

    const std::vector<std::wstring> patterns = SplitDevicePatterns(entry);
    for (const std::wstring& pattern : patterns) {
        const DevicePattern p = ParseDevicePattern(pattern);
        FUZZ_CHECK(!pattern.empty() && pattern.find(L';') == std::wstring::npos, entry);
        FUZZ_CHECK(p.enumerator.find(L'\\') == std::wstring::npos, pattern);
        const bool backslash = pattern.find(L'\\') != std::wstring::npos;
        FUZZ_CHECK((backslash ? p.enumerator + L"\\" : L"") + p.prefix == TableUpper(pattern), pattern);
        FUZZ_CHECK(p.NamesNoDevice() == (pattern == L"\\"), pattern);
    }
    FUZZ_CHECK(std::accumulate(patterns.begin(), patterns.end(), std::wstring()) == others, entry);
    std::vector<std::wstring> fields;  // the entry's non-empty fields between ';'
    std::wistringstream in(entry);
    for (std::wstring field; std::getline(in, field, L';');)
        if (!field.empty()) fields.push_back(field);
    const std::wstring joined = std::accumulate(
        fields.begin(), fields.end(), std::wstring(),
        [](const std::wstring& a, const std::wstring& b) { return a.empty() ? b : a + L";" + b; });
    FUZZ_CHECK(SplitDevicePatterns(joined) == fields, entry);
    FUZZ_CHECK(UpperAscii(entry) == TableUpper(entry), entry);

    const std::wstring name = NameFromDeviceDesc(desc);
    FUZZ_CHECK(name.size() <= desc.size() && std::equal(name.rbegin(), name.rend(), desc.rbegin()), desc);
    FUZZ_CHECK(desc.find(L';') != std::wstring::npos || name == desc, desc);
    // A reference holds no ';' before the one that ends it, as "@net.inf,%e1000.devicedesc%;" does.
    FUZZ_CHECK(NameFromDeviceDesc(others + L"desc%;" + desc) == desc, others);
    return 0;
}
