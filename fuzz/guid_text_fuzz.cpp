// GUID text: every GUID makes a well-formed lower-case text that reads back to itself; every well-formed
// text reads back to its lower-case self; any text at all reads without harm.
#include <cstring>

#include "agent/GuidText.h"
#include "framework/text.h"
#include "wide_input.h"

namespace {

bool SameGuid(const GUID& a, const GUID& b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'F') c = static_cast<wchar_t>(c + 32);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    GUID guid{};
    guid.Data1 = input.ConsumeIntegral<uint32_t>();
    guid.Data2 = input.ConsumeIntegral<uint16_t>();
    guid.Data3 = input.ConsumeIntegral<uint16_t>();
    for (auto& byte : guid.Data4) byte = input.ConsumeIntegral<uint8_t>();
    const std::wstring text = fuzz::ConsumeWide(input, 80);

    const std::wstring written = GuidToText(guid);
    FUZZ_CHECK(written.size() == 36 && fw::IsGuidText(written), written);
    FUZZ_CHECK(Lower(written) == written, written);
    FUZZ_CHECK(SameGuid(GuidFromText(written), guid), written);

    const GUID read = GuidFromText(text);
    if (fw::IsGuidText(text)) {
        FUZZ_CHECK(
            text.size() == 36 && text[8] == L'-' && text[13] == L'-' && text[18] == L'-' && text[23] == L'-',
            text);
        FUZZ_CHECK(GuidToText(read) == Lower(text), text);
    } else {
        FUZZ_CHECK(Lower(GuidToText(read)) != Lower(text), text);
    }
    return 0;
}
