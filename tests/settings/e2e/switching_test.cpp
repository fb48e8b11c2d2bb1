// Switching the quick-resume mode: firmware, then power policy, then the registry record.
#include <algorithm>

#include "velmora_fixture.h"

using namespace velmora_test;

namespace {

// The sleep button, power button and lid actions.
const wchar_t* const kButtonSettings[] = {L"96996bc0-ad50-47ec-923b-6f41874dd9eb",
                                          L"7648efa3-dd9c-4e3e-b566-50f929386280",
                                          L"5ca83367-6e45-459f-a27b-476b1d01c936"};

// The powercfg command tails one switch must produce, in order.
// Switching off with Balanced as the only and active scheme.
const std::vector<std::string> kOffWithOneScheme = {
    "-SETSECURITYDESCRIPTOR 9d7815a6-7ee4-497e-8888-515a05f02364"
    " O:BAG:SYD:P(A;CI;KRKW;;;BU)(A;CI;KA;;;BA)(A;CI;KA;;;SY)(A;CI;KA;;;CO)",
    "-SETSECURITYDESCRIPTOR 5ca83367-6e45-459f-a27b-476b1d01c936"
    " O:BAG:SYD:P(A;CI;KRKW;;;BU)(A;CI;KA;;;BA)(A;CI;KA;;;SY)(A;CI;KA;;;CO)",
    "-SETSECURITYDESCRIPTOR 7648efa3-dd9c-4e3e-b566-50f929386280"
    " O:BAG:SYD:P(A;CI;KRKW;;;BU)(A;CI;KA;;;BA)(A;CI;KA;;;SY)(A;CI;KA;;;CO)",
    "-SETSECURITYDESCRIPTOR 96996bc0-ad50-47ec-923b-6f41874dd9eb"
    " O:BAG:SYD:P(A;CI;KRKW;;;BU)(A;CI;KA;;;BA)(A;CI;KA;;;SY)(A;CI;KA;;;CO)",
    "-SETSECURITYDESCRIPTOR 94ac6d29-73ce-41a6-809f-6363ba21b47e"
    " O:BAG:SYD:P(A;CI;KRKW;;;BU)(A;CI;KA;;;BA)(A;CI;KA;;;SY)(A;CI;KA;;;CO)",
    "-setacvalueindex 381b4222-f694-41f0-9685-ff5bb260df2e "
    "4f971e89-eebd-4455-a8de-9e59040e7347 96996bc0-ad50-47ec-923b-6f41874dd9eb 1",
    "-setdcvalueindex 381b4222-f694-41f0-9685-ff5bb260df2e "
    "4f971e89-eebd-4455-a8de-9e59040e7347 96996bc0-ad50-47ec-923b-6f41874dd9eb 1",
    "-setacvalueindex 381b4222-f694-41f0-9685-ff5bb260df2e "
    "4f971e89-eebd-4455-a8de-9e59040e7347 7648efa3-dd9c-4e3e-b566-50f929386280 1",
    "-setdcvalueindex 381b4222-f694-41f0-9685-ff5bb260df2e "
    "4f971e89-eebd-4455-a8de-9e59040e7347 7648efa3-dd9c-4e3e-b566-50f929386280 1",
    "-setacvalueindex 381b4222-f694-41f0-9685-ff5bb260df2e "
    "4f971e89-eebd-4455-a8de-9e59040e7347 5ca83367-6e45-459f-a27b-476b1d01c936 1",
    "-setdcvalueindex 381b4222-f694-41f0-9685-ff5bb260df2e "
    "4f971e89-eebd-4455-a8de-9e59040e7347 5ca83367-6e45-459f-a27b-476b1d01c936 1",
    "-setacvalueindex 381b4222-f694-41f0-9685-ff5bb260df2e "
    "238c9fa8-0aad-41ed-83f4-97be242c8f20 9d7815a6-7ee4-497e-8888-515a05f02364 21600",
    "-setdcvalueindex 381b4222-f694-41f0-9685-ff5bb260df2e "
    "238c9fa8-0aad-41ed-83f4-97be242c8f20 9d7815a6-7ee4-497e-8888-515a05f02364 21600",
    "-setacvalueindex 381b4222-f694-41f0-9685-ff5bb260df2e "
    "238c9fa8-0aad-41ed-83f4-97be242c8f20 94ac6d29-73ce-41a6-809f-6363ba21b47e 0",
    "-setdcvalueindex 381b4222-f694-41f0-9685-ff5bb260df2e "
    "238c9fa8-0aad-41ed-83f4-97be242c8f20 94ac6d29-73ce-41a6-809f-6363ba21b47e 0",
    "-replacedefaultSchemes",
    "-setactive 381b4222-f694-41f0-9685-ff5bb260df2e",
    "-setactive 381b4222-f694-41f0-9685-ff5bb260df2e",
};

// Switching on with the three Windows schemes, Power saver active.
const std::vector<std::string> kOnWithThreeSchemes = {
    "-setacvalueindex 381b4222-f694-41f0-9685-ff5bb260df2e "
    "4f971e89-eebd-4455-a8de-9e59040e7347 96996bc0-ad50-47ec-923b-6f41874dd9eb 1",
    "-setdcvalueindex 381b4222-f694-41f0-9685-ff5bb260df2e "
    "4f971e89-eebd-4455-a8de-9e59040e7347 96996bc0-ad50-47ec-923b-6f41874dd9eb 1",
    "-setacvalueindex 381b4222-f694-41f0-9685-ff5bb260df2e "
    "4f971e89-eebd-4455-a8de-9e59040e7347 7648efa3-dd9c-4e3e-b566-50f929386280 1",
    "-setdcvalueindex 381b4222-f694-41f0-9685-ff5bb260df2e "
    "4f971e89-eebd-4455-a8de-9e59040e7347 7648efa3-dd9c-4e3e-b566-50f929386280 1",
    "-setacvalueindex 381b4222-f694-41f0-9685-ff5bb260df2e "
    "4f971e89-eebd-4455-a8de-9e59040e7347 5ca83367-6e45-459f-a27b-476b1d01c936 1",
    "-setdcvalueindex 381b4222-f694-41f0-9685-ff5bb260df2e "
    "4f971e89-eebd-4455-a8de-9e59040e7347 5ca83367-6e45-459f-a27b-476b1d01c936 1",
    "-setacvalueindex 381b4222-f694-41f0-9685-ff5bb260df2e "
    "238c9fa8-0aad-41ed-83f4-97be242c8f20 9d7815a6-7ee4-497e-8888-515a05f02364 0",
    "-setdcvalueindex 381b4222-f694-41f0-9685-ff5bb260df2e "
    "238c9fa8-0aad-41ed-83f4-97be242c8f20 9d7815a6-7ee4-497e-8888-515a05f02364 0",
    "-setacvalueindex 381b4222-f694-41f0-9685-ff5bb260df2e "
    "238c9fa8-0aad-41ed-83f4-97be242c8f20 94ac6d29-73ce-41a6-809f-6363ba21b47e 1",
    "-setdcvalueindex 381b4222-f694-41f0-9685-ff5bb260df2e "
    "238c9fa8-0aad-41ed-83f4-97be242c8f20 94ac6d29-73ce-41a6-809f-6363ba21b47e 1",
    "-setacvalueindex 8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c "
    "4f971e89-eebd-4455-a8de-9e59040e7347 96996bc0-ad50-47ec-923b-6f41874dd9eb 1",
    "-setdcvalueindex 8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c "
    "4f971e89-eebd-4455-a8de-9e59040e7347 96996bc0-ad50-47ec-923b-6f41874dd9eb 1",
    "-setacvalueindex 8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c "
    "4f971e89-eebd-4455-a8de-9e59040e7347 7648efa3-dd9c-4e3e-b566-50f929386280 1",
    "-setdcvalueindex 8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c "
    "4f971e89-eebd-4455-a8de-9e59040e7347 7648efa3-dd9c-4e3e-b566-50f929386280 1",
    "-setacvalueindex 8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c "
    "4f971e89-eebd-4455-a8de-9e59040e7347 5ca83367-6e45-459f-a27b-476b1d01c936 1",
    "-setdcvalueindex 8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c "
    "4f971e89-eebd-4455-a8de-9e59040e7347 5ca83367-6e45-459f-a27b-476b1d01c936 1",
    "-setacvalueindex 8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c "
    "238c9fa8-0aad-41ed-83f4-97be242c8f20 9d7815a6-7ee4-497e-8888-515a05f02364 0",
    "-setdcvalueindex 8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c "
    "238c9fa8-0aad-41ed-83f4-97be242c8f20 9d7815a6-7ee4-497e-8888-515a05f02364 0",
    "-setacvalueindex 8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c "
    "238c9fa8-0aad-41ed-83f4-97be242c8f20 94ac6d29-73ce-41a6-809f-6363ba21b47e 1",
    "-setdcvalueindex 8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c "
    "238c9fa8-0aad-41ed-83f4-97be242c8f20 94ac6d29-73ce-41a6-809f-6363ba21b47e 1",
    "-setacvalueindex a1841308-3541-4fab-bc81-f71556f20b4a "
    "4f971e89-eebd-4455-a8de-9e59040e7347 96996bc0-ad50-47ec-923b-6f41874dd9eb 1",
    "-setdcvalueindex a1841308-3541-4fab-bc81-f71556f20b4a "
    "4f971e89-eebd-4455-a8de-9e59040e7347 96996bc0-ad50-47ec-923b-6f41874dd9eb 1",
    "-setacvalueindex a1841308-3541-4fab-bc81-f71556f20b4a "
    "4f971e89-eebd-4455-a8de-9e59040e7347 7648efa3-dd9c-4e3e-b566-50f929386280 1",
    "-setdcvalueindex a1841308-3541-4fab-bc81-f71556f20b4a "
    "4f971e89-eebd-4455-a8de-9e59040e7347 7648efa3-dd9c-4e3e-b566-50f929386280 1",
    "-setacvalueindex a1841308-3541-4fab-bc81-f71556f20b4a "
    "4f971e89-eebd-4455-a8de-9e59040e7347 5ca83367-6e45-459f-a27b-476b1d01c936 1",
    "-setdcvalueindex a1841308-3541-4fab-bc81-f71556f20b4a "
    "4f971e89-eebd-4455-a8de-9e59040e7347 5ca83367-6e45-459f-a27b-476b1d01c936 1",
    "-setacvalueindex a1841308-3541-4fab-bc81-f71556f20b4a "
    "238c9fa8-0aad-41ed-83f4-97be242c8f20 9d7815a6-7ee4-497e-8888-515a05f02364 0",
    "-setdcvalueindex a1841308-3541-4fab-bc81-f71556f20b4a "
    "238c9fa8-0aad-41ed-83f4-97be242c8f20 9d7815a6-7ee4-497e-8888-515a05f02364 0",
    "-setacvalueindex a1841308-3541-4fab-bc81-f71556f20b4a "
    "238c9fa8-0aad-41ed-83f4-97be242c8f20 94ac6d29-73ce-41a6-809f-6363ba21b47e 1",
    "-setdcvalueindex a1841308-3541-4fab-bc81-f71556f20b4a "
    "238c9fa8-0aad-41ed-83f4-97be242c8f20 94ac6d29-73ce-41a6-809f-6363ba21b47e 1",
    "-replacedefaultSchemes",
    "-setactive 381b4222-f694-41f0-9685-ff5bb260df2e",
    "-setactive a1841308-3541-4fab-bc81-f71556f20b4a",
    "-SETSECURITYDESCRIPTOR 9d7815a6-7ee4-497e-8888-515a05f02364"
    " O:BAG:SYD:P(A;CI;KR;;;BU)(A;CI;KR;;;BA)(A;CI;KA;;;SY)(A;CI;KA;;;CO)",
    "-SETSECURITYDESCRIPTOR 5ca83367-6e45-459f-a27b-476b1d01c936"
    " O:BAG:SYD:P(A;CI;KR;;;BU)(A;CI;KR;;;BA)(A;CI;KA;;;SY)(A;CI;KA;;;CO)",
    "-SETSECURITYDESCRIPTOR 7648efa3-dd9c-4e3e-b566-50f929386280"
    " O:BAG:SYD:P(A;CI;KR;;;BU)(A;CI;KR;;;BA)(A;CI;KA;;;SY)(A;CI;KA;;;CO)",
    "-SETSECURITYDESCRIPTOR 96996bc0-ad50-47ec-923b-6f41874dd9eb"
    " O:BAG:SYD:P(A;CI;KR;;;BU)(A;CI;KR;;;BA)(A;CI;KA;;;SY)(A;CI;KA;;;CO)",
    "-SETSECURITYDESCRIPTOR 94ac6d29-73ce-41a6-809f-6363ba21b47e"
    " O:BAG:SYD:P(A;CI;KR;;;BU)(A;CI;KR;;;BA)(A;CI;KA;;;SY)(A;CI;KA;;;CO)",
};

// Switching off without the scheme list: nothing names the scheme to make active again.
const std::vector<std::string> kOffWithoutSchemeKey = {
    "-SETSECURITYDESCRIPTOR 9d7815a6-7ee4-497e-8888-515a05f02364"
    " O:BAG:SYD:P(A;CI;KRKW;;;BU)(A;CI;KA;;;BA)(A;CI;KA;;;SY)(A;CI;KA;;;CO)",
    "-SETSECURITYDESCRIPTOR 5ca83367-6e45-459f-a27b-476b1d01c936"
    " O:BAG:SYD:P(A;CI;KRKW;;;BU)(A;CI;KA;;;BA)(A;CI;KA;;;SY)(A;CI;KA;;;CO)",
    "-SETSECURITYDESCRIPTOR 7648efa3-dd9c-4e3e-b566-50f929386280"
    " O:BAG:SYD:P(A;CI;KRKW;;;BU)(A;CI;KA;;;BA)(A;CI;KA;;;SY)(A;CI;KA;;;CO)",
    "-SETSECURITYDESCRIPTOR 96996bc0-ad50-47ec-923b-6f41874dd9eb"
    " O:BAG:SYD:P(A;CI;KRKW;;;BU)(A;CI;KA;;;BA)(A;CI;KA;;;SY)(A;CI;KA;;;CO)",
    "-SETSECURITYDESCRIPTOR 94ac6d29-73ce-41a6-809f-6363ba21b47e"
    " O:BAG:SYD:P(A;CI;KRKW;;;BU)(A;CI;KA;;;BA)(A;CI;KA;;;SY)(A;CI;KA;;;CO)",
    "-setactive 381b4222-f694-41f0-9685-ff5bb260df2e",
    "-setactive ",
};

std::wstring ActiveScheme() {
    return e2e::reg::GetString(HKEY_LOCAL_MACHINE, machine::kSchemesKey, L"ActivePowerScheme").value_or(L"");
}

std::optional<DWORD> ButtonIndex(const wchar_t* scheme, const wchar_t* setting, const wchar_t* which) {
    return e2e::reg::GetDword(HKEY_LOCAL_MACHINE,
                              std::wstring(machine::kSchemesKey) + L"\\" + scheme + L"\\" +
                                  machine::kButtonsSubgroup + L"\\" + setting,
                              which);
}

const char kSwitchOn[] = "sig=0x5843 fn=0x6E req=0x81";
const char kSwitchOff[] = "sig=0x5843 fn=0x6E req=0x80";

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// A user's registry file holding the one value under the program's key, as a profile keeps it. Saving one
// takes the backup privilege.
::testing::AssertionResult SaveRegistryFile(const wchar_t* name, DWORD value, const std::wstring& file) {
    HANDLE opened = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &opened))
        return ::testing::AssertionFailure() << "no token: error " << ::GetLastError();
    const std::unique_ptr<void, decltype(&::CloseHandle)> token(opened, &::CloseHandle);
    TOKEN_PRIVILEGES backup{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
    if (!::LookupPrivilegeValueW(nullptr, SE_BACKUP_NAME, &backup.Privileges[0].Luid) ||
        !::AdjustTokenPrivileges(token.get(), FALSE, &backup, 0, nullptr, nullptr))
        return ::testing::AssertionFailure() << "no backup privilege: error " << ::GetLastError();
    const std::wstring scratch = L"Software\\CorvaneTestProfile";
    ::testing::AssertionResult done =
        e2e::reg::SetDword(HKEY_CURRENT_USER, scratch + L"\\" + machine::kModeKey, name, value);
    HKEY key = nullptr;
    if (done && ::RegOpenKeyExW(HKEY_CURRENT_USER, scratch.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        ::DeleteFileW(file.c_str());
        const LONG saved = ::RegSaveKeyW(key, file.c_str(), nullptr);
        ::RegCloseKey(key);
        if (saved != ERROR_SUCCESS) done = ::testing::AssertionFailure() << "RegSaveKeyW: " << saved;
    }
    const ::testing::AssertionResult removed = e2e::reg::DeleteTree(HKEY_CURRENT_USER, scratch);
    return done ? removed : done;
}

}  // namespace

