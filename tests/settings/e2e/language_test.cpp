// The dialog's texts and help in the user's language, and its layout at a larger resolution.
#include <cstdlib>
#include <iterator>

#include "velmora_fixture.h"

using namespace velmora_test;

namespace {

std::wstring ControlText(HWND dlg, int id) {
    wchar_t text[512] = L"";
    ::GetWindowTextW(::GetDlgItem(dlg, id), text, 512);
    return text;
}

// The labels that come from the file: description, feature name, On, Off.
const int kFileLabels[] = {1006, 1007, 1009, 1008};
const wchar_t* const kFileKeys[] = {L"Desc", L"FuncName", L"On", L"Off"};

COLORREF ScreenPixel(HWND window, int x, int y) {
    // Physical pixels, whatever resolution the program under test was started with.
    ::SetProcessDPIAware();
    POINT pt{x, y};
    ::ClientToScreen(window, &pt);
    HDC screen = ::GetDC(nullptr);
    const COLORREF color = ::GetPixel(screen, pt.x, pt.y);
    ::ReleaseDC(nullptr, screen);
    return color;
}

// A pixel of one of the settings program's own bitmap resources.
COLORREF ProgramBitmapPixel(UINT id, int x, int y) {
    HMODULE program = ::LoadLibraryExW((VelmoraTest::ExePath()).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    const COLORREF color = e2e::BitmapResourcePixel(program, id, x, y);
    ::FreeLibrary(program);
    return color;
}

}  // namespace

// The user's language follows the Unix locale the test program was started with (ctest runs this program once
// per locale, naming the section it expects in CORVANE_TEST_SECTION).
std::wstring ExpectedSection() {
    const char* section = std::getenv("CORVANE_TEST_SECTION");
    return section ? e2e::Widen(section) : L"0409";
}

TEST_F(VelmoraTest, LocaleLabelsComeFromTheSectionOfTheUsersLanguage) {
    const std::wstring section = ExpectedSection();
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_NE(nullptr, dlg);
    EXPECT_EQ(kTitle, ControlText(dlg, 1013));
    for (size_t i = 0; i < std::size(kFileLabels); ++i) {
        const std::wstring expected = UiText(kFileKeys[i], section.c_str());
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(expected, ControlText(dlg, kFileLabels[i])) << kFileLabels[i];
    }
    if (section != L"0409") {
        EXPECT_NE(UiText(L"Desc", section.c_str()), UiText(L"Desc"));
    }
    ASSERT_TRUE(app.Click(dlg, IDCANCEL));
    ASSERT_TRUE(app.WaitExit());
}

TEST_F(VelmoraTest, WithoutUIStringIniTheDialogWorksWithEmptyTexts) {
    const std::wstring ini = s_dir + L"UIString.ini", aside = s_dir + L"UIString.ini.aside";
    ASSERT_TRUE(::MoveFileW(ini.c_str(), aside.c_str()));
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    EXPECT_NE(nullptr, dlg);
    if (dlg) {
        EXPECT_EQ(kTitle, ControlText(dlg, 1013));
        for (int id : kFileLabels) EXPECT_EQ(L"", ControlText(dlg, id)) << id;
        EXPECT_TRUE(app.Click(dlg, 1000));
        EXPECT_TRUE(app.Click(dlg, 3));
        EXPECT_EQ(1u, StoredMode().value_or(0));
        EXPECT_TRUE(app.Click(dlg, IDCANCEL));
    }
    EXPECT_TRUE(app.WaitExit());
    ::MoveFileW(aside.c_str(), ini.c_str());
}

TEST_F(VelmoraTest, LargerResolutionGivesTheLargeLayout) {
    struct Case {
        DWORD dpi;
        bool large;
    };
    for (const Case& c : {Case{144, true}, Case{96, false}}) {
        e2e::reg::SetDword(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", c.dpi);
        e2e::AppUnderTest app(Exe(), L"");
        HWND dlg = app.WaitForDialog(kTitle);
        ASSERT_NE(nullptr, dlg);
        RECT client;
        ::GetClientRect(dlg, &client);
        EXPECT_EQ(c.large, client.right > 364) << c.dpi << " dpi: " << client.right;
        // The push buttons paint their layout's own image unscaled from the top-left corner: find a point of
        // the OK button where the normal and the large image differ, and see which one the screen shows
        // there.
        ::Sleep(500);
        HWND ok = ::GetDlgItem(dlg, IDOK);
        RECT button;
        ::GetClientRect(ok, &button);
        POINT probe{-1, -1};
        for (int y = 1; y < button.bottom - 1 && probe.x < 0; ++y)
            for (int x = 1; x < 12 && x < button.right; ++x)
                if (ProgramBitmapPixel(130, x, y) != ProgramBitmapPixel(143, x, y)) {
                    probe = {x, y};
                    break;
                }
        ASSERT_GE(probe.x, 0) << "the two images look the same near the left edge";
        EXPECT_EQ(ProgramBitmapPixel(c.large ? 143 : 130, probe.x, probe.y),
                  ScreenPixel(ok, probe.x, probe.y))
            << c.dpi << " dpi at " << probe.x << "," << probe.y;
        ASSERT_TRUE(app.Click(dlg, IDCANCEL));
        ASSERT_TRUE(app.WaitExit());
    }
}

TEST_F(VelmoraTest, LocaleHelpOpensTheUsersLanguageOrEnglishOrNothing) {
    const std::wstring section = ExpectedSection();
    if (section == L"0409") GTEST_SKIP() << "needs a user language other than English";
    const std::wstring help = s_dir + L"Help\\";
    const std::wstring own = help + section + L".chm", english = help + L"0409.chm";
    auto pressHelp = [&] {
        log->Clear();
        e2e::AppUnderTest app(Exe(), L"");
        HWND dlg = app.WaitForDialog(kTitle);
        EXPECT_NE(nullptr, dlg);
        if (!dlg) return std::vector<std::string>{};
        EXPECT_TRUE(app.Click(dlg, 1002));
        ::Sleep(2000);  // the viewer runs on its own
        EXPECT_TRUE(app.Click(dlg, IDCANCEL));
        EXPECT_TRUE(app.WaitExit());
        EXPECT_TRUE(app.Boxes().empty());
        return log->Lines("hhview open ");
    };
    EXPECT_EQ(std::vector<std::string>{e2e::Narrow(own)}, pressHelp());

    ASSERT_TRUE(::MoveFileW(own.c_str(), (own + L".aside").c_str()));
    EXPECT_EQ(std::vector<std::string>{e2e::Narrow(english)}, pressHelp());

    ASSERT_TRUE(::MoveFileW(english.c_str(), (english + L".aside").c_str()));
    EXPECT_TRUE(pressHelp().empty());

    ::MoveFileW((own + L".aside").c_str(), own.c_str());
    ::MoveFileW((english + L".aside").c_str(), english.c_str());
}
