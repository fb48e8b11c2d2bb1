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

TEST_F(VelmoraTest, OnlySupportedSystemsGoOnToTheLibrary) {
    // Wine 8 reports win7 as 6.1 server and win2008r2 as 6.1 workstation: the pairs below are what decides.
    struct Case {
        const wchar_t* wineVersion;
        bool supported;
    };
    const Case cases[] = {
        {L"winxp", true},      // 5.1
        {L"vista", true},      // 6.0 workstation
        {L"win2008r2", true},  // 6.1 workstation
        {L"win7", false},      // 6.1 server
        {L"win2003", false},   // 5.2
        {L"win2008", false},   // 6.0 server
        {L"win8", false},      // 6.2
    };
    for (const Case& c : cases) {
        e2e::SetWineVersion(c.wineVersion);
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
    ::DeleteFileW((s_dir + L"Win7_Driver\\x64\\KOLU3.DLL").c_str());
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
        InstallFirmwareLibrary(c.file);
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

TEST_F(VelmoraTest, EveryInitStatusHasItsText) {
    const std::pair<int, const wchar_t*> cases[] = {
        {1, L"ERROR! Kolu not supported"},
        {2, L"ERROR! Tamblor driver load fail"},
        {3, L"ERROR! undefined internal InitKOLU Error"},
        {4, L"ERROR! Tamblor driver not installed"},
        {5, L"ERROR! \"KOLU\" mutex creation fail"},
        {6, L"ERROR! Requesting Ownership of mutex fail"},
        {7, L"ERROR! Memio function call fail"},
        {8, L"ERROR! undefined internal InitKOLU Error"},
        {9, L"ERROR! Memory allication fail"},
        {-4, L"ERROR! undefined internal InitKOLU Error"},
    };
    for (const auto& [status, text] : cases) {
        SetFirmware(L"InitStatus", static_cast<DWORD>(status));
        log->Clear();
        e2e::AppUnderTest app(Exe(), L"");
        ASSERT_TRUE(app.WaitExit()) << status;
        const auto boxes = app.Boxes();
        ASSERT_EQ(1u, boxes.size()) << status;
        EXPECT_EQ(text, boxes[0].text) << status;
        EXPECT_TRUE(FirmwareCalls().empty()) << status;
    }
}

TEST_F(VelmoraTest, EveryCallStatusHasItsTextAndTheAnswerIsStillJudged) {
    const std::pair<int, const wchar_t*> cases[] = {
        {1, L"ERROR! Kolu not supported"},
        {2, L"ERROR! Tamblor driver load fail"},
        {3, L"ERROR! Function not supported"},
        {4, L"ERROR! Tamblor driver not installed"},
        {5, L"ERROR! undefined internal Setting KOLU Error"},
        {6, L"ERROR! Requesting Ownership of mutex fail"},
        {7, L"ERROR! Memio function call fail"},
        {8, L"ERROR! Kolu not initialized yet"},
        {9, L"ERROR! Memory allication fail"},
        {-1, L"ERROR! undefined internal Setting KOLU Error"},
    };
    for (const auto& [status, text] : cases) {
        SetFirmware(L"CallStatus", static_cast<DWORD>(status));
        log->Clear();
        e2e::AppUnderTest app(Exe(), L"");
        ASSERT_TRUE(app.WaitExit()) << status;
        // The probe's block comes back untouched: its request byte 0x20 reads as "not available".
        const auto boxes = app.Boxes();
        ASSERT_EQ(2u, boxes.size()) << status;
        EXPECT_EQ(text, boxes[0].text) << status;
        EXPECT_EQ(UiText(L"MSG2"), boxes[1].text) << status;
        EXPECT_FALSE(UiText(L"MSG2").empty());
    }
}

TEST_F(VelmoraTest, DialogCarriesTheTemplateControlsAndEndsByCancelEscapeOrCloseBox) {
    struct Control {
        int id;
        const wchar_t* className;
        LONG style;  // style bits that must be set
    };
    const Control controls[] = {
        {1002, L"Button", WS_TABSTOP},
        {1012, L"Static", SS_ICON},
        {1013, L"Static", 0},
        {1005, L"Static", SS_BITMAP},
        {1, L"Button", BS_DEFPUSHBUTTON | WS_TABSTOP},
        {2, L"Button", WS_TABSTOP},
        {3, L"Button", WS_TABSTOP},
        {1008, L"Static", 0},
        {1009, L"Static", 0},
        {1001, L"Button", WS_TABSTOP},
        {1000, L"Button", WS_TABSTOP},
        {1006, L"Static", 0},
        {1007, L"Static", 0},
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
            EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dlg, 3)));  // Apply starts greyed out
            // The system command 0x0010 has nothing to show and is ignored.
            app.Send(dlg, WM_SYSCOMMAND, 0x0010, 0);
            EXPECT_TRUE(::IsWindow(dlg));
            ASSERT_TRUE(app.Click(dlg, IDCANCEL));
        } else if (ending == Ending::Escape) {
            ::PostMessageW(::GetDlgItem(dlg, 1000), WM_KEYDOWN, VK_ESCAPE, 0);
        } else {
            ::PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        ASSERT_TRUE(app.WaitExit(30000));
        EXPECT_TRUE(FirmwareSwitches().empty());
        EXPECT_TRUE(app.Boxes().empty());
        EXPECT_FALSE(StoredMode().has_value());
    }
}
