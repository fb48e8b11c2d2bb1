// The settings program's pure rules for any input: a language code is four upper-case hex digits naming the
// identifier or English; only the three supported systems pass, each with its own flag; every firmware
// status has one of the texts of its table.
#include <set>

#include "settings/LanguageCode.h"
#include "settings/OsRule.h"
#include "settings/firmware/StatusTexts.h"
#include "wide_input.h"

namespace {

const std::set<std::wstring> kInitTexts = {
    L"ERROR! Kolu not supported",
    L"ERROR! Tamblor driver load fail",
    L"ERROR! Tamblor driver not installed",
    L"ERROR! \"KOLU\" mutex creation fail",
    L"ERROR! Requesting Ownership of mutex fail",
    L"ERROR! Memio function call fail",
    L"ERROR! Memory allication fail",
    L"ERROR! undefined internal InitKOLU Error",
};
const std::set<std::wstring> kCallTexts = {
    L"ERROR! Kolu not supported",
    L"ERROR! Tamblor driver load fail",
    L"ERROR! Function not supported",
    L"ERROR! Tamblor driver not installed",
    L"ERROR! Requesting Ownership of mutex fail",
    L"ERROR! Memio function call fail",
    L"ERROR! Kolu not initialized yet",
    L"ERROR! Memory allication fail",
    L"ERROR! undefined internal Setting KOLU Error",
};

unsigned HexValue(const std::wstring& code) {
    unsigned value = 0;
    for (wchar_t c : code) {
        if (c >= L'0' && c <= L'9')
            value = value * 16 + static_cast<unsigned>(c - L'0');
        else if (c >= L'A' && c <= L'F')
            value = value * 16 + static_cast<unsigned>(c - L'A' + 10);
        else
            return 0x10000;  // not an upper-case hex digit
    }
    return value;
}

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
    FUZZ_CHECK(code.size() == 4 && HexValue(code) <= 0xFFFF, code);
    FUZZ_CHECK(code == L"0409" || HexValue(code) == language, code);
    FUZZ_CHECK(LanguageCodeFor(static_cast<unsigned short>(HexValue(code))) == code, code);

    const OsSupport os = EvaluateOSVersion(platform, major, minor, product);
    FUZZ_CHECK(!(os.win7Client && os.vistaOrXP), L"both flags");
    FUZZ_CHECK(os.supported() == (os.win7Client || os.vistaOrXP), L"supported");
    const bool nt = platform == 2;
    FUZZ_CHECK(os.win7Client == (nt && major == 6 && minor == 1 && product == 1), L"6.1 workstation");
    FUZZ_CHECK(
        os.vistaOrXP == (nt && ((major == 6 && minor == 0 && product == 1) || (major == 5 && minor == 1))),
        L"6.0 workstation or 5.1");

    FUZZ_CHECK(kInitTexts.count(InitStatusText(status)) == 1, InitStatusText(status));
    FUZZ_CHECK(kCallTexts.count(CallStatusText(status)) == 1, CallStatusText(status));
    if (status < 1 || status > 9) {
        FUZZ_CHECK(InitStatusText(status) == L"ERROR! undefined internal InitKOLU Error",
                   InitStatusText(status));
        FUZZ_CHECK(CallStatusText(status) == L"ERROR! undefined internal Setting KOLU Error",
                   CallStatusText(status));
    }
    return 0;
}
