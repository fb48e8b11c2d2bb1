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

// ---- The installer package's switch-off ----
// It runs as the system: it switches off when any user's recorded mode is on, signed in or not, and records
// Off for each of them, touches nothing when no mode is on, and answers with an exit code and lines on its
// output instead of a box.
namespace {

const wchar_t kPackageTail[] = L"UNINSTALL /package";
const std::wstring kOtherUser = L"S-1-5-21-1111-2222-3333-1001";
const std::wstring kAbsentUser = L"S-1-5-21-1111-2222-3333-1002";
const std::wstring kProfileList = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";

// Runs the package's switch-off as the package does; what it wrote to its output lands in `reported`.
::testing::AssertionResult RunPackageSwitchOff(const std::wstring& exe, DWORD expectedExit,
                                               std::string* reported = nullptr) {
    std::string output;
    const DWORD exit = e2e::RunConsole(L"\"" + exe + L"\" " + kPackageTail, &output);
    if (reported) *reported = output;
    if (exit != expectedExit)
        return ::testing::AssertionFailure()
               << "exit code " << exit << ", not " << expectedExit << "; output:\n"
               << output;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult Reported(const std::string& output, const std::string& line) {
    if (output.find(line) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "no \"" << line << "\" in:\n" << output;
}

// The backup and restore privileges for the test's own loading and saving of registry files.
::testing::AssertionResult EnableRegistryFilePrivileges() {
    HANDLE opened = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &opened))
        return ::testing::AssertionFailure() << "no token: error " << ::GetLastError();
    const std::unique_ptr<void, decltype(&::CloseHandle)> token(opened, &::CloseHandle);
    for (const wchar_t* name : {SE_BACKUP_NAME, SE_RESTORE_NAME}) {
        TOKEN_PRIVILEGES privilege{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
        if (!::LookupPrivilegeValueW(nullptr, name, &privilege.Privileges[0].Luid) ||
            !::AdjustTokenPrivileges(token.get(), FALSE, &privilege, 0, nullptr, nullptr))
            return ::testing::AssertionFailure() << "no privilege: error " << ::GetLastError();
    }
    return ::testing::AssertionSuccess();
}

// A profile of the machine whose user is not signed in, listed in the profile list (and, where asked, once
// more under the name Windows gives a profile entry it kept a copy of), its registry file holding
// VelmoraMode 1. Gone again with the object.
class NotSignedInProfile {
public:
    explicit NotSignedInProfile(bool withBackupEntry = false) {
        m_folder = e2e::MakeSandbox(L"profile-not-signed-in");
        m_created = EnableRegistryFilePrivileges();
        if (m_created) m_created = SaveModeFile(m_folder + L"NTUSER.DAT");
        // The path as Windows records it: through a variable of the system.
        const std::wstring path = L"%SystemDrive%" + m_folder.substr(2, m_folder.size() - 3);
        for (const std::wstring& entry : Entries(withBackupEntry))
            if (m_created)
                m_created = e2e::reg::SetString(HKEY_LOCAL_MACHINE, kProfileList + entry, L"ProfileImagePath",
                                                path, REG_EXPAND_SZ);
        m_backup = withBackupEntry;
    }
    ~NotSignedInProfile() {
        for (const std::wstring& entry : Entries(m_backup))
            EXPECT_TRUE(e2e::reg::DeleteTree(HKEY_LOCAL_MACHINE, kProfileList + entry));
    }
    NotSignedInProfile(const NotSignedInProfile&) = delete;
    NotSignedInProfile& operator=(const NotSignedInProfile&) = delete;

    ::testing::AssertionResult Created() const { return m_created; }
    std::wstring HiveFile() const { return m_folder + L"NTUSER.DAT"; }

private:
    static std::vector<std::wstring> Entries(bool withBackupEntry) {
        return withBackupEntry ? std::vector<std::wstring>{kAbsentUser, kAbsentUser + L".bak"}
                               : std::vector<std::wstring>{kAbsentUser};
    }
    // A user's registry file holding the one value under the program's key, as a profile keeps it.
    static ::testing::AssertionResult SaveModeFile(const std::wstring& file) {
        const std::wstring scratch = L"Software\\CorvaneTestProfile";
        ::testing::AssertionResult done =
            e2e::reg::SetDword(HKEY_CURRENT_USER, scratch + L"\\" + machine::kModeKey, L"VelmoraMode", 1);
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

    std::wstring m_folder;
    bool m_backup = false;
    ::testing::AssertionResult m_created = ::testing::AssertionFailure();
};

// The lines of the simulated machine's log that say a registry was loaded under HKEY_USERS while a powercfg
// ran.
std::vector<std::string> HivesLoadedDuringPowercfg(const e2e::SimLog& log) {
    return log.Lines("while powercfg ran, ");
}

}  // namespace

// Nobody's mode is on (a classes hive holding one is no user's own): nothing is touched.
TEST_F(VelmoraTest, PackageSwitchOffTouchesNothingWhenNobodysModeIsOn) {
    const std::wstring classes = kOtherUser + L"_Classes";
    struct Removed {
        std::wstring key;
        ~Removed() { EXPECT_TRUE(e2e::reg::DeleteTree(HKEY_USERS, key)); }
    } const removed{classes};
    ASSERT_TRUE(e2e::reg::SetDword(HKEY_USERS, classes + L"\\" + machine::kModeKey, L"VelmoraMode", 1));
    ASSERT_TRUE(SetFirmware(L"Mode", 1));

    e2e::AppUnderTest app(Exe(), kPackageTail);
    ASSERT_TRUE(app.WaitExit(300000));
    EXPECT_EQ(app.ExitCode(), static_cast<DWORD>(velmora_exit::kDone));
    EXPECT_TRUE(app.Boxes().empty()) << "a box waits for a person who is not there";
    for (const auto& w : app.Windows()) EXPECT_FALSE(w.everShownNormal);
    EXPECT_TRUE(FirmwareCalls().empty());
    EXPECT_TRUE(PowercfgCommands().empty());
}

// Another user's mode is on, this user's is off: switched off once, Off recorded for that user only.
TEST_F(VelmoraTest, PackageSwitchOffServesASignedInUserWhoseModeIsOn) {
    struct Removed {
        std::wstring key;
        ~Removed() { EXPECT_TRUE(e2e::reg::DeleteTree(HKEY_USERS, key)); }
    } const removed{kOtherUser};
    const std::wstring otherMode = kOtherUser + L"\\" + machine::kModeKey;
    ASSERT_TRUE(ResetMachine(1));
    ASSERT_TRUE(SetStoredMode(0));
    ASSERT_TRUE(e2e::reg::SetDword(HKEY_USERS, otherMode, L"VelmoraMode", 1));
    ASSERT_TRUE(e2e::reg::SetDword(HKEY_USERS, kOtherUser + L"\\" + machine::kExplorerKey,
                                   L"Start_PowerButtonAction", 0));

    ASSERT_TRUE(RunPackageSwitchOff(Exe(), velmora_exit::kDone));
    EXPECT_EQ(1u, FirmwareSwitches().size());
    EXPECT_EQ(kOffWithOneScheme, PowercfgCommands());
    EXPECT_EQ(0u, e2e::reg::GetDword(HKEY_USERS, otherMode, L"VelmoraMode").value_or(99));
    EXPECT_EQ(2u, e2e::reg::GetDword(HKEY_USERS, kOtherUser + L"\\" + machine::kExplorerKey,
                                     L"Start_PowerButtonAction")
                      .value_or(0));
    EXPECT_FALSE(StartButtonAction().has_value()) << "a user whose mode was off had the Start menu changed";
}

// A user who is not signed in (a profile of the machine whose registry is not loaded) has the mode on:
// switched off once, Off recorded in that registry. Its registry is loaded only while it is read or written:
// never while a powercfg runs, and not afterwards. Wine keeps nothing written to a registry file it loaded,
// so what the program wrote is read from what it reports.
TEST_F(VelmoraTest, PackageSwitchOffServesAUserWhoIsNotSignedInWithoutHoldingTheirRegistry) {
    ASSERT_TRUE(ResetMachine(1));
    const NotSignedInProfile profile;
    ASSERT_TRUE(profile.Created());

    std::string reported;
    ASSERT_TRUE(RunPackageSwitchOff(Exe(), velmora_exit::kDone, &reported));
    EXPECT_EQ(1u, FirmwareSwitches().size());
    EXPECT_EQ(kOffWithOneScheme, PowercfgCommands());
    EXPECT_TRUE(HivesLoadedDuringPowercfg(*log).empty()) << HivesLoadedDuringPowercfg(*log).front();
    EXPECT_TRUE(Reported(
        reported, "Velmora: " + e2e::Narrow(kAbsentUser) + " (not signed in): VelmoraMode 0 written\r\n"));
    EXPECT_FALSE(e2e::reg::KeyExists(HKEY_USERS, L"CorvaneVelmora_" + kAbsentUser))
        << "the registry stays loaded";
}

// An earlier run that was ended while it held a user's registry leaves it loaded under its own name: the next
// run unloads it, says so, and serves that user.
TEST_F(VelmoraTest, PackageSwitchOffUnloadsARegistryAnEarlierRunLeftLoaded) {
    ASSERT_TRUE(ResetMachine(1));
    const NotSignedInProfile profile;
    ASSERT_TRUE(profile.Created());
    const std::wstring stale = L"CorvaneVelmora_" + kAbsentUser;
    ASSERT_EQ(ERROR_SUCCESS, ::RegLoadKeyW(HKEY_USERS, stale.c_str(), profile.HiveFile().c_str()));

    std::string reported;
    const ::testing::AssertionResult ran = RunPackageSwitchOff(Exe(), velmora_exit::kDone, &reported);
    if (e2e::reg::KeyExists(HKEY_USERS, stale)) {
        EXPECT_EQ(ERROR_SUCCESS, ::RegUnLoadKeyW(HKEY_USERS, stale.c_str())) << "the run left it loaded";
    }
    ASSERT_TRUE(ran);
    EXPECT_TRUE(Reported(reported, "Velmora: HKEY_USERS\\" + e2e::Narrow(stale) +
                                       ", left loaded by an earlier run, was unloaded"));
    EXPECT_EQ(1u, FirmwareSwitches().size());
}

// Windows keeps a copy of a profile entry it had to rebuild as "<SID>.bak", pointing at the same folder: no
// account's entry, skipped with a word, and the user is served once.
TEST_F(VelmoraTest, PackageSwitchOffSkipsAProfileEntryThatNamesNoAccount) {
    ASSERT_TRUE(ResetMachine(1));
    const NotSignedInProfile profile(true);
    ASSERT_TRUE(profile.Created());

    std::string reported;
    ASSERT_TRUE(RunPackageSwitchOff(Exe(), velmora_exit::kDone, &reported));
    EXPECT_TRUE(Reported(reported, "Velmora: profile entry " + e2e::Narrow(kAbsentUser) +
                                       ".bak skipped: its name is not an account's"));
    EXPECT_EQ(1u, FirmwareSwitches().size());
}

// Without the system's powercfg.exe the firmware is switched off and Off recorded, but the power policy is
// not written: the exit code says so.
TEST_F(VelmoraTest, PackageSwitchOffWithoutPowercfgSaysThePolicyIsIncomplete) {
    ASSERT_TRUE(SetStoredMode(1));
    {
        const e2e::MovedAside powercfg(machine::kPowercfg);
        ASSERT_TRUE(powercfg.Moved());
        ASSERT_TRUE(RunPackageSwitchOff(Exe(), velmora_exit::kPolicyIncomplete));
    }
    EXPECT_EQ(0u, StoredMode().value_or(99));
}

// A refused switch or a library that does not start: the record stays, the exit code says why.
TEST_F(VelmoraTest, PackageSwitchOffThatIsRefusedKeepsTheRecord) {
    ASSERT_TRUE(SetStoredMode(1));
    ASSERT_TRUE(SetFirmware(L"SwitchAnswer", 2));
    ASSERT_TRUE(RunPackageSwitchOff(Exe(), velmora_exit::kSwitchRefused));
    EXPECT_EQ(1u, StoredMode().value_or(99));
    EXPECT_TRUE(PowercfgCommands().empty());
}

TEST_F(VelmoraTest, PackageSwitchOffWithoutAWorkingLibraryKeepsTheRecord) {
    ASSERT_TRUE(SetStoredMode(1));
    ASSERT_TRUE(InstallFirmwareLibrary(L"KOLU3-noinit.dll"));
    ASSERT_TRUE(RunPackageSwitchOff(Exe(), velmora_exit::kNoFirmwareLibrary));
    EXPECT_EQ(1u, StoredMode().value_or(99));
}
