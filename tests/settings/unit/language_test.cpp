#include <gtest/gtest.h>

#include <e2e.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "HelpStart.h"
#include "HelpViewer.h"
#include "Language.h"

TEST(LanguageCode, SupportedIdentifiersGiveTheirUpperCaseCode) {
    EXPECT_EQ(L"0C0A", LanguageCodeFor(0x0C0A));
    EXPECT_EQ(L"040B", LanguageCodeFor(0x040B));
    EXPECT_EQ(L"2C01", LanguageCodeFor(0x2C01));
    EXPECT_EQ(L"0407", LanguageCodeFor(0x0407));
    EXPECT_EQ(L"0409", LanguageCodeFor(0x0409));
}

TEST(LanguageCode, TheWholeIdentifierMustMatchOrEnglishIsUsed) {
    for (LANGID other : {0x040A, 0x0411, 0x0807, 0x0809, 0x0000, 0x0C07, 0x0412 + 0x0400})
        EXPECT_EQ(L"0409", LanguageCodeFor(static_cast<LANGID>(other))) << std::hex << other;
}

// Exactly the languages of resources/settings/languages.txt (English among them) have a code of their own.
TEST(LanguageCode, TheListedLanguagesAreTheSupportedOnes) {
    std::ifstream in(std::filesystem::path(e2e::FromUnixPath(CORVANE_LANGUAGE_LIST)));
    ASSERT_TRUE(in) << CORVANE_LANGUAGE_LIST;
    std::set<std::wstring> listed;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') listed.insert(e2e::Widen(line.substr(0, 4)));
    std::set<std::wstring> supported = {L"0409"};
    for (unsigned id = 0; id <= 0xFFFF; ++id)
        if (LanguageCodeFor(static_cast<LANGID>(id)) != L"0409")
            supported.insert(LanguageCodeFor(static_cast<LANGID>(id)));
    EXPECT_EQ(supported, listed);
}

TEST(LanguageCode, ArabicAndHebrewAreWrittenRightToLeft) {
    for (const wchar_t* code : {L"0401", L"0C01", L"2801", L"2C01", L"3001", L"040D"})
        EXPECT_TRUE(IsRightToLeftLanguage(code)) << code;
    for (const wchar_t* code : {L"0409", L"0402", L"041E", L"0804", L"0C0A", L"0422"})
        EXPECT_FALSE(IsRightToLeftLanguage(code)) << code;
}

// The help viewer runs as the person at the desktop: directly when that is this program's account, through
// the desktop's shell when an administrator's credentials were typed at another user's desktop, and not at
// all when the desktop's account cannot be told.
TEST(HelpStart, TheViewerRunsAsWhoeverSitsAtTheDesktop) {
    const std::wstring admin = L"S-1-5-21-1004336348-1177238915-682003330-500";
    const std::wstring user = L"S-1-5-21-1004336348-1177238915-682003330-1001";
    EXPECT_EQ(ChooseHelpStart(admin, admin), HelpStart::kAsThisProgram);
    EXPECT_EQ(ChooseHelpStart(admin, user), HelpStart::kAsDesktopUser);
    EXPECT_EQ(ChooseHelpStart(admin, L""), HelpStart::kNotAtAll);
    EXPECT_EQ(ChooseHelpStart(L"", user), HelpStart::kNotAtAll);
    // On this machine, as with consent by the same administrator, both are the one account.
    EXPECT_EQ(ChooseHelpStart(ProgramAccount(), DesktopAccount()), HelpStart::kAsThisProgram);
}
