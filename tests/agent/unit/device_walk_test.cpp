// Finding listed devices in the device registry and naming them, in-process against device keys under the
// tests' own enumerator.
#include <gtest/gtest.h>

#include "test_support.h"
#include <machine.h>

#include "DeviceWake.h"

namespace {

using e2e::reg::SetString;
const std::wstring kEnum = machine::kEnumTestKey;

class DeviceWalk : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(e2e::reg::DeleteTree(HKEY_LOCAL_MACHINE, kEnum)); }
    void TearDown() override { EXPECT_TRUE(e2e::reg::DeleteTree(HKEY_LOCAL_MACHINE, kEnum)); }

    // The platform keeps a "Control" key below a device's instance only while the device is there.
    static ::testing::AssertionResult Control(const std::wstring& below) {
        return e2e::reg::SetDword(HKEY_LOCAL_MACHINE, below + L"\\Control", L"ActiveService", 1);
    }
};

TEST_F(DeviceWalk, ControlBelowAnInstanceMakesTheDevicePresent) {
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kEnum + L"\\VEN_5555\\1\\Device Parameters", L"x", L""));
    EXPECT_EQ(FindListedDevice(L"CVTEST\\VEN_5555"), std::nullopt);
    // "control" in another case is not the marker either.
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kEnum + L"\\VEN_5555\\1\\control", L"x", L""));
    EXPECT_EQ(FindListedDevice(L"CVTEST\\VEN_5555"), std::nullopt);

    const std::wstring instance = kEnum + L"\\VEN_1234&DEV_0001\\4&1a2b";
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, instance, L"FriendlyName", L"Test NIC"));
    ASSERT_TRUE(Control(instance));
    EXPECT_EQ(FindListedDevice(L"cvtest\\ven_1234"), instance);
    EXPECT_EQ(ReadDeviceName(instance), L"Test NIC");
}

TEST_F(DeviceWalk, PrefixMatchesOnlyAtTheStartInAnyCase) {
    ASSERT_TRUE(Control(kEnum + L"\\ven_abcd&dev_0002\\1"));
    EXPECT_EQ(FindListedDevice(L"CVTEST\\DEV_0002"), std::nullopt);
    // The instance key keeps the stored case.
    EXPECT_EQ(FindListedDevice(L"CVTEST\\VEN_ABCD"), kEnum + L"\\ven_abcd&dev_0002\\1");
    EXPECT_EQ(FindListedDevice(L"cvtest\\"), kEnum + L"\\ven_abcd&dev_0002\\1");  // every hardware key
    EXPECT_EQ(FindListedDevice(L"NOSUCHENUM\\VEN_ABCD"), std::nullopt);
    // Empty patterns and a bare backslash would reach every device of the machine: they name none.
    for (const wchar_t* entry : {L";", L";;", L"\\", L"\\;"})
        EXPECT_EQ(FindListedDevice(entry), std::nullopt) << e2e::Narrow(entry);
}

TEST_F(DeviceWalk, EachEntryIsNamedFromItsOwnPresentInstance) {
    // An absent device with a hardware key and an instance comes first in walk order.
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kEnum + L"\\VEN_0001\\inst", L"FriendlyName", L"Absent NIC"));
    ASSERT_TRUE(
        SetString(HKEY_LOCAL_MACHINE, kEnum + L"\\VEN_0002\\instA", L"FriendlyName", L"Unplugged twin"));
    ASSERT_TRUE(Control(kEnum + L"\\VEN_0002\\instB\\Sub"));
    EXPECT_EQ(FindListedDevice(L"cvtest\\ven_0001;cvtest\\ven_0002"), kEnum + L"\\VEN_0002\\instB");
    EXPECT_EQ(FindListedDevice(L"cvtest\\ven_0001"), std::nullopt);

    // "Control" right under the hardware key makes the hardware key the device's key.
    ASSERT_TRUE(Control(kEnum + L"\\VEN_0003"));
    EXPECT_EQ(FindListedDevice(L"cvtest\\ven_0003"), kEnum + L"\\VEN_0003");
}

