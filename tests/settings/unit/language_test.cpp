#include <gtest/gtest.h>

#include <e2e.h>
#include <handles.h>
#include <usp10.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "LabelFit.h"
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

namespace {

// How many lines a text takes wrapped at `width` as Windows wraps it with Uniscribe: the paragraph shaped
// (in its reading order, with fallback fonts), broken where a line may end, each line as wide as its
// characters' shaped widths; 0 when a piece that cannot be broken is wider. A line may always end after a
// space (Wine's Uniscribe finds no breaks in Thai), and only whole paragraphs are measured (it fails on some
// Arabic pieces measured alone).
int ShapedLines(HDC dc, const std::wstring& text, int width, bool rightToLeft) {
    SCRIPT_CONTROL control{};
    SCRIPT_STATE state{};
    SCRIPT_STRING_ANALYSIS analysis = nullptr;
    const int length = static_cast<int>(text.size());
    if (FAILED(::ScriptStringAnalyse(dc, text.c_str(), length, length * 3 / 2 + 16, -1,
                                     SSA_GLYPHS | SSA_FALLBACK | SSA_BREAK | (rightToLeft ? SSA_RTL : 0), 0,
                                     &control, &state, nullptr, nullptr, nullptr, &analysis)))
        return 0;
    std::vector<int> widths(text.size() * 2 + 16);  // room to spare: Wine's Uniscribe may write more
    ::ScriptStringGetLogicalWidths(analysis, widths.data());
    const SCRIPT_LOGATTR* breaks = ::ScriptString_pLogAttr(analysis);
    auto piece = [&](size_t from, size_t to) {
        while (to > from && text[to - 1] == L' ') --to;
        int sum = 0;
        for (size_t i = from; i < to; ++i) sum += widths[i];
        return sum;
    };
    int lines = 0;
    bool fits = true;
    for (size_t start = 0, end = 0; start < text.size() && fits; start = end, ++lines) {
        for (size_t next = start + 1; next <= text.size(); ++next)
            if (next == text.size() || breaks[next].fSoftBreak || text[next - 1] == L' ') {
                if (end > start && piece(start, next) > width) break;
                end = next;
            }
        fits = piece(start, end) <= width;
    }
    ::ScriptStringFree(&analysis);
    return fits ? lines : 0;
}

}  // namespace

// Every label and caption of every language whole in both layouts (96 dpi, and 120 dpi where Windows gives
// the dialog 455 x 563): the font height and rectangle the dialog's fitting gives a text hold it as Windows
// measures and wraps it, and the rectangle stays in the room the layout has.
TEST(LabelFit, EveryTextOfEveryLanguageIsWholeInBothLayouts) {
    struct Place {
        const wchar_t* key;
        int height, weight;
        RECT rc;     // as the dialog has the control (a caption: its button's face, less the margins)
        int bottom;  // how far down it may grow
        UINT format;
    };
    const Place normal[] = {{L"Desc", 16, 400, {40, 160, 324, 272}, 280, DT_WORDBREAK},
                            {L"FuncName", 15, 900, {28, 296, 316, 318}, 336, DT_WORDBREAK},
                            {L"On", 15, 400, {48, 338, 316, 358}, 364, DT_WORDBREAK},
                            {L"Off", 15, 400, {48, 366, 316, 386}, 398, DT_WORDBREAK},
                            {L"OK", 15, 400, {0, 0, 96, 24}, 24, DT_SINGLELINE},
                            {L"CANCEL", 15, 400, {0, 0, 96, 24}, 24, DT_SINGLELINE},
                            {L"APPLY", 15, 400, {0, 0, 92, 24}, 24, DT_SINGLELINE}};
    const Place large[] = {{L"Desc", 20, 400, {50, 200, 405, 340}, 336, DT_WORDBREAK},
                           {L"FuncName", 20, 900, {35, 370, 395, 398}, 421, DT_WORDBREAK},
                           {L"On", 20, 400, {60, 423, 395, 448}, 456, DT_WORDBREAK},
                           {L"Off", 20, 400, {60, 458, 395, 483}, 478, DT_WORDBREAK},
                           {L"OK", 20, 400, {0, 0, 117, 30}, 30, DT_SINGLELINE},
                           {L"CANCEL", 20, 400, {0, 0, 117, 30}, 30, DT_SINGLELINE},
                           {L"APPLY", 20, 400, {0, 0, 117, 30}, 30, DT_SINGLELINE}};
    std::ifstream list(std::filesystem::path(e2e::FromUnixPath(CORVANE_LANGUAGE_LIST)));
    ASSERT_TRUE(list);
    const std::wstring ini = e2e::DistDir() + L"Velmora\\UIString.ini";
    HDC dc = ::CreateCompatibleDC(nullptr);
    int checked = 0;
    for (std::string line; std::getline(list, line);) {
        if (line.empty() || line[0] == '#') continue;
        const std::wstring code = e2e::Widen(line.substr(0, 4));
        for (const auto* layout : {&normal, &large})
            for (const Place& p : *layout) {
                wchar_t text[260] = L"";
                ::GetPrivateProfileStringW(code.c_str(), p.key, L"", text, 260, ini.c_str());
                const LabelFit fit =
                    FitLabel(dc, text, p.rc, p.bottom, p.height, p.weight, p.format, p.height * 3 / 4);
                fw::CFont font;
                font.CreateSegoeFont(fit.height, p.weight);
                HGDIOBJ old = ::SelectObject(dc, font.Get());
                TEXTMETRICW metrics{};
                ::GetTextMetricsW(dc, &metrics);
                const int lines = ShapedLines(dc, text, p.rc.right - p.rc.left, IsRightToLeftLanguage(code));
                ::SelectObject(dc, old);
                const std::string where =
                    e2e::Narrow(code + L" " + p.key) + (layout == &large ? " large" : "");
                EXPECT_TRUE(fit.whole) << where;
                EXPECT_TRUE(lines == 1 || (lines > 1 && p.format == DT_WORDBREAK)) << where << ": " << lines;
                EXPECT_LE(lines * metrics.tmHeight, fit.rect.bottom - fit.rect.top) << where;
                EXPECT_LE(fit.rect.bottom, std::max<LONG>(p.bottom, p.rc.bottom)) << where;
                ++checked;
            }
    }
    ::DeleteDC(dc);
    EXPECT_EQ(39 * 2 * 7, checked);
}
