// GUID text as the agent writes it and reads it back.
#include <gtest/gtest.h>

#include <machine.h>
#include <text.h>

#include "GuidText.h"

namespace {

using machine::kBalanced;

TEST(GuidText, FormatsLowerCaseWithoutBracesAndWithLeadingZeros) {
    const GUID guid = {0x1, 0x2, 0xA3, {0x0, 0xB, 0xC0, 0xD, 0xE, 0xF, 0x10, 0xFF}};
    EXPECT_EQ(GuidToText(guid), L"00000001-0002-00a3-000b-c00d0e0f10ff");
}

TEST(GuidText, ReadsEveryFieldAtItsPosition) {
    const GUID guid = GuidFromText(kBalanced);
    EXPECT_EQ(guid.Data1, 0x381b4222u);
    EXPECT_EQ(guid.Data2, 0xf694);
    EXPECT_EQ(guid.Data3, 0x41f0);
    const unsigned char data4[8] = {0x96, 0x85, 0xff, 0x5b, 0xb2, 0x60, 0xdf, 0x2e};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(guid.Data4[i], data4[i]) << "byte " << i;
    EXPECT_EQ(GuidToText(guid), kBalanced);
}

TEST(GuidText, UpperCaseDigitsReadTheSame) {
    EXPECT_EQ(GuidToText(GuidFromText(L"A1841308-3541-4FAB-BC81-F71556F20B4A")),
              L"a1841308-3541-4fab-bc81-f71556f20b4a");
}

TEST(GuidText, SeparatorsAreNotExamined) {
    EXPECT_EQ(GuidToText(GuidFromText(L"381b4222xf694y41f0z9685.ff5bb260df2e")), kBalanced);
}

TEST(GuidText, ShortTextsFillTheRestWithZeros) {
    EXPECT_EQ(GuidToText(GuidFromText(L"")), L"00000000-0000-0000-0000-000000000000");
    EXPECT_EQ(GuidToText(GuidFromText(L"381b4222-f6")), L"381b4222-00f6-0000-0000-000000000000");
    // Data4[0] starts at 19: a text of 20 characters gives it one digit.
    EXPECT_EQ(GuidToText(GuidFromText(L"381b4222-f694-41f0-9")), L"381b4222-f694-41f0-0900-000000000000");
}

TEST(GuidText, ConversionStopsAtTheFirstNonHexCharacter) {
    const GUID guid = GuidFromText(L"12g45678-zzzz-00x1-9685-ff5bb260df2e");
    EXPECT_EQ(guid.Data1, 0x12u);
    EXPECT_EQ(guid.Data2, 0);
    EXPECT_EQ(guid.Data3, 0);
    EXPECT_EQ(guid.Data4[0], 0x96);
}

TEST(GuidText, LeadingBlanksOfAPieceAreSkipped) {
    EXPECT_EQ(GuidFromText(L"   1f2ab-0001-0002-0000-000000000000").Data1, 0x1f2abu);
}

TEST(GuidText, OnlyTheThirtySixCharacterFormIsWellFormed) {
    EXPECT_TRUE(fw::IsGuidText(kBalanced));
    EXPECT_TRUE(fw::IsGuidText(L"A1841308-3541-4FAB-BC81-F71556F20B4A"));
    for (const wchar_t* text :
         {L"", L"{381b4222-f694-41f0-9685-ff5bb260df2e}", L"381b4222-f694-41f0-9685-ff5bb260df2",
          L"381b4222-f694-41f0-9685-ff5bb260df2e ", L"381b4222xf694-41f0-9685-ff5bb260df2e",
          L"381b4222-f694-41f0-9685-ff5bb260df2g", L"381b4222-f694-41f0-9685 & calc & 0df2e"})
        EXPECT_FALSE(fw::IsGuidText(text)) << std::string(text, text + wcslen(text));
}

TEST(GuidText, BracedTextIsReadAtTheSameFixedPositions) {
    // The brace takes position 0, so the pieces are read one character off.
    const GUID guid = GuidFromText(L"{381b4222-f694-41f0-9685-ff5bb260df2e}");
    EXPECT_EQ(guid.Data1, 0u);       // "{381b422"
    EXPECT_EQ(guid.Data2, 0);        // "-f69"
    EXPECT_EQ(guid.Data4[1], 0x68);  // "68"
}

}  // namespace
