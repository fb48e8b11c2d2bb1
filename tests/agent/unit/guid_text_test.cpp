// GUID text as the agent writes it and reads it back. The fuzz target checks the round trips; these are the
// readings of texts that are not well formed, written out.
#include <gtest/gtest.h>

#include "test_support.h"
#include <machine.h>
#include <framework/text.h>

#include "GuidText.h"

namespace {

using machine::kBalanced;

TEST(GuidText, FormatsLowerCaseWithoutBracesAndWithLeadingZeros) {
    const GUID guid = {0x1, 0x2, 0xA3, {0x0, 0xB, 0xC0, 0xD, 0xE, 0xF, 0x10, 0xFF}};
    EXPECT_EQ(GuidToText(guid), L"00000001-0002-00a3-000b-c00d0e0f10ff");
}

// Each field is read at its fixed position as hex digits after leading blanks, up to the first other
// character; separators are not examined, and what the text does not reach is zero.
TEST(GuidText, AnyTextIsReadAtTheFixedPositions) {
    const struct {
        const wchar_t* text;
        const wchar_t* read;
    } cases[] = {
        {L"", L"00000000-0000-0000-0000-000000000000"},
        {L"381b4222-f6", L"381b4222-00f6-0000-0000-000000000000"},
        {L"381b4222-f694-41f0-9", L"381b4222-f694-41f0-0900-000000000000"},
        {L"12g45678-zzzz-00x1-9685-ff5bb260df2e", L"00000012-0000-0000-9685-ff5bb260df2e"},
        {L"   1f2ab-0001-0002-0000-000000000000", L"0001f2ab-0001-0002-0000-000000000000"},
        {L"381b4222xf694y41f0z9685.ff5bb260df2e", kBalanced},
        {L"{381b4222-f694-41f0-9685-ff5bb260df2e}", L"00000000-0000-0000-0068-00f5bb260df2"},
        {L"A1841308-3541-4FAB-BC81-F71556F20B4A", L"a1841308-3541-4fab-bc81-f71556f20b4a"},
    };
    for (const auto& c : cases) EXPECT_EQ(GuidToText(GuidFromText(c.text)), c.read) << e2e::Narrow(c.text);
}

TEST(GuidText, OnlyTheThirtySixCharacterFormIsWellFormed) {
    EXPECT_TRUE(fw::IsGuidText(kBalanced));
    EXPECT_TRUE(fw::IsGuidText(L"A1841308-3541-4FAB-BC81-F71556F20B4A"));
    for (const wchar_t* text :
         {L"", L"{381b4222-f694-41f0-9685-ff5bb260df2e}", L"381b4222-f694-41f0-9685-ff5bb260df2",
          L"381b4222-f694-41f0-9685-ff5bb260df2e ", L"381b4222xf694-41f0-9685-ff5bb260df2e",
          L"381b4222-f694-41f0-9685-ff5bb260df2g", L"381b4222-f694-41f0-9685 & calc & 0df2e"})
        EXPECT_FALSE(fw::IsGuidText(text)) << e2e::Narrow(text);
}

}  // namespace
