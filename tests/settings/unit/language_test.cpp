#include <gtest/gtest.h>

#include "test_support.h"
#include <framework/handles.h>
#include <usp10.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "HelpStart.h"
#include "HelpViewer.h"
#include "LabelFit.h"
#include "LanguageCode.h"

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

namespace {

// The lines of a text wrapped at `width` as Windows wraps it with Uniscribe: the paragraph shaped as a whole
// (Wine's Uniscribe fails on some Arabic pieces measured alone), a line ending where one may end (after a
// space too: Wine finds no breaks in Thai), as wide as its characters' shaped widths; 0 when one is wider.
int ShapedLines(HDC dc, const std::wstring& text, int width, bool rightToLeft) {
    SCRIPT_CONTROL control{};
    SCRIPT_STATE state{};
    SCRIPT_STRING_ANALYSIS ssa = nullptr;
    const int n = static_cast<int>(text.size());
    if (FAILED(::ScriptStringAnalyse(dc, text.c_str(), n, n * 3 / 2 + 16, -1,
                                     SSA_GLYPHS | SSA_FALLBACK | SSA_BREAK | (rightToLeft ? SSA_RTL : 0), 0,
                                     &control, &state, nullptr, nullptr, nullptr, &ssa)))
        return 0;
    std::vector<int> x(n * 2 + 16);  // widths, then where each character ends (room to spare for Wine)
    ::ScriptStringGetLogicalWidths(ssa, x.data());
    const SCRIPT_LOGATTR* breaks = ::ScriptString_pLogAttr(ssa);
    for (int i = 1; i < n; ++i) x[i] += x[i - 1];
    auto wide = [&](int from, int to) {  // a line from `from` to `to`, without its trailing blanks
        while (to > from && text[to - 1] == L' ') --to;
        return to > from ? x[to - 1] - (from ? x[from - 1] : 0) : 0;
    };
    int lines = 0, start = 0;
    while (start < n) {
        int end = start;  // the furthest place within the width where the line may end
        for (int next = start + 1; next <= n && wide(start, next) <= width; ++next)
            if (next == n || breaks[next].fSoftBreak || text[next - 1] == L' ') end = next;
        if (end == start) break;  // a piece wider than the line
        start = end, ++lines;
    }
    ::ScriptStringFree(&ssa);
    return start < n ? 0 : lines;
}

}  // namespace

// Every label and caption of every language whole in both layouts (96 dpi, and 120 dpi where Windows gives
// the dialog 455 x 563): the font height and rectangle the dialog's fitting gives a text hold it as Windows
// measures and wraps it, within the room the layout has.
TEST(LabelFit, EveryTextOfEveryLanguageIsWholeInBothLayouts) {
    struct Place {
        const wchar_t* key;
        int height, weight;
        RECT rc;     // the control (a caption: its button's face, less the margins)
        int bottom;  // how far down it may grow
    } const places[2][7] = {{{L"Desc", 16, 400, {40, 160, 324, 272}, 280},
                             {L"FuncName", 15, 900, {28, 296, 316, 318}, 336},
                             {L"On", 15, 400, {48, 338, 316, 358}, 364},
                             {L"Off", 15, 400, {48, 366, 316, 386}, 398},
                             {L"OK", 15, 400, {0, 0, 96, 24}, 0},
                             {L"CANCEL", 15, 400, {0, 0, 96, 24}, 0},
                             {L"APPLY", 15, 400, {0, 0, 92, 24}, 0}},
                            {{L"Desc", 20, 400, {50, 200, 405, 340}, 336},
                             {L"FuncName", 20, 900, {35, 370, 395, 398}, 421},
                             {L"On", 20, 400, {60, 423, 395, 448}, 456},
                             {L"Off", 20, 400, {60, 458, 395, 483}, 478},
                             {L"OK", 20, 400, {0, 0, 117, 30}, 0},
                             {L"CANCEL", 20, 400, {0, 0, 117, 30}, 0},
                             {L"APPLY", 20, 400, {0, 0, 117, 30}, 0}}};
    std::ifstream list(std::filesystem::path(e2e::FromUnixPath(CORVANE_LANGUAGE_LIST)));
    const std::wstring ini = e2e::DistDir() + L"Velmora\\UIString.ini";
    HDC dc = ::CreateCompatibleDC(nullptr);
    int languages = 0;
    for (std::string line; std::getline(list, line);) {
        if (line.empty() || line[0] == '#') continue;
        const std::wstring code = e2e::Widen(line.substr(0, 4));
        ++languages;
        for (const auto& layout : places)
            for (const Place& p : layout) {
                SCOPED_TRACE(e2e::Narrow(code + L" " + p.key) + (&layout == &places[1] ? " large" : ""));
                wchar_t text[260] = L"";
                ::GetPrivateProfileStringW(code.c_str(), p.key, L"", text, 260, ini.c_str());
                const UINT format = p.bottom ? DT_WORDBREAK : DT_SINGLELINE;
                const LabelFit fit =
                    FitLabel(dc, text, p.rc, p.bottom, p.height, p.weight, format, p.height * 3 / 4);
                fw::CFont font;
                ASSERT_TRUE(font.CreateSegoeFont(fit.height, p.weight));
                HGDIOBJ old = ::SelectObject(dc, font.Get());
                TEXTMETRICW metrics{};
                ::GetTextMetricsW(dc, &metrics);
                const int lines = ShapedLines(dc, text, p.rc.right - p.rc.left, IsRightToLeftLanguage(code));
                ::SelectObject(dc, old);
                EXPECT_TRUE(fit.whole);
                EXPECT_GT(lines, 0);
                EXPECT_LE(lines * metrics.tmHeight, fit.rect.bottom - fit.rect.top);
                EXPECT_LE(fit.rect.bottom, std::max<LONG>(p.bottom, p.rc.bottom));
            }
    }
    ::DeleteDC(dc);
    EXPECT_EQ(39, languages);
}
