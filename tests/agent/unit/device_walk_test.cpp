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

::testing::AssertionResult MakeKey(const std::wstring& path) {
    fw::CRegKey key;
    const LONG status = key.Create(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WRITE);
    if (status != ERROR_SUCCESS)
        return ::testing::AssertionFailure()
               << "cannot create a key (path of " << path.size() << " characters): error " << status;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult SetText(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    fw::CRegKey key;
    LONG status = key.Create(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WRITE);
    if (status == ERROR_SUCCESS) status = key.SetString(name, value);
    if (status != ERROR_SUCCESS)
        return ::testing::AssertionFailure() << "cannot write a text value: error " << status;
    return ::testing::AssertionSuccess();
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
    ASSERT_TRUE(MakeKey(kRoot + L"\\VEN_1234&DEV_0001\\4&1a2b\\Control"));
    ASSERT_TRUE(SetText(kRoot + L"\\VEN_1234&DEV_0001\\4&1a2b", L"FriendlyName", L"Test NIC"));
    EXPECT_EQ(Present(L"cvunit\\ven_1234"), 1);
    EXPECT_EQ(dlg.m_bWakeDeviceKeySet, 1);
    EXPECT_EQ(dlg.m_strWakeDeviceKey, kRoot + L"\\VEN_1234&DEV_0001\\4&1a2b");
    EXPECT_EQ(ReadDeviceName(dlg.m_strWakeDeviceKey), L"Test NIC");
}

TEST_F(DeviceWalk, HardwareKeyWithoutControlIsNotPresent) {
    ASSERT_TRUE(MakeKey(kRoot + L"\\VEN_1234&DEV_0001\\4&1a2b\\Device Parameters"));
    EXPECT_EQ(Present(L"CVUNIT\\VEN_1234"), 0);
    EXPECT_EQ(dlg.m_bWakeDeviceKeySet, 0);
    // "control" in another case is not the marker either.
    ASSERT_TRUE(MakeKey(kRoot + L"\\VEN_1234&DEV_0001\\4&1a2b\\control"));
    EXPECT_EQ(Present(L"CVUNIT\\VEN_1234"), 0);
}

TEST_F(DeviceWalk, PrefixMatchesOnlyAtTheStartInAnyCase) {
    ASSERT_TRUE(MakeKey(kRoot + L"\\ven_abcd&dev_0002\\1\\Control"));
    EXPECT_EQ(Present(L"CVUNIT\\DEV_0002"), 0);
    EXPECT_EQ(Present(L"CVUNIT\\VEN_ABCD"), 1);
    // The collected path keeps the stored case.
    EXPECT_EQ(dlg.m_strWakeDeviceKey, kRoot + L"\\ven_abcd&dev_0002\\1");
    EXPECT_EQ(Present(L"cvunit\\"), 1);  // an empty prefix matches every hardware key
    EXPECT_EQ(Present(L"NOSUCHENUM\\VEN_ABCD"), 0);
}

TEST_F(DeviceWalk, EachEntryIsNamedFromItsOwnPresentInstance) {
    // An absent device with a hardware key and an instance comes first in walk order.
    ASSERT_TRUE(SetText(kRoot + L"\\VEN_0001\\inst", L"FriendlyName", L"Absent NIC"));
    ASSERT_TRUE(SetText(kRoot + L"\\VEN_0002\\instA", L"FriendlyName", L"Unplugged twin"));
    ASSERT_TRUE(SetText(kRoot + L"\\VEN_0002\\instB", L"FriendlyName", L"Present NIC"));
    ASSERT_TRUE(MakeKey(kRoot + L"\\VEN_0002\\instB\\Sub\\Control"));

    EXPECT_EQ(Present(L"cvunit\\ven_0001;cvunit\\ven_0002"), 1);
    EXPECT_EQ(ReadDeviceName(dlg.m_strWakeDeviceKey), L"Present NIC");

    EXPECT_EQ(Present(L"cvunit\\ven_0001"), 0);
    EXPECT_EQ(dlg.m_bWakeDeviceKeySet, 0);
}

TEST_F(DeviceWalk, ControlRightUnderTheHardwareKeyNamesTheHardwareKey) {
    ASSERT_TRUE(MakeKey(kRoot + L"\\VEN_0003\\Control"));
    ASSERT_TRUE(SetText(kRoot + L"\\VEN_0003", L"DeviceDesc", L"@oem.inf,%x.desc%;Bare NIC"));
    EXPECT_EQ(Present(L"cvunit\\ven_0003"), 1);
    EXPECT_EQ(ReadDeviceName(dlg.m_strWakeDeviceKey), L"Bare NIC");
}

TEST_F(DeviceWalk, DeviceNameSources) {
    const std::wstring key = kRoot + L"\\NAMES\\inst";
    EXPECT_EQ(ReadDeviceName(key), L"");  // no key at all
    ASSERT_TRUE(MakeKey(key));
    EXPECT_EQ(ReadDeviceName(key), L"");
    ASSERT_TRUE(SetText(key, L"DeviceDesc", L"Plain description"));
    EXPECT_EQ(ReadDeviceName(key), L"Plain description");
    ASSERT_TRUE(SetText(key, L"FriendlyName", L"Friendly"));
    EXPECT_EQ(ReadDeviceName(key), L"Friendly");

    const std::wstring longName = std::wstring(300, L'x') + L"end";
    ASSERT_TRUE(SetText(key, L"FriendlyName", longName));
    EXPECT_EQ(ReadDeviceName(key), longName);
    ASSERT_TRUE(SetText(key, L"FriendlyName", L""));
    EXPECT_EQ(ReadDeviceName(key), L"");  // read, and empty: the description is not consulted
}

}  // namespace
