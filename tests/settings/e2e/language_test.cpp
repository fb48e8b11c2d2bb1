// The dialog's texts and help in the user's language, and its layout at the size the machine gives it.
#include <iterator>
#include <sstream>

#include "screenshot.h"
#include "velmora_fixture.h"

using namespace velmora_test;

namespace {

std::wstring ControlText(HWND dlg, int id) {
    wchar_t text[512] = L"";
    ::GetWindowTextW(::GetDlgItem(dlg, id), text, 512);
    return text;
}

// The labels that come from the file: description, feature name, On, Off.
const int kFileLabels[] = {IDC_DESCRIPTION, IDC_FEATURE_NAME, IDC_ON_LABEL, IDC_OFF_LABEL};
const wchar_t* const kFileKeys[] = {L"Desc", L"FuncName", L"On", L"Off"};

// The layout the screen shows once the dialog has painted, polled until it is one of the two.
e2e::Layout WaitForLayout(HWND dlg, const std::wstring& exe) {
    const DWORD start = ::GetTickCount();
    e2e::Layout shown = e2e::ShownLayout(dlg, exe);
    while (shown == e2e::Layout::Unknown && ::GetTickCount() - start < 10000) {
        e2e::WaitForStillWindow(dlg, 1000);
        shown = e2e::ShownLayout(dlg, exe);
    }
    return shown;
}

}  // namespace

TEST_F(VelmoraLocaleTest, LabelsComeFromTheSectionOfTheUsersLanguage) {
    const std::wstring section = Section();
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_NE(nullptr, dlg);
    EXPECT_EQ(kTitle, ControlText(dlg, IDC_TITLE));
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
    e2e::MovedAside ini(s_dir + L"UIString.ini");
    ASSERT_TRUE(ini.Moved());
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_NE(nullptr, dlg);
    EXPECT_EQ(kTitle, ControlText(dlg, IDC_TITLE));
    for (int id : kFileLabels) EXPECT_EQ(L"", ControlText(dlg, id)) << id;
    EXPECT_EQ(L"Help", ControlText(dlg, IDC_HELP_BUTTON));  // what screen readers call it, without a file
    EXPECT_TRUE(app.Click(dlg, IDC_ON_OPTION));
    EXPECT_TRUE(app.Click(dlg, IDC_APPLY));
    EXPECT_EQ(1u, StoredMode().value_or(0));
    EXPECT_TRUE(app.Click(dlg, IDCANCEL));
    EXPECT_TRUE(app.WaitExit());
}

// The size of the "System" 8 pt dialog depends on the resolution, the language and the fonts Wine has, so
// each run measures it: at rising resolutions until it has seen both layouts, the images the screen shows
// must be those of the layout the measured width calls for (wider than 364 pixels: large). Wine's bitmap
// "System" fonts only grow by whole multiples; the doubled one came at 240 dpi here, the Japanese at 336.
TEST_F(VelmoraLocaleTest, LayoutFollowsTheMeasuredClientWidth) {
    ::SetProcessDPIAware();  // sizes and pixels as the screen has them
    bool seenNormal = false, seenLarge = false;
    std::ostringstream measured;
    for (DWORD dpi : {96, 144, 192, 240, 288, 336}) {
        ASSERT_TRUE(e2e::reg::SetDword(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", dpi));
        e2e::AppUnderTest app(Exe(), L"");
        HWND dlg = app.WaitForDialog(kTitle);
        ASSERT_NE(nullptr, dlg) << dpi << " dpi";
        RECT client;
        ASSERT_TRUE(::GetClientRect(dlg, &client));
        const bool large = client.right > 364;
        measured << " " << dpi << " dpi: " << client.right << " x " << client.bottom << ";";
        EXPECT_EQ(large ? e2e::Layout::Large : e2e::Layout::Normal, WaitForLayout(dlg, Exe()))
            << dpi << " dpi, client area " << client.right << " x " << client.bottom;
        (large ? seenLarge : seenNormal) = true;
        ASSERT_TRUE(app.Click(dlg, IDCANCEL));
        ASSERT_TRUE(app.WaitExit());
        if (seenNormal && seenLarge) break;
    }
    EXPECT_TRUE(seenNormal) << "no resolution gave the normal layout:" << measured.str();
    EXPECT_TRUE(seenLarge) << "no resolution gave the large layout:" << measured.str();
}

// At 120 dpi Windows' "System" font gives the dialog base units of 10 x 20: the large layout at the size its
// 437 x 540 images are made for.
TEST_F(VelmoraTest, LargeLayoutAt120DpiHasTheSizeWindowsGivesIt) {
    ::SetProcessDPIAware();
    ASSERT_TRUE(e2e::SetResolution(120));
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_NE(nullptr, dlg);
    RECT client;
    ASSERT_TRUE(::GetClientRect(dlg, &client));
    EXPECT_EQ(455, client.right);
    EXPECT_EQ(563, client.bottom);
    EXPECT_EQ(e2e::Layout::Large, WaitForLayout(dlg, Exe()));
    ASSERT_TRUE(app.Click(dlg, IDCANCEL));
    ASSERT_TRUE(app.WaitExit());
}

TEST_F(VelmoraLocaleTest, HelpOpensTheUsersLanguageOrEnglishOrNothing) {
    const std::wstring section = Section();
    if (section == L"0409") GTEST_SKIP() << "needs a user language other than English";
    const std::wstring help = s_dir + L"Help\\";
    const std::wstring own = help + section + L".chm", english = help + L"0409.chm";
    // What the viewer was asked to open after one press of the help button: the system's viewer, by its path
    // in the Windows folder. It has been started by the time the click is handled; its log line is complete
    // once it has ended.
    auto pressHelp = [&]() -> std::vector<std::string> {
        log->Clear();
        e2e::AppUnderTest app(Exe(), L"");
        HWND dlg = app.WaitForDialog(kTitle);
        if (!dlg) {
            ADD_FAILURE() << "no dialog";
            return {};
        }
        EXPECT_TRUE(app.Click(dlg, IDC_HELP_BUTTON));
        EXPECT_TRUE(e2e::WaitForNoProcess(L"hh.exe"));
        EXPECT_TRUE(app.Click(dlg, IDCANCEL));
        EXPECT_TRUE(app.WaitExit());
        EXPECT_TRUE(app.Boxes().empty());
        return log->Lines("hhview C:\\windows\\hh.exe open ");
    };
    EXPECT_EQ(std::vector<std::string>{e2e::Narrow(own)}, pressHelp());

    e2e::MovedAside ownAside(own);
    ASSERT_TRUE(ownAside.Moved());
    EXPECT_EQ(std::vector<std::string>{e2e::Narrow(english)}, pressHelp());

    e2e::MovedAside englishAside(english);
    ASSERT_TRUE(englishAside.Moved());
    EXPECT_EQ(std::vector<std::string>{}, pressHelp());
}
