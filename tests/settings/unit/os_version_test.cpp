#include <gtest/gtest.h>

#include "TessalyApp.h"

namespace {
OSVERSIONINFOEXW Version(DWORD platform, DWORD major, DWORD minor, BYTE productType) {
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    info.dwPlatformId = platform;
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    info.wProductType = productType;
    return info;
}
}  // namespace

TEST(CheckOSVersion, SupportsXpAndTheWorkstationEditionsOfVistaAndWindows7Only) {
    struct Case {
        DWORD major, minor;
        BYTE product;
        int win7Client, vistaOrXP;
    };
    const Case cases[] = {
        {6, 1, VER_NT_WORKSTATION, 1, 0},  {6, 1, VER_NT_DOMAIN_CONTROLLER, 0, 0},
        {6, 1, VER_NT_SERVER, 0, 0},       {6, 0, VER_NT_WORKSTATION, 0, 1},
        {6, 0, VER_NT_SERVER, 0, 0},       {5, 1, VER_NT_WORKSTATION, 0, 1},
        {5, 1, VER_NT_SERVER, 0, 1},       {5, 0, VER_NT_WORKSTATION, 0, 0},
        {5, 2, VER_NT_WORKSTATION, 0, 0},  {5, 2, VER_NT_SERVER, 0, 0},
        {6, 2, VER_NT_WORKSTATION, 0, 0},  {6, 3, VER_NT_WORKSTATION, 0, 0},
        {10, 0, VER_NT_WORKSTATION, 0, 0}, {4, 1, VER_NT_WORKSTATION, 0, 0},
    };
    for (const Case& c : cases) {
        const OsSupport s = EvaluateOSVersion(Version(VER_PLATFORM_WIN32_NT, c.major, c.minor, c.product));
        EXPECT_EQ(c.win7Client, s.win7Client) << c.major << "." << c.minor << "/" << int(c.product);
        EXPECT_EQ(c.vistaOrXP, s.vistaOrXP) << c.major << "." << c.minor << "/" << int(c.product);
        EXPECT_EQ(c.win7Client || c.vistaOrXP, s.supported());
    }
}

TEST(CheckOSVersion, RequiresTheNtPlatform) {
    EXPECT_FALSE(
        EvaluateOSVersion(Version(VER_PLATFORM_WIN32_WINDOWS, 5, 1, VER_NT_WORKSTATION)).supported());
    EXPECT_FALSE(EvaluateOSVersion(Version(VER_PLATFORM_WIN32s, 6, 1, VER_NT_WORKSTATION)).supported());
}
