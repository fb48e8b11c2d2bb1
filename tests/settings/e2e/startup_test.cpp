// Start-up of the settings program: single instance, platform check, firmware-library binding, the dialog.
#include "velmora_fixture.h"

using namespace velmora_test;

namespace {

// A plain top-level window of the test process with the given title.
struct TitledWindow {
    explicit TitledWindow(const wchar_t* title) {
        hwnd = ::CreateWindowExW(0, L"STATIC", title, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                 nullptr);
    }
    ~TitledWindow() { ::DestroyWindow(hwnd); }
    HWND hwnd;
};

bool InitCalled(const e2e::SimLog& log) {
    return !log.Lines("KOLU3 init").empty();
}

}  // namespace

TEST_F(VelmoraTest, WindowWithExactTitleStopsASecondStartBeforeTheLibraryLoads) {
    {
        TitledWindow other(kTitle);
        e2e::AppUnderTest app(Exe(), L"");
        ASSERT_TRUE(app.WaitExit(30000));
        EXPECT_FALSE(InitCalled(*log));
        EXPECT_TRUE(app.Boxes().empty());
    }
    for (const wchar_t* title : {L"CORVANE VELMORA", L"Corvane Velmor"}) {
        log->Clear();
        TitledWindow other(title);
        e2e::AppUnderTest app(Exe(), L"");
        HWND dlg = app.WaitForDialog(kTitle);
        ASSERT_NE(nullptr, dlg) << e2e::Narrow(title);
        EXPECT_TRUE(InitCalled(*log));
        ASSERT_TRUE(app.Click(dlg, IDCANCEL));
        ASSERT_TRUE(app.WaitExit());
    }
}

// The platform's version record reaches the rule whole: each of its flags, the product type and the minor
// version decide once here (the rule's full table is a unit test).
TEST_F(VelmoraTest, OnlySupportedSystemsGoOnToTheLibrary) {
    // Wine 8 reports win7 as 6.1 server and win2008r2 as 6.1 workstation: the pairs below are what decides.
    struct Case {
        const wchar_t* wineVersion;
        bool supported;
    };
    const Case cases[] = {
        {L"winxp", true},      // 5.1
        {L"win2008r2", true},  // 6.1 workstation
        {L"win7", false},      // 6.1 server
        {L"win8", false},      // 6.2
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(e2e::SetWineVersion(c.wineVersion));
        log->Clear();
        // UNINSTALL with nothing stored ends without a window once the library is up.
        e2e::AppUnderTest app(Exe(), L"UNINSTALL");
        ASSERT_TRUE(app.WaitExit(30000)) << e2e::Narrow(c.wineVersion);
        EXPECT_EQ(c.supported, InitCalled(*log)) << e2e::Narrow(c.wineVersion);
        EXPECT_TRUE(app.Boxes().empty()) << e2e::Narrow(c.wineVersion);
        EXPECT_EQ(0u, app.ExitCode());
    }
}

TEST_F(VelmoraTest, MissingOrIncompleteLibraryIsReportedOnce) {
    ASSERT_TRUE(::DeleteFileW((s_dir + L"Win7_Driver\\x64\\KOLU3.DLL").c_str()));
    {
        e2e::AppUnderTest app(Exe(), L"");
        ASSERT_TRUE(app.WaitExit());
        const auto boxes = app.Boxes();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(L"Can't Find or Load KOLU DLL file! Error=126\r\n", boxes[0].text);
        EXPECT_EQ(kTitle, boxes[0].caption);
        EXPECT_FALSE(boxes[0].hasIcon);
    }
    struct Case {
        const wchar_t* file;
        const wchar_t* text;
    };
    for (const Case& c : {Case{L"KOLU3-noinit.dll", L"Can't Find InitBIOSInteface from KOLU DLL\r\n"},
                          Case{L"KOLU3-nocall.dll", L"Can't Find CallBIOSInteface from KOLU DLL\r\n"}}) {
        ASSERT_TRUE(InstallFirmwareLibrary(c.file));
        log->Clear();
        e2e::AppUnderTest app(Exe(), L"");
        ASSERT_TRUE(app.WaitExit());
        const auto boxes = app.Boxes();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(c.text, boxes[0].text);
        EXPECT_FALSE(InitCalled(*log));
        EXPECT_TRUE(FirmwareCalls().empty());
    }
}

