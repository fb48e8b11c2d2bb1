// How one list.ini entry becomes device patterns, and how a device's display name is taken from its
// description.
#include <gtest/gtest.h>

#include "DevicePatterns.h"

namespace {

using Patterns = std::vector<std::wstring>;

TEST(DevicePatterns, SplitsEntriesAsTheTableSays) {
    EXPECT_EQ(SplitDevicePatterns(L"A;B"), (Patterns{L"A", L"B"}));
    EXPECT_EQ(SplitDevicePatterns(L"A;"), (Patterns{L"A"}));
    EXPECT_EQ(SplitDevicePatterns(L";A"), (Patterns{L"A"}));
    EXPECT_EQ(SplitDevicePatterns(L"A;;B"), (Patterns{L"A", L"B"}));
    EXPECT_EQ(SplitDevicePatterns(L"A;;B;C"), (Patterns{L"A", L"BC"}));
}

TEST(DevicePatterns, EmptyPatternsAndTheBareBackslashNameNoDevice) {
    EXPECT_EQ(SplitDevicePatterns(L";"), Patterns{});
    EXPECT_EQ(SplitDevicePatterns(L";;"), Patterns{});
    EXPECT_EQ(SplitDevicePatterns(L"A;;"), (Patterns{L"A"}));
    EXPECT_EQ(SplitDevicePatterns(L";;A"), (Patterns{L"A"}));
    EXPECT_TRUE(ParseDevicePattern(L"\\").NamesNoDevice());
    EXPECT_FALSE(ParseDevicePattern(L"PCI\\").NamesNoDevice());  // every PCI device: the list's choice
    EXPECT_FALSE(ParseDevicePattern(L"\\VEN_1").NamesNoDevice());
}

TEST(DevicePatterns, SinglePatternAndLongerNames) {
    EXPECT_EQ(SplitDevicePatterns(L"PCI\\VEN_8086"), (Patterns{L"PCI\\VEN_8086"}));
    EXPECT_EQ(SplitDevicePatterns(L"PCI\\VEN_8086&DEV_10D3;USB\\VID_0B95"),
              (Patterns{L"PCI\\VEN_8086&DEV_10D3", L"USB\\VID_0B95"}));
    EXPECT_TRUE(SplitDevicePatterns(L"").empty());
}

TEST(DevicePatterns, PatternSplitsAtTheFirstBackslashAndUpperCasesAsciiOnly) {
    const DevicePattern p = ParseDevicePattern(L"pci\\ven_8086\\x");
    EXPECT_EQ(p.enumerator, L"PCI");
    EXPECT_EQ(p.prefix, L"VEN_8086\\X");

    const DevicePattern noBackslash = ParseDevicePattern(L"ven_10ec");
    EXPECT_EQ(noBackslash.enumerator, L"");
    EXPECT_EQ(noBackslash.prefix, L"VEN_10EC");

    EXPECT_EQ(UpperAscii(L"a\u00e9z\u0131"), L"A\u00e9Z\u0131");
    EXPECT_EQ(ParseDevicePattern(L"us;b\\v;id").enumerator, L"USB");
}

TEST(DevicePatterns, DeviceDescYieldsTheTextAfterTheSetupReference) {
    EXPECT_EQ(NameFromDeviceDesc(L"@net.inf,%e1000.devicedesc%;Intel(R) PRO/1000"), L"Intel(R) PRO/1000");
    EXPECT_EQ(NameFromDeviceDesc(L"Realtek PCIe GbE Family Controller"),
              L"Realtek PCIe GbE Family Controller");
    // The marker is case-sensitive and the first one counts.
    EXPECT_EQ(NameFromDeviceDesc(L"%NIC.DESC%;Upper"), L"%NIC.DESC%;Upper");
    EXPECT_EQ(NameFromDeviceDesc(L"a.devicedesc%;b.desc%;Name"), L"b.desc%;Name");
    EXPECT_EQ(NameFromDeviceDesc(L"x.desc%;"), L"");
}

}  // namespace
