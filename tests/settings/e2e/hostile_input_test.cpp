// The settings program against input it does not control: a refused switch while the window repaints, and
// a power-scheme store holding what no Windows wrote.
#include <algorithm>

#include "velmora_fixture.h"

using namespace velmora_test;

TEST_F(VelmoraTest, RefusedOkWithARepaintWhileTheBoxIsUpKeepsTheDialogOpen) {
    ASSERT_TRUE(SetFirmware(L"SwitchAnswer", 2));  // the firmware refuses every switch
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_NE(nullptr, dlg);
    ASSERT_TRUE(app.Click(dlg, IDC_ON_OPTION));

    // OK, and the failure box, which disables the dialog, stays up until this test lets it be answered.
    app.SetAnswerBoxes(false);
    ASSERT_TRUE(::PostMessageW(::GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowEnabled(dlg); }, 60000)) << "no box";

    // The dialog repaints behind the box: its paint handler runs inside the OK handler's message box.
    ::InvalidateRect(dlg, nullptr, TRUE);
    ASSERT_TRUE(WaitUntil([&] { return !::GetUpdateRect(dlg, nullptr, FALSE); }, 30000))
        << "the dialog was not repainted while the box was up";

    app.SetAnswerBoxes(true);
    ASSERT_TRUE(WaitUntil([&] { return !app.Boxes().empty(); }, 30000));
    EXPECT_EQ(L"Fail to set Enable", app.Boxes()[0].text);
    // Answered only once the click's handler has returned and the dialog's own loop runs again.
    app.Send(dlg, WM_NULL);
    EXPECT_TRUE(::IsWindow(dlg)) << "the refused OK closed the dialog";
    EXPECT_FALSE(app.WaitExit(0));
    EXPECT_FALSE(StoredMode().has_value());
    EXPECT_TRUE(PowercfgCommands().empty());
    ASSERT_TRUE(app.Click(dlg, IDCANCEL));
    ASSERT_TRUE(app.WaitExit());
}

// Scheme identifiers stand unquoted on powercfg's command lines: only well-formed GUID texts go there. A key
// name of another shape is no scheme, and an active scheme of another shape counts as unreadable.
TEST_F(VelmoraTest, OnlyGuidTextsFromTheSchemeStoreReachTheCommands) {
    // One scheme, so each run is short: Balanced, plus a scheme key whose name holds blanks and a '&'.
    ASSERT_TRUE(ResetMachine(1));
    const std::wstring odd = std::wstring(machine::kSchemesKey) + L"\\my plan & calc";
    ASSERT_TRUE(e2e::reg::SetString(HKEY_LOCAL_MACHINE, odd, L"FriendlyName", L"odd"));

    struct Case {
        const char* what;
        DWORD type;
        std::vector<BYTE> data;
        std::string lastCommand;
        size_t written = 0;  // bytes of data written, 0 for all
    };
    // 256 bytes without a terminator. The registry writer takes a zero character right after the data for a
    // terminator the caller forgot (Windows and Wine both): what follows the 256 bytes here is "aa".
    std::vector<BYTE> filled = e2e::Utf16Bytes(std::wstring(129, L'a'));
    const std::wstring capitals = L"A1841308-3541-4FAB-BC81-F71556F20B4A";
    const Case cases[] = {
        {"a GUID in capitals", REG_SZ, e2e::Utf16Bytes(capitals), "-setactive " + e2e::Narrow(capitals)},
        {"256 bytes without a terminator", REG_SZ, filled, "-setactive ", 256},
        {"a DWORD", REG_DWORD, {0x31, 0, 0, 0}, "-setactive "},
        {"blanks and cmd's own characters", REG_SZ, e2e::Utf16Bytes(L"381b4222 & calc | x"), "-setactive "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.written ? e2e::reg::SetRawPart(HKEY_LOCAL_MACHINE, machine::kSchemesKey,
                                                     L"ActivePowerScheme", c.type, c.data, c.written)
                              : e2e::reg::SetRaw(HKEY_LOCAL_MACHINE, machine::kSchemesKey,
                                                 L"ActivePowerScheme", c.type, c.data));
        ASSERT_TRUE(SetStoredMode(1));
        log->Clear();
        e2e::AppUnderTest app(Exe(), L"UNINSTALL");
        ASSERT_TRUE(app.WaitExit(120000));
        const auto commands = PowercfgCommands();
        // 5 descriptors, 10 for the one scheme, the defaults, Balanced and the active scheme.
        ASSERT_EQ(18u, commands.size());
        EXPECT_EQ("-setactive " + e2e::Narrow(machine::kBalanced), commands[16]);
        EXPECT_EQ(c.lastCommand, commands[17]);
        EXPECT_TRUE(app.Boxes().empty());
        EXPECT_EQ(commands.end(), std::find_if(commands.begin(), commands.end(), [](const std::string& line) {
                      return line.find("my plan") != std::string::npos;
                  }));
    }
}