// A failing status of either entry is shown with the text of its own table (the tables are a unit test:
// 8 has a text only for calls, 5 only for initialisation). The probe's block then comes back untouched: its
// request byte 0x20 reads as "not available".
TEST_F(VelmoraTest, FailingStatusesAreShownAndTheProbesAnswerIsStillJudged) {
    const struct {
        const wchar_t* value;
        DWORD status;
        std::vector<std::wstring> texts;
        size_t calls;
    } cases[] = {
        {L"InitStatus", 8, {L"ERROR! undefined internal InitKOLU Error"}, 0},
        {L"CallStatus", 5, {L"ERROR! undefined internal Setting KOLU Error", UiText(L"MSG2")}, 1},
    };
    ASSERT_FALSE(UiText(L"MSG2").empty());
    for (const auto& c : cases) {
        ASSERT_TRUE(ResetMachine());
        ASSERT_TRUE(SetFirmware(c.value, c.status));
        e2e::AppUnderTest app(Exe(), L"");
        ASSERT_TRUE(app.WaitExit());
        std::vector<std::wstring> shown;
        for (const auto& box : app.Boxes()) shown.push_back(box.text);
        EXPECT_EQ(c.texts, shown);
        EXPECT_EQ(c.calls, FirmwareCalls().size());
    }
}

TEST_F(VelmoraTest, DialogCarriesTheTemplateControlsAndEndsByCancelEscapeOrCloseBox) {
    struct Control {
        int id;
        const wchar_t* className;
        LONG style;  // style bits that must be set
    };
    const Control controls[] = {
        {IDC_HELP_BUTTON, L"Button", WS_TABSTOP},
        {IDC_PROGRAM_ICON, L"Static", SS_ICON},
        {IDC_TITLE, L"Static", 0},
        {IDC_BACKGROUND, L"Static", SS_BITMAP},
        {IDOK, L"Button", BS_DEFPUSHBUTTON | WS_TABSTOP},
        {IDCANCEL, L"Button", WS_TABSTOP},
        {IDC_APPLY, L"Button", WS_TABSTOP},
        {IDC_OFF_LABEL, L"Static", SS_NOTIFY},  // a click on an option's text chooses it
        {IDC_ON_LABEL, L"Static", SS_NOTIFY},
        {IDC_OFF_OPTION, L"Button", WS_TABSTOP},  // the chosen option: the group's tab stop
        {IDC_ON_OPTION, L"Button", WS_GROUP},
        {IDC_DESCRIPTION, L"Static", 0},
        {IDC_FEATURE_NAME, L"Static", 0},
    };
    enum class Ending { Cancel, Escape, CloseBox };
    for (Ending ending : {Ending::Cancel, Ending::Escape, Ending::CloseBox}) {
        log->Clear();
        e2e::AppUnderTest app(Exe(), L"");
        HWND dlg = app.WaitForDialog(kTitle);
        ASSERT_NE(nullptr, dlg);
        if (ending == Ending::Cancel) {
            for (const Control& c : controls) {
                HWND item = ::GetDlgItem(dlg, c.id);
                ASSERT_NE(nullptr, item) << c.id;
                wchar_t cls[64];
                ::GetClassNameW(item, cls, 64);
                EXPECT_EQ(0, _wcsicmp(c.className, cls)) << c.id;
                const LONG style = static_cast<LONG>(::GetWindowLongPtrW(item, GWL_STYLE));
                EXPECT_EQ(c.style, style & c.style) << c.id;
                EXPECT_TRUE(style & WS_VISIBLE) << c.id;
            }
            const LONG style = static_cast<LONG>(::GetWindowLongPtrW(dlg, GWL_STYLE));
            EXPECT_TRUE(style & WS_MINIMIZEBOX);
            EXPECT_TRUE(::GetWindowLongPtrW(dlg, GWL_EXSTYLE) & WS_EX_APPWINDOW);
            EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dlg, IDC_APPLY)));  // Apply starts greyed out
            // The system command 0x0010 has nothing to show and is ignored.
            app.Send(dlg, WM_SYSCOMMAND, 0x0010, 0);
            EXPECT_TRUE(::IsWindow(dlg));
            ASSERT_TRUE(app.Click(dlg, IDCANCEL));
        } else if (ending == Ending::Escape) {
            ::PostMessageW(::GetDlgItem(dlg, IDC_ON_OPTION), WM_KEYDOWN, VK_ESCAPE, 0);
        } else {
            ::PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        ASSERT_TRUE(app.WaitExit(30000));
        EXPECT_TRUE(FirmwareSwitches().empty());
        EXPECT_TRUE(app.Boxes().empty());
        EXPECT_FALSE(StoredMode().has_value());
    }
}
