// The settings program's pure rules for any input: a language code is four upper-case hex digits that read
// back as the identifier or as English, and name themselves again; what passes the system check is one of
// the three supported systems, with its own flag; every status beyond the tables' rows reads alike.
#include <cwchar>

#include "settings/LanguageCode.h"
#include "settings/OsRule.h"
#include "settings/firmware/StatusTexts.h"
#include "wide_input.h"

namespace {

// The systems that may pass (platform NT): major, minor, whether only workstations (product type 1) pass,
// and the flag they set. Which of them do pass is the unit test's table.
struct Supported {
    unsigned long major, minor;
    bool workstationOnly;
    int OsSupport::*flag;
};
const Supported kSupported[] = {
    {6, 1, true, &OsSupport::win7Client},
    {6, 0, true, &OsSupport::vistaOrXP},
    {5, 1, false, &OsSupport::vistaOrXP},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const auto language = input.ConsumeIntegral<unsigned short>();
    const auto platform = input.ConsumeIntegral<unsigned long>();
    const auto major = input.ConsumeIntegral<unsigned long>();
    const auto minor = input.ConsumeIntegral<unsigned long>();
    const auto product = input.ConsumeIntegral<unsigned char>();
    const auto status = input.ConsumeIntegral<int>();

    const std::wstring code = LanguageCodeFor(language);
    FUZZ_CHECK(code.size() == 4 && code.find_first_not_of(L"0123456789ABCDEF") == std::wstring::npos, code);
    const auto named = static_cast<unsigned short>(std::wcstoul(code.c_str(), nullptr, 16));
    FUZZ_CHECK(code == L"0409" || named == language, code);
    FUZZ_CHECK(LanguageCodeFor(named) == code, code);

    const OsSupport os = EvaluateOSVersion(platform, major, minor, product);
    FUZZ_CHECK(!(os.win7Client && os.vistaOrXP), L"both flags");
    if (os.supported()) {
        bool listed = false;
        for (const Supported& s : kSupported)
            listed = listed || (platform == 2 && major == s.major && minor == s.minor &&
                                (!s.workstationOnly || product == 1) && os.*s.flag != 0);
        FUZZ_CHECK(listed, L"an unsupported system passed");
    }

    if (status < 1 || status > 9) {
        FUZZ_CHECK(InitStatusText(status) == InitStatusText(10), InitStatusText(status));
        FUZZ_CHECK(CallStatusText(status) == CallStatusText(10), CallStatusText(status));
    }
    return 0;
}
