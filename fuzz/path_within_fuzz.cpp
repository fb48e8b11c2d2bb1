// Path containment, by construction from any folder text: a trailing separator or a plain name added below
// the folder changes nothing; text added to its last name makes another folder ("C:\Program Files Evil"); a
// ".." makes a path inside nothing.
#include "agent/PathWithin.h"
#include "wide_input.h"

namespace {

// The properties hold for any comparison of names; the agent's ignores letter case.
bool Within(const std::wstring& path, const std::wstring& folder) {
    return IsWithinFolder(path, folder, [](const std::wstring& a, const std::wstring& b) { return a == b; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::wstring folder = fuzz::ConsumeWide(input, 200);
    const std::wstring name = fuzz::ConsumeWide(input, 40);
    const bool holdsItself = Within(folder, folder);
    FUZZ_CHECK(Within(folder + L"\\", folder) == holdsItself, folder);
    if (name.empty() || name == L"." || name == L".." || name.find_first_of(L"\\/") != std::wstring::npos)
        return 0;
    FUZZ_CHECK(Within(folder + L"\\" + name, folder) == holdsItself, folder + L"\\" + name);
    FUZZ_CHECK(!Within(folder + L"\\..\\" + name, folder), folder + L"\\..\\" + name);
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/')
        FUZZ_CHECK(!Within(folder + name, folder), folder + name);
    return 0;
}