TEST_F(VelmoraTest, UninstallWithModeOnSwitchesOffWithoutAWindow) {
    ASSERT_TRUE(ResetMachine(1));
    ASSERT_TRUE(SetStoredMode(1));
    ASSERT_TRUE(SetFirmware(L"Mode", 1));

    e2e::AppUnderTest app(Exe(), L"UNINSTALL");
    ASSERT_TRUE(app.WaitExit(300000));
    const auto calls = FirmwareCalls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_TRUE(StartsWith(calls[0], "sig=0x5843 fn=0x0B req=0x20"));
    EXPECT_TRUE(StartsWith(calls[1], kSwitchOff));
    EXPECT_EQ(kOffWithOneScheme, PowercfgCommands());
    EXPECT_EQ(0u, StoredMode().value_or(99));
    EXPECT_EQ(2u, StartButtonAction().value_or(0));
    EXPECT_TRUE(app.Boxes().empty());
    for (const auto& w : app.Windows()) EXPECT_FALSE(w.everShownNormal) << e2e::Narrow(w.title);
    // The log shows the order: firmware accepted before the first policy command.
    const auto lines = log->Lines();
    const auto switchLine = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return StartsWith(l, "KOLU3 call " + std::string(kSwitchOff));
    });
    const auto firstPolicy = std::find_if(lines.begin(), lines.end(),
                                          [](const std::string& l) { return StartsWith(l, "powercfg "); });
    EXPECT_LT(switchLine - lines.begin(), firstPolicy - lines.begin());
}

