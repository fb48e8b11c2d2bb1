// Finding listed devices in the device registry and naming them, in-process against fixture keys under
// HKLM\SYSTEM\CurrentControlSet\Enum\CVUNIT.
#include <gtest/gtest.h>
#include <windows.h>

#include <handles.h>

#include "DeviceWake.h"
#include "Oskavel3Dlg.h"

namespace {

const std::wstring kEnum = L"SYSTEM\\CurrentControlSet\\Enum\\";
const std::wstring kRoot = kEnum + L"CVUNIT";

void MakeKey(const std::wstring& path) {
    fw::CRegKey key;
    ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WRITE), ERROR_SUCCESS) << path.size();
}

void SetText(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    fw::CRegKey key;
    ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WRITE), ERROR_SUCCESS);
    ASSERT_EQ(key.SetString(name, value), ERROR_SUCCESS);
}

class DeviceWalk : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kRoot.c_str());
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kRoot.c_str());
    }

    // One listed entry tested the way the wake loop tests it.
    int Present(const std::wstring& entry) {
        dlg.ResetWakeDeviceKey();
        return IsListedDevicePresent(dlg, entry);
    }

    COskavel3Dlg dlg;
};

TEST_F(DeviceWalk, ControlBelowAnInstanceMakesTheDevicePresent) {
    MakeKey(kRoot + L"\\VEN_1234&DEV_0001\\4&1a2b\\Control");
    SetText(kRoot + L"\\VEN_1234&DEV_0001\\4&1a2b", L"FriendlyName", L"Test NIC");
    EXPECT_EQ(Present(L"cvunit\\ven_1234"), 1);
    EXPECT_EQ(dlg.m_bWakeDeviceKeySet, 1);
    EXPECT_EQ(dlg.m_strWakeDeviceKey, kRoot + L"\\VEN_1234&DEV_0001\\4&1a2b");
    EXPECT_EQ(ReadDeviceName(dlg.m_strWakeDeviceKey), L"Test NIC");
}

TEST_F(DeviceWalk, HardwareKeyWithoutControlIsNotPresent) {
    MakeKey(kRoot + L"\\VEN_1234&DEV_0001\\4&1a2b\\Device Parameters");
    EXPECT_EQ(Present(L"CVUNIT\\VEN_1234"), 0);
    EXPECT_EQ(dlg.m_bWakeDeviceKeySet, 0);
    // "control" in another case is not the marker either.
    MakeKey(kRoot + L"\\VEN_1234&DEV_0001\\4&1a2b\\control");
    EXPECT_EQ(Present(L"CVUNIT\\VEN_1234"), 0);
}

TEST_F(DeviceWalk, PrefixMatchesOnlyAtTheStartInAnyCase) {
    MakeKey(kRoot + L"\\ven_abcd&dev_0002\\1\\Control");
    EXPECT_EQ(Present(L"CVUNIT\\DEV_0002"), 0);
    EXPECT_EQ(Present(L"CVUNIT\\VEN_ABCD"), 1);
    // The collected path keeps the stored case.
    EXPECT_EQ(dlg.m_strWakeDeviceKey, kRoot + L"\\ven_abcd&dev_0002\\1");
    EXPECT_EQ(Present(L"cvunit\\"), 1);  // an empty prefix matches every hardware key
    EXPECT_EQ(Present(L"NOSUCHENUM\\VEN_ABCD"), 0);
}

TEST_F(DeviceWalk, EachEntryIsNamedFromItsOwnPresentInstance) {
    // An absent device with a hardware key and an instance comes first in walk order.
    SetText(kRoot + L"\\VEN_0001\\inst", L"FriendlyName", L"Absent NIC");
    SetText(kRoot + L"\\VEN_0002\\instA", L"FriendlyName", L"Unplugged twin");
    SetText(kRoot + L"\\VEN_0002\\instB", L"FriendlyName", L"Present NIC");
    MakeKey(kRoot + L"\\VEN_0002\\instB\\Sub\\Control");

    EXPECT_EQ(Present(L"cvunit\\ven_0001;cvunit\\ven_0002"), 1);
    EXPECT_EQ(ReadDeviceName(dlg.m_strWakeDeviceKey), L"Present NIC");

    EXPECT_EQ(Present(L"cvunit\\ven_0001"), 0);
    EXPECT_EQ(dlg.m_bWakeDeviceKeySet, 0);
}

TEST_F(DeviceWalk, ControlRightUnderTheHardwareKeyNamesTheHardwareKey) {
    MakeKey(kRoot + L"\\VEN_0003\\Control");
    SetText(kRoot + L"\\VEN_0003", L"DeviceDesc", L"@oem.inf,%x.desc%;Bare NIC");
    EXPECT_EQ(Present(L"cvunit\\ven_0003"), 1);
    EXPECT_EQ(ReadDeviceName(dlg.m_strWakeDeviceKey), L"Bare NIC");
}

TEST_F(DeviceWalk, DeepTreesAndLongPathsAreWalkedWhole) {
    std::wstring path = kRoot + L"\\VEN_DEEP\\inst";
    SetText(path, L"FriendlyName", L"Deep NIC");
    for (int level = 0; level < 50; ++level) path += L"\\L" + std::to_wstring(level);
    MakeKey(path + L"\\Control");
    EXPECT_EQ(Present(L"cvunit\\ven_deep"), 1);
    EXPECT_EQ(ReadDeviceName(dlg.m_strWakeDeviceKey), L"Deep NIC");

    const std::wstring longName(200, L'n');
    std::wstring longPath = kRoot + L"\\VEN_LONG\\" + longName;
    SetText(longPath, L"FriendlyName", L"Long NIC");
    for (int level = 0; level < 3; ++level) longPath += L"\\" + longName;
    ASSERT_GT(longPath.size(), 600u);
    MakeKey(longPath + L"\\Control");
    EXPECT_EQ(Present(L"cvunit\\ven_long"), 1);
    EXPECT_EQ(ReadDeviceName(dlg.m_strWakeDeviceKey), L"Long NIC");
}

TEST_F(DeviceWalk, AThousandMatchingHardwareKeysAreAllWalked) {
    for (int i = 0; i < 1000; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"\\VEN_MANY&%04d\\inst", i);
        MakeKey(kRoot + name);
    }
    SetText(kRoot + L"\\VEN_MANY&0999\\inst", L"FriendlyName", L"Last NIC");
    MakeKey(kRoot + L"\\VEN_MANY&0999\\inst\\Control");
    EXPECT_EQ(Present(L"cvunit\\ven_many"), 1);
    EXPECT_EQ(ReadDeviceName(dlg.m_strWakeDeviceKey), L"Last NIC");
}

TEST_F(DeviceWalk, DeviceNameSources) {
    const std::wstring key = kRoot + L"\\NAMES\\inst";
    EXPECT_EQ(ReadDeviceName(key), L"");  // no key at all
    MakeKey(key);
    EXPECT_EQ(ReadDeviceName(key), L"");
    SetText(key, L"DeviceDesc", L"Plain description");
    EXPECT_EQ(ReadDeviceName(key), L"Plain description");
    SetText(key, L"FriendlyName", L"Friendly");
    EXPECT_EQ(ReadDeviceName(key), L"Friendly");

    const std::wstring longName = std::wstring(300, L'x') + L"end";
    SetText(key, L"FriendlyName", longName);
    EXPECT_EQ(ReadDeviceName(key), longName);
    SetText(key, L"FriendlyName", L"");
    EXPECT_EQ(ReadDeviceName(key), L"");  // read, and empty: the description is not consulted
}

}  // namespace