TEST_F(DeviceWalk, LargeTreesAreWalkedWhole) {
    // Fifty levels below the instance.
    std::wstring deep = kEnum + L"\\VEN_DEEP\\inst";
    for (int level = 0; level < 50; ++level) deep += L"\\L" + std::to_wstring(level);
    ASSERT_TRUE(Control(deep));
    EXPECT_EQ(FindListedDevice(L"cvtest\\ven_deep"), kEnum + L"\\VEN_DEEP\\inst");

    // Key paths far beyond 260 characters.
    const std::wstring longKey(200, L'k');
    ASSERT_TRUE(Control(kEnum + L"\\VEN_LONGPATH\\" + longKey + L"\\" + longKey + L"\\" + longKey));
    EXPECT_EQ(FindListedDevice(L"cvtest\\ven_longpath"), kEnum + L"\\VEN_LONGPATH\\" + longKey);

    // A thousand matching hardware keys; only the last one is present.
    for (int i = 0; i < 1000; ++i) {
        wchar_t name[40];
        swprintf(name, 40, L"\\VEN_MANY&%04d\\inst", i);
        ASSERT_TRUE(i == 999 ? Control(kEnum + name)
                             : SetString(HKEY_LOCAL_MACHINE, kEnum + name, L"x", L""));
    }
    EXPECT_EQ(FindListedDevice(L"cvtest\\ven_many"), kEnum + L"\\VEN_MANY&0999\\inst");
}

TEST_F(DeviceWalk, DeviceNameSources) {
    const std::wstring key = kEnum + L"\\NAMES\\inst";
    EXPECT_EQ(ReadDeviceName(key), L"");  // no key at all
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, key, L"Driver", L"x"));
    EXPECT_EQ(ReadDeviceName(key), L"");
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, key, L"DeviceDesc", L"@oem.inf,%x.desc%;Bare NIC"));
    EXPECT_EQ(ReadDeviceName(key), L"Bare NIC");
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, key, L"DeviceDesc", L"Plain description"));
    EXPECT_EQ(ReadDeviceName(key), L"Plain description");
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, key, L"FriendlyName", L"Friendly"));
    EXPECT_EQ(ReadDeviceName(key), L"Friendly");

    const std::wstring longName = std::wstring(300, L'x') + L"end";
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, key, L"FriendlyName", longName));
    EXPECT_EQ(ReadDeviceName(key), longName);
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, key, L"FriendlyName", L""));
    EXPECT_EQ(ReadDeviceName(key), L"");  // read, and empty: the description is not consulted

    // Values of any type, read as the text they hold.
    const struct {
        const wchar_t* value;
        DWORD type;
        std::vector<BYTE> data;
        const wchar_t* name;
    } typed[] = {
        {L"FriendlyName", REG_EXPAND_SZ, e2e::Utf16Bytes(L"%SystemRoot% NIC"), L"C:\\windows NIC"},
        {L"DeviceDesc", REG_MULTI_SZ, e2e::Utf16Bytes(std::wstring(L"First NIC\0Second NIC\0", 21)),
         L"First NIC"},
        {L"FriendlyName", REG_DWORD, {'B', 0, 'A', 0}, L"BA"},
        {L"FriendlyName", REG_BINARY, {'O', 0, 'd', 0, 'd', 0, '!'}, L"Odd"},
    };
    for (const auto& t : typed) {
        ASSERT_TRUE(e2e::reg::DeleteTree(HKEY_LOCAL_MACHINE, key));
        ASSERT_TRUE(e2e::reg::SetRaw(HKEY_LOCAL_MACHINE, key, t.value, t.type, t.data));
        EXPECT_EQ(ReadDeviceName(key), t.name);
    }
}

}  // namespace