TEST_F(VelmoraTest, UninstallWithModeOffSwitchesNothingAndOnlyTheExactWordCounts) {
    ASSERT_TRUE(SetStoredMode(0));
    {
        e2e::AppUnderTest app(Exe(), L"UNINSTALL");
        ASSERT_TRUE(app.WaitExit());
        EXPECT_TRUE(FirmwareSwitches().empty());
        EXPECT_TRUE(PowercfgCommands().empty());
        for (const auto& w : app.Windows()) EXPECT_FALSE(w.everShownNormal);
    }
    ASSERT_TRUE(SetStoredMode(1));
    for (const wchar_t* tail : {L"uninstall", L"UNINSTALL ", L"UNINSTALL x"}) {
        e2e::AppUnderTest app(Exe(), tail);
        HWND dlg = app.WaitForDialog(kTitle);
        ASSERT_NE(nullptr, dlg) << e2e::Narrow(tail);
        ASSERT_TRUE(app.Click(dlg, IDCANCEL));
        ASSERT_TRUE(app.WaitExit());
    }
    EXPECT_TRUE(FirmwareSwitches().empty());
    EXPECT_EQ(1u, StoredMode().value_or(99));
}

// The installer package's switch-off runs as the system: it switches off when any user's recorded mode is on,
// signed in or not, and records Off for each of them, touches nothing when no mode is on, and answers with an
// exit code instead of a box.
TEST_F(VelmoraTest, PackageSwitchOffServesEveryUserAndReportsByExitCode) {
    const std::wstring otherUser = L"S-1-5-21-1111-2222-3333-1001";
    const std::wstring otherMode = otherUser + L"\\" + machine::kModeKey;
    struct RemovedUser {
        std::wstring key;
        ~RemovedUser() { e2e::reg::DeleteTree(HKEY_USERS, key); }
    } const removed{otherUser};
    auto run = [&](DWORD expectedExit) {
        e2e::AppUnderTest app(Exe(), L"UNINSTALL /package");
        EXPECT_TRUE(app.WaitExit(300000));
        EXPECT_EQ(app.ExitCode(), expectedExit);
        EXPECT_TRUE(app.Boxes().empty()) << "a box waits for a person who is not there";
        for (const auto& w : app.Windows()) EXPECT_FALSE(w.everShownNormal);
    };

    // Nobody's mode is on (a classes hive holding one is no user's own): nothing is touched.
    ASSERT_TRUE(
        e2e::reg::SetDword(HKEY_USERS, otherUser + L"_Classes\\" + machine::kModeKey, L"VelmoraMode", 1));
    ASSERT_TRUE(SetFirmware(L"Mode", 1));
    run(0);
    EXPECT_TRUE(FirmwareCalls().empty());
    EXPECT_TRUE(PowercfgCommands().empty());
    ASSERT_TRUE(e2e::reg::DeleteTree(HKEY_USERS, otherUser + L"_Classes"));

    // Another user's mode is on, this user's is off: switched off once, Off recorded for that user only.
    ASSERT_TRUE(ResetMachine(1));
    ASSERT_TRUE(SetStoredMode(0));
    ASSERT_TRUE(e2e::reg::SetDword(HKEY_USERS, otherMode, L"VelmoraMode", 1));
    run(0);
    EXPECT_EQ(1u, FirmwareSwitches().size());
    EXPECT_EQ(kOffWithOneScheme, PowercfgCommands());
    EXPECT_EQ(0u, e2e::reg::GetDword(HKEY_USERS, otherMode, L"VelmoraMode").value_or(99));
    EXPECT_EQ(2u, e2e::reg::GetDword(HKEY_USERS, otherUser + L"\\" + machine::kExplorerKey,
                                     L"Start_PowerButtonAction")
                      .value_or(0));
    EXPECT_FALSE(StartButtonAction().has_value()) << "a user whose mode was off had the Start menu changed";

    // A user who is not signed in (a profile of the machine whose registry is not loaded) has the mode on:
    // switched off once, Off and Shut down recorded in that registry, which is unloaded again. Wine keeps
    // nothing written to a registry file it loaded, so what the program wrote is read from what it reports.
    ASSERT_TRUE(ResetMachine(1));
    ASSERT_TRUE(SetStoredMode(0));
    ASSERT_TRUE(e2e::reg::DeleteTree(HKEY_USERS, otherUser));
    const std::wstring absent = L"S-1-5-21-1111-2222-3333-1002";
    const std::wstring profile = e2e::MakeSandbox(L"profile-not-signed-in");
    const std::wstring listed = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + absent;
    struct Unlisted {
        std::wstring key;
        ~Unlisted() { e2e::reg::DeleteTree(HKEY_LOCAL_MACHINE, key); }
    } const unlisted{listed};
    ASSERT_TRUE(SaveRegistryFile(L"VelmoraMode", 1, profile + L"NTUSER.DAT"));
    ASSERT_TRUE(e2e::reg::SetString(HKEY_LOCAL_MACHINE, listed, L"ProfileImagePath",
                                    L"%SystemDrive%" + profile.substr(2, profile.size() - 3), REG_EXPAND_SZ));
    std::string reported;
    EXPECT_EQ(0u, e2e::RunConsole(L"\"" + Exe() + L"\" UNINSTALL /package", &reported));
    EXPECT_EQ(1u, FirmwareSwitches().size());
    EXPECT_EQ(kOffWithOneScheme, PowercfgCommands());
    EXPECT_NE(reported.find("Velmora: " + e2e::Narrow(absent) +
                            " (not signed in): VelmoraMode 0, Start_PowerButtonAction 2\r\n"),
              std::string::npos)
        << reported;
    EXPECT_FALSE(e2e::reg::KeyExists(HKEY_USERS, L"CorvaneVelmora_" + absent)) << "the registry stays loaded";

    // Without the system's powercfg.exe the firmware is switched off and Off recorded, but the power policy
    // is not written: the exit code says so.
    ASSERT_TRUE(ResetMachine());
    ASSERT_TRUE(SetStoredMode(1));
    {
        const e2e::MovedAside powercfg(machine::kPowercfg);
        ASSERT_TRUE(powercfg.Moved());
        run(9);
    }
    EXPECT_EQ(0u, StoredMode().value_or(99));

    // A refused switch and a missing library: the record stays, the exit code says why.
    ASSERT_TRUE(ResetMachine());
    ASSERT_TRUE(SetStoredMode(1));
    ASSERT_TRUE(SetFirmware(L"SwitchAnswer", 2));
    run(6);
    EXPECT_EQ(1u, StoredMode().value_or(99));
    EXPECT_TRUE(PowercfgCommands().empty());
    ASSERT_TRUE(ResetMachine());
    ASSERT_TRUE(SetStoredMode(1));
    ASSERT_TRUE(InstallFirmwareLibrary(L"KOLU3-noinit.dll"));
    run(3);
    EXPECT_EQ(1u, StoredMode().value_or(99));
}

