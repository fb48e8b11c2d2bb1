// The dialog's texts and help in the user's language, and its layout at a larger resolution.
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

}  // namespace

TEST_F(VelmoraTest, LabelsComeFromTheSectionOfTheUsersLanguage) {
    struct Case {
        const wchar_t* locale;
        const wchar_t* section;
    };
    const Case cases[] = {
        {L"de_DE.UTF-8", L"0407"}, {L"es_ES.UTF-8", L"0C0A"}, {L"zh_TW.UTF-8", L"0404"},
        {L"ar_SA.UTF-8", L"0401"}, {L"ja_JP.UTF-8", L"0409"}, {L"en_GB.UTF-8", L"0409"},
    };
    for (const Case& c : cases) {
        e2e::AppUnderTest app(Exe(), L"", {{L"LC_ALL", c.locale}});
        HWND dlg = app.WaitForDialog(kTitle);
        ASSERT_NE(nullptr, dlg) << e2e::Narrow(c.locale);
        EXPECT_EQ(kTitle, ControlText(dlg, 1013));
        for (size_t i = 0; i < std::size(kFileLabels); ++i) {
            const std::wstring expected = UiText(kFileKeys[i], c.section);
            EXPECT_FALSE(expected.empty());
            EXPECT_EQ(expected, ControlText(dlg, kFileLabels[i])) << e2e::Narrow(c.locale) << " " << kFileLabels[i];
        }
        ASSERT_TRUE(app.Click(dlg, IDCANCEL));
        ASSERT_TRUE(app.WaitExit());
    }
    // The German texts really differ from the English ones.
    EXPECT_NE(UiText(L"Desc", L"0407"), UiText(L"Desc", L"0409"));
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
        // The background picture shows the large layout's own image (437 x 540) only in the large layout.
        auto image = reinterpret_cast<HBITMAP>(app.Send(::GetDlgItem(dlg, 1005), STM_GETIMAGE, IMAGE_BITMAP, 0));
        BITMAP bm{};
        ASSERT_NE(0, ::GetObjectW(image, sizeof bm, &bm));
        EXPECT_EQ(c.large ? 437 : 364, bm.bmWidth) << c.dpi;
        ASSERT_TRUE(app.Click(dlg, IDCANCEL));
        ASSERT_TRUE(app.WaitExit());
    }
}

TEST_F(VelmoraTest, HelpOpensTheUsersLanguageOrEnglishOrNothing) {
    const std::wstring help = s_dir + L"Help\\";
    const std::wstring german = help + L"0407.chm", english = help + L"0409.chm";
    auto pressHelp = [&](const wchar_t* locale) {
        log->Clear();
        e2e::AppUnderTest app(Exe(), L"", {{L"LC_ALL", locale}});
        HWND dlg = app.WaitForDialog(kTitle);
        EXPECT_NE(nullptr, dlg);
        if (!dlg) return std::vector<std::string>{};
        EXPECT_TRUE(app.Click(dlg, 1002));
        ::Sleep(3000);  // the viewer runs on its own
        EXPECT_TRUE(app.Click(dlg, IDCANCEL));
        EXPECT_TRUE(app.WaitExit());
        EXPECT_TRUE(app.Boxes().empty());
        return log->Lines("hhview open ");
    };
    EXPECT_EQ(std::vector<std::string>{e2e::Narrow(german)}, pressHelp(L"de_DE.UTF-8"));

    ASSERT_TRUE(::MoveFileW(german.c_str(), (german + L".aside").c_str()));
    EXPECT_EQ(std::vector<std::string>{e2e::Narrow(english)}, pressHelp(L"de_DE.UTF-8"));

    ASSERT_TRUE(::MoveFileW(english.c_str(), (english + L".aside").c_str()));
    EXPECT_TRUE(pressHelp(L"de_DE.UTF-8").empty());

    ::MoveFileW((german + L".aside").c_str(), german.c_str());
    ::MoveFileW((english + L".aside").c_str(), english.c_str());
}
