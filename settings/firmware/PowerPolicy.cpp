#include "PowerPolicy.h"

#include <PowerStore.h>

#include <framework/app.h>
#include <framework/childprocess.h>
#include <framework/handles.h>
#include <framework/registry.h>
#include <framework/text.h>

#include <cstdio>
#include <vector>

namespace {
using power_store::kBalancedScheme;
using power_store::kSchemesKey;

// The settings the policy writes.
const wchar_t kButtonsSubgroup[] = L"4f971e89-eebd-4455-a8de-9e59040e7347";
const wchar_t kSleepButton[] = L"96996bc0-ad50-47ec-923b-6f41874dd9eb";
const wchar_t kPowerButton[] = L"7648efa3-dd9c-4e3e-b566-50f929386280";
const wchar_t kLidClose[] = L"5ca83367-6e45-459f-a27b-476b1d01c936";
const wchar_t kSleepSubgroup[] = L"238c9fa8-0aad-41ed-83f4-97be242c8f20";
const wchar_t kHibernateAfter[] = L"9d7815a6-7ee4-497e-8888-515a05f02364";
const wchar_t kHybridSleep[] = L"94ac6d29-73ce-41a6-809f-6363ba21b47e";

// Settings whose access rights follow the mode, in the order they are applied.
const wchar_t* const kDescriptorTargets[] = {kHibernateAfter, kLidClose, kPowerButton, kSleepButton,
                                             kHybridSleep};

struct PolicyValues {
    const wchar_t* hibernate;
    const wchar_t* hybrid;
    const wchar_t* descriptor;
    DWORD startButtonAction;
};
const PolicyValues kOff{L"21600", L"0",
                        L" O:BAG:SYD:P(A;CI;KRKW;;;BU)(A;CI;KA;;;BA)(A;CI;KA;;;SY)(A;CI;KA;;;CO)", 2};
const PolicyValues kOn{L"0", L"1", L" O:BAG:SYD:P(A;CI;KR;;;BU)(A;CI;KR;;;BA)(A;CI;KA;;;SY)(A;CI;KA;;;CO)",
                       16};

// powercfg.exe as the command lines name it, below the Windows folder; empty when that folder cannot be read
// (no command line then names a program to search for).
std::wstring PowercfgInWindowsFolder() {
    wchar_t windowsDir[MAX_PATH] = L"";
    const UINT n = ::GetWindowsDirectoryW(windowsDir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::wstring();
    wchar_t named[MAX_PATH + 32];
    std::swprintf(named, MAX_PATH + 32, L"%ls\\system32\\powercfg.exe ", windowsDir);
    return named;
}

// Scheme GUIDs as listed under the schemes key, and the scheme active before the change. The active scheme
// is read into 256 bytes and taken whole, terminated or not; a longer value cannot be read. Both go onto
// command lines unquoted, so only well-formed GUID texts are taken: another key name is no scheme of
// powercfg's, and an active scheme of another shape counts as unreadable.
bool ReadSchemes(std::vector<std::wstring>& schemes, std::wstring& active) {
    fw::CRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kSchemesKey, KEY_READ) != ERROR_SUCCESS) return false;
    BYTE buffer[256] = {};
    DWORD size = sizeof buffer;
    if (::RegQueryValueExW(key.Get(), L"ActivePowerScheme", nullptr, nullptr, buffer, &size) == ERROR_SUCCESS)
        active = fw::RegistryText(buffer, size);
    if (!fw::IsGuidText(active)) active.clear();
    for (std::wstring& name : fw::SubkeyNames(key.Get()))
        if (fw::IsGuidText(name)) schemes.push_back(std::move(name));
    return true;
}
}  // namespace

// The command line names powercfg.exe by its path in the Windows folder; the program started is the one in
// the system directory, named as the application, so no search and no per-user Windows folder (a terminal
// server's) ever chooses it.
CPowerPolicy::CPowerPolicy() {
    const std::wstring named = PowercfgInWindowsFolder();
    const std::wstring system = fw::SystemDirectory();
    // Without either folder no powercfg.exe is started at all, never one found by a search.
    if (named.empty() || system.empty()) return;
    m_strPowercfgNamed = named;
    m_strPowercfg = system + L"powercfg.exe";
}

bool CPowerPolicy::SetPowerPolicy(int kind, const CModeRecord& users, std::vector<std::wstring>* log) {
    bool allRan = true;
    const PolicyValues& values = kind == kPolicyOn ? kOn : kOff;
    const std::wstring& powercfg = m_strPowercfgNamed;
    auto run = [&](const std::wstring& commandLine) { allRan = RunHiddenCommand(commandLine) && allRan; };
    auto applyDescriptors = [&] {
        for (const wchar_t* target : kDescriptorTargets)
            run(powercfg + L"-SETSECURITYDESCRIPTOR " + target + values.descriptor);
    };

    if (kind == kPolicyOff) applyDescriptors();

    std::vector<std::wstring> schemes;
    std::wstring active;
    if (ReadSchemes(schemes, active)) {
        // Subgroup, setting and value of each, on mains and on battery: the three buttons sleep.
        const struct {
            const wchar_t* subgroup;
            const wchar_t* setting;
            const wchar_t* value;
        } settings[] = {
            {kButtonsSubgroup, kSleepButton, L"1"},
            {kButtonsSubgroup, kPowerButton, L"1"},
            {kButtonsSubgroup, kLidClose, L"1"},
            {kSleepSubgroup, kHibernateAfter, values.hibernate},
            {kSleepSubgroup, kHybridSleep, values.hybrid},
        };
        for (const std::wstring& scheme : schemes) {
            for (const auto& setting : settings) {
                const std::wstring tail =
                    std::wstring(L" ") + setting.subgroup + L" " + setting.setting + L" " + setting.value;
                run(powercfg + L"-setacvalueindex " + scheme + tail);
                run(powercfg + L"-setdcvalueindex " + scheme + tail);
            }
        }
        run(powercfg + L"-replacedefaultSchemes");
    }

    // Balanced first, then the scheme that was in force, so the active scheme does not change.
    run(powercfg + L"-setactive " + kBalancedScheme);
    run(powercfg + L"-setactive " + active);

    if (kind == kPolicyOn) applyDescriptors();

    // The Start-menu button of the users whose mode is recorded (the running user, or for the installer
    // package's switch-off every user it switched off).
    if (users.WriteStartMenuButton(values.startButtonAction, log)) {
        DWORD_PTR answer = 0;
        // Only a nudge for Explorer to read the setting again: a window that does not answer in time reads
        // it at its next start.
        (void)::SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, 0, SMTO_ABORTIFHUNG, 100, &answer);
    }
    return allRan;
}

bool CPowerPolicy::RunHiddenCommand(const std::wstring& commandLine) {
    if (m_strPowercfg.empty()) return false;
    fw::ChildOptions options;
    options.application = m_strPowercfg.c_str();
    options.creationFlags = CREATE_NO_WINDOW;
    return fw::RunChildPumping(commandLine, options);
}