TEST_F(VelmoraTest, ApplyOnSwitchesPolicyAndRecordThenGreysApply) {
    // A scheme other than Balanced is in force and must stay so.
    ASSERT_EQ(0u, e2e::RunConsole(std::wstring(machine::kPowercfg) + L" -setactive " + machine::kPowerSaver));
    log->Clear();
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_NE(nullptr, dlg);
    EXPECT_FALSE(app.Click(dlg, IDC_APPLY)) << "Apply must start disabled";
    ASSERT_TRUE(app.Click(dlg, IDC_ON_OPTION));
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dlg, IDC_APPLY)));
    ASSERT_TRUE(app.Click(dlg, IDC_APPLY));

    auto switches = FirmwareSwitches();
    ASSERT_EQ(1u, switches.size());
    EXPECT_TRUE(StartsWith(switches[0], kSwitchOn));
    EXPECT_EQ(kOnWithThreeSchemes, PowercfgCommands());
    EXPECT_EQ(1u, StoredMode().value_or(99));
    EXPECT_EQ(16u, StartButtonAction().value_or(0));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dlg, IDC_APPLY)));
    EXPECT_EQ(machine::kPowerSaver, ActiveScheme());
    // Every scheme's button, power button and lid actions are Sleep on mains and battery.
    for (const wchar_t* s : {machine::kBalanced, machine::kHighPerformance, machine::kPowerSaver})
        for (const wchar_t* setting : kButtonSettings) {
            const std::string where = e2e::Narrow(std::wstring(s) + L" " + setting);
            EXPECT_EQ(1u, ButtonIndex(s, setting, L"ACSettingIndex").value_or(99)) << where;
            EXPECT_EQ(1u, ButtonIndex(s, setting, L"DCSettingIndex").value_or(99)) << where;
        }

    // Choosing the same option again enables Apply, and Apply sends it all again.
    log->Clear();
    ASSERT_TRUE(app.Click(dlg, IDC_ON_OPTION));
    ASSERT_TRUE(app.Click(dlg, IDC_APPLY));
    switches = FirmwareSwitches();
    ASSERT_EQ(1u, switches.size());
    EXPECT_TRUE(StartsWith(switches[0], kSwitchOn));
    EXPECT_EQ(38u, PowercfgCommands().size());

    // OK with the record equal to the choice closes without a firmware call.
    log->Clear();
    ASSERT_TRUE(app.Click(dlg, IDOK));
    ASSERT_TRUE(app.WaitExit());
    EXPECT_TRUE(FirmwareCalls().empty());
    EXPECT_TRUE(app.Boxes().empty());
}

