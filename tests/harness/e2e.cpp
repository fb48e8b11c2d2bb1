#include "e2e.h"

#include "machine.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace e2e {

::testing::AssertionResult SchemeHolds(const std::wstring& scheme, const std::vector<PlanSetting>& settings) {
    if (settings.empty()) return ::testing::AssertionFailure() << "no settings to look for";
    for (const PlanSetting& s : settings) {
        const std::wstring key = std::wstring(machine::kSchemesKey) + L"\\" + scheme + L"\\" +
                                 (s.subgroup.empty() ? L"" : s.subgroup + L"\\") + s.setting;
        const auto ac = reg::GetDword(HKEY_LOCAL_MACHINE, key, L"ACSettingIndex");
        const auto dc = reg::GetDword(HKEY_LOCAL_MACHINE, key, L"DCSettingIndex");
        if (ac != s.ac || dc != s.dc)
            return ::testing::AssertionFailure()
                   << Narrow(key) << ": AC " << (ac ? std::to_string(*ac) : "none") << ", DC "
                   << (dc ? std::to_string(*dc) : "none") << "; expected " << s.ac << ", " << s.dc;
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult SetWineVersion(const std::wstring& name) {
    if (name.empty()) return reg::DeleteValue(HKEY_CURRENT_USER, L"Software\\Wine", L"Version");
    return reg::SetString(HKEY_CURRENT_USER, L"Software\\Wine", L"Version", name);
}

std::wstring EventHookLibrary() {
    return FromUnixPath(E2E_EVENT_HOOK_DLL);
}

}  // namespace e2e