TEST_F(VelmoraTest, OkSwitchesOffWhenTheChoiceDiffersAndCancelNeverSwitches) {
    ASSERT_TRUE(SetStoredMode(1));
    {
        e2e::AppUnderTest app(Exe(), L"");
        HWND dlg = app.WaitForDialog(kTitle);
        ASSERT_NE(nullptr, dlg);
        ASSERT_TRUE(app.Click(dlg, IDC_OFF_OPTION));
        ASSERT_TRUE(app.Click(dlg, IDCANCEL));
        ASSERT_TRUE(app.WaitExit());
        EXPECT_TRUE(FirmwareSwitches().empty());
        EXPECT_EQ(1u, StoredMode().value_or(99));
    }
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_NE(nullptr, dlg);
    ASSERT_TRUE(app.Click(dlg, IDC_OFF_OPTION));
    ASSERT_TRUE(app.Click(dlg, IDOK));
    ASSERT_TRUE(app.WaitExit());
    const auto switches = FirmwareSwitches();
    ASSERT_EQ(1u, switches.size());
    EXPECT_TRUE(StartsWith(switches[0], kSwitchOff));
    EXPECT_EQ(38u, PowercfgCommands().size());
    EXPECT_EQ(0u, StoredMode().value_or(99));
    EXPECT_EQ(2u, StartButtonAction().value_or(0));
}

TEST_F(VelmoraTest, RefusedSwitchChangesNothingAndSaysWhy) {
    struct Case {
        DWORD answer;
        int option;
        const wchar_t* applyText;
        const wchar_t* okText;
    };
    const Case cases[] = {
        {0xFF, IDC_ON_OPTION, L"ERROR! Returned Value of KOLU 0x6C with 0x81 is 0xFF ",
         L"ERROR! Invalid Enable Setting value is returned "},
        {2, IDC_ON_OPTION, L"Fail to set Enable", L"Fail to set Enable"},
        {0xFF, IDC_OFF_OPTION, L"Returned Value of KOLU 0x6C with 0x80 is 0xFF",
         L"ERROR! Invalid Disable Setting value is returned"},
        {2, IDC_OFF_OPTION, L"Fail to set Disable", L"Fail to set Disable"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(ResetMachine());
        ASSERT_TRUE(SetFirmware(L"SwitchAnswer", c.answer));
        if (c.option == IDC_OFF_OPTION) {
            ASSERT_TRUE(SetStoredMode(1));
        }
        e2e::AppUnderTest app(Exe(), L"");
        HWND dlg = app.WaitForDialog(kTitle);
        ASSERT_NE(nullptr, dlg);
        ASSERT_TRUE(app.Click(dlg, c.option));
        ASSERT_TRUE(app.Click(dlg, IDC_APPLY));
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dlg, IDC_APPLY)));
        ASSERT_TRUE(app.Click(dlg, IDOK));
        EXPECT_TRUE(::IsWindow(dlg)) << "a refused OK keeps the dialog open";
        const auto boxes = app.Boxes();
        ASSERT_EQ(2u, boxes.size());
        EXPECT_EQ(c.applyText, boxes[0].text);
        EXPECT_EQ(c.okText, boxes[1].text);
        EXPECT_EQ(kTitle, boxes[1].caption);
        EXPECT_EQ(2u, FirmwareSwitches().size());
        EXPECT_TRUE(PowercfgCommands().empty());
        EXPECT_FALSE(StartButtonAction().has_value());
        EXPECT_EQ(c.option == IDC_OFF_OPTION ? 1u : 0u, StoredMode().value_or(0));
        ASSERT_TRUE(app.Click(dlg, IDCANCEL));
        ASSERT_TRUE(app.WaitExit());
    }
    // UNINSTALL whose switch is refused still ends, with its text.
    for (const auto& [answer, text] :
         {std::pair<DWORD, const wchar_t*>{0xFF, L"ERROR! Invalid Disable Setting value is returned"},
          std::pair<DWORD, const wchar_t*>{2, L"Fail to set Disable"}}) {
        ASSERT_TRUE(ResetMachine());
        ASSERT_TRUE(SetStoredMode(1));
        ASSERT_TRUE(SetFirmware(L"SwitchAnswer", answer));
        e2e::AppUnderTest app(Exe(), L"UNINSTALL");
        ASSERT_TRUE(app.WaitExit());
        const auto boxes = app.Boxes();
        ASSERT_EQ(1u, boxes.size()) << answer;
        EXPECT_EQ(text, boxes[0].text);
        EXPECT_EQ(1u, StoredMode().value_or(99));
        EXPECT_TRUE(PowercfgCommands().empty());
    }
}

TEST_F(VelmoraTest, FailingStatusIsShownBeforeTheAnswerIsJudged) {
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_NE(nullptr, dlg);
    // From now on every call fails with status 7 and leaves the request byte: 0x81 is no 1.
    ASSERT_TRUE(SetFirmware(L"CallStatus", 7));
    ASSERT_TRUE(app.Click(dlg, IDC_ON_OPTION));
    ASSERT_TRUE(app.Click(dlg, IDC_APPLY));
    const auto boxes = app.Boxes();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(L"ERROR! Memio function call fail", boxes[0].text);
    EXPECT_EQ(L"Fail to set Enable", boxes[1].text);
    EXPECT_FALSE(StoredMode().has_value());
    ASSERT_TRUE(app.Click(dlg, IDCANCEL));
    ASSERT_TRUE(app.WaitExit());
}

TEST_F(VelmoraTest, UnavailableFeatureOrInvalidRecordShowsMsg2AndEnds) {
    struct Case {
        const wchar_t* value;
        DWORD data;
    };
    for (const Case& c : {Case{L"ProbeAnswer", 0xFF}, Case{L"ProbeAnswer", 0x20}, Case{L"ProbeAnswer", 0x21},
                          Case{L"Present", 0}, Case{L"StoredMode", 2}}) {
        ASSERT_TRUE(ResetMachine());
        ASSERT_TRUE(std::wstring(c.value) == L"StoredMode" ? SetStoredMode(c.data)
                                                           : SetFirmware(c.value, c.data));
        e2e::AppUnderTest app(Exe(), L"UNINSTALL");
        ASSERT_TRUE(app.WaitExit());
        const auto boxes = app.Boxes();
        ASSERT_EQ(1u, boxes.size()) << e2e::Narrow(c.value);
        EXPECT_EQ(UiText(L"MSG2"), boxes[0].text);
        EXPECT_TRUE(FirmwareSwitches().empty());
        EXPECT_TRUE(PowercfgCommands().empty());
    }
    // Probe answer 0x00 is "available".
    ASSERT_TRUE(ResetMachine());
    ASSERT_TRUE(SetFirmware(L"ProbeAnswer", 0x00));
    e2e::AppUnderTest app(Exe(), L"UNINSTALL");
    ASSERT_TRUE(app.WaitExit());
    EXPECT_TRUE(app.Boxes().empty());
}

TEST_F(VelmoraTest, WithoutTheSchemeKeyOnlyDescriptorsActivationAndStartMenuChange) {
    // The scheme list is seeded again by the next test's reset.
    ASSERT_TRUE(e2e::reg::DeleteTree(HKEY_LOCAL_MACHINE, machine::kSchemesKey));
    ASSERT_TRUE(SetStoredMode(1));
    e2e::AppUnderTest app(Exe(), L"UNINSTALL");
    ASSERT_TRUE(app.WaitExit(120000));
    EXPECT_EQ(kOffWithoutSchemeKey, PowercfgCommands());
    EXPECT_EQ(2u, StartButtonAction().value_or(0));
    EXPECT_EQ(0u, StoredMode().value_or(99));
}
