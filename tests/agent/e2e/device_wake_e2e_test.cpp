// Device wake on a user's first run, as the real agent does it, against device keys under the made-up
// enumerator HKLM\SYSTEM\CurrentControlSet\Enum\CVTEST.
#include "agent_fixture.h"

using namespace e2e;

namespace agent_test {
namespace {

using Lines = std::vector<std::string>;

const std::wstring kEnum = kEnumTest;

void Device(const std::wstring& hardwareAndInstance, const wchar_t* valueName, const std::wstring& name,
            bool present) {
    const std::wstring path = kEnum + L"\\" + hardwareAndInstance;
    reg::SetString(HKEY_LOCAL_MACHINE, path, valueName, name);
    if (present) reg::SetDword(HKEY_LOCAL_MACHINE, path + L"\\Control", L"ActiveService", 1);
}

std::string Wake(const std::wstring& name) {
    return "powercfg -deviceenablewake \"" + Narrow(name) + "\"";
}

class DeviceWake : public AgentTest {
protected:
    void SetUp() override {
        ASSERT_EQ(UserLocale(), L"en-US") << "run this test program with LC_ALL=en_US.UTF-8";
        AgentTest::SetUp();
        if (HasFatalFailure()) return;
        RemoveMultiLang();  // the default sequence then renames nothing, so the log holds only wake commands
        SetImageState(L"IMAGE_STATE_COMPLETE");
    }

    static std::optional<DWORD> Mark() { return reg::GetDword(HKEY_CURRENT_USER, kAgentKey, L"FirstRun"); }
};

TEST_F(DeviceWake, FirstRunEnablesEachPresentListedDeviceOnce) {
    const std::wstring longName = L"NIC " + std::wstring(300, L'n') + L" end";
    // Listed but absent: a hardware key whose instance has no Control.
    Device(L"VEN_5555&DEV_0003\\inst", L"FriendlyName", L"Absent NIC", false);
    Device(L"VEN_1234&DEV_0001\\inst", L"FriendlyName", L"Test NIC One", true);
    Device(L"VEN_9999&DEV_0002\\inst", L"DeviceDesc", L"@net.inf,%nic.devicedesc%;Second NIC", true);
    Device(L"VEN_QUOT\\inst", L"FriendlyName", L"Evil\" & echo x> C:\\pwned.txt & \"", true);
    Device(L"VEN_LONG\\inst", L"FriendlyName", longName, true);
    Device(L"ven_plain&dev_1\\inst", L"DeviceDesc", L"Plain Desc NIC", true);
    Device(L"VEN_77AB\\inst", L"FriendlyName", L"Cut Match", true);
    Device(L"VEN_AFTER\\inst", L"FriendlyName", L"After The Gap", true);

    // Only the first 259 characters of a value count: this one is cut right after "VEN_77".
    std::wstring longEntry = L"cvtest\\ZZ" + std::wstring(236, L'z') + L";";
    longEntry += L"cvtest\\VEN_77";
    ASSERT_EQ(longEntry.size(), 259u);
    longEntry += L"XY";

    WriteList({
        L"ID0=cvtest\\ven_5555;cvtest\\ven_1234",  // the absent device's key comes first in walk order
        L"ID1=CVTEST\\VEN_9999",
        L"ID2=cvtest\\dev_0001",  // occurs in a key name, but not at its start
        L"ID3=cvtest\\ven_5555",  // hardware key without Control
        L"ID4=cvtest\\ven_quot", L"ID5=cvtest\\ven_long", L"ID6=CVTEST\\VEN_PLAIN", L"ID7=" + longEntry,
        L"ID8=",
        L"ID9=cvtest\\ven_after",  // after an empty key: never read
    });
    reg::SetDword(HKEY_CURRENT_USER, kAgentKey, L"FirstRun", 0);  // a zero mark counts as none

    ExpectQuietRun(RunAgent(L""));
    EXPECT_EQ(Log(), (Lines{Wake(L"Test NIC One"), Wake(L"Second NIC"), Wake(longName),
                            Wake(L"Plain Desc NIC"), Wake(L"Cut Match")}));
    EXPECT_EQ(Mark(), 1u);
    EXPECT_FALSE(FileExists(L"C:\\pwned.txt"));

    // Marked now: the next run configures nothing.
    ClearLog();
    ExpectQuietRun(RunAgent(L""));
    EXPECT_TRUE(Log().empty());
}

TEST_F(DeviceWake, NothingWithoutAFirstRunOnADeployedUsEnglishSystem) {
    Device(L"VEN_1234&DEV_0001\\inst", L"FriendlyName", L"Test NIC One", true);
    WriteList({L"ID0=cvtest\\ven_1234"});

    struct Case {
        const char* what;
        std::optional<std::wstring> imageState;
        bool marked;
    };
    const Case cases[] = {
        {"image state missing", std::nullopt, false},
        {"image state in other letter case", L"image_state_complete", false},
        {"user already marked", L"IMAGE_STATE_COMPLETE", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        reg::DeleteTree(HKEY_CURRENT_USER, kAgentKey);
        if (c.marked) reg::SetDword(HKEY_CURRENT_USER, kAgentKey, L"FirstRun", 1);
        if (c.imageState)
            SetImageState(*c.imageState);
        else
            reg::DeleteValue(HKEY_LOCAL_MACHINE, kImageStateKey, L"ImageState", kSystemView);
        ClearLog();
        ExpectQuietRun(RunAgent(L""));
        EXPECT_TRUE(Log().empty());
        EXPECT_EQ(Mark().has_value(), c.marked);
    }
}

// Registered with ctest as its own run under LC_ALL=en_GB.UTF-8 (see CMakeLists.txt), which sets
// OSKAVEL_TEST_LOCALE to say so.
class DeviceWakeEnglishUnitedKingdom : public AgentTest {};

TEST_F(DeviceWakeEnglishUnitedKingdom, NothingIsConfiguredAndTheUserIsNotMarked) {
    if (UserLocale() != L"en-GB") {
        wchar_t expected[16] = L"";
        ::GetEnvironmentVariableW(L"OSKAVEL_TEST_LOCALE", expected, 16);
        ASSERT_EQ(expected[0], L'\0') << "the run meant for en-GB has locale " << Narrow(UserLocale());
        GTEST_SKIP() << "needs LC_ALL=en_GB.UTF-8";
    }
    SetImageState(L"IMAGE_STATE_COMPLETE");
    Device(L"VEN_1234&DEV_0001\\inst", L"FriendlyName", L"Test NIC One", true);
    WriteList({L"ID0=cvtest\\ven_1234"});
    RemoveMultiLang();
    ExpectQuietRun(RunAgent(L""));
    EXPECT_TRUE(Log().empty());
    EXPECT_FALSE(reg::GetDword(HKEY_CURRENT_USER, kAgentKey, L"FirstRun").has_value());
}

TEST_F(DeviceWake, LargeDeviceTreesAreWalkedWhole) {
    // Fifty levels below the instance.
    std::wstring deep = kEnum + L"\\VEN_DEEP\\inst";
    reg::SetString(HKEY_LOCAL_MACHINE, deep, L"FriendlyName", L"Deep NIC");
    for (int level = 0; level < 50; ++level) deep += L"\\L" + std::to_wstring(level);
    reg::SetDword(HKEY_LOCAL_MACHINE, deep + L"\\Control", L"ActiveService", 1);

    // Key paths far beyond 260 characters.
    const std::wstring longKey(200, L'k');
    std::wstring longPath = kEnum + L"\\VEN_LONGPATH\\" + longKey;
    reg::SetString(HKEY_LOCAL_MACHINE, longPath, L"FriendlyName", L"Long Path NIC");
    for (int level = 0; level < 3; ++level) longPath += L"\\" + longKey;
    reg::SetDword(HKEY_LOCAL_MACHINE, longPath + L"\\Control", L"ActiveService", 1);

    // A thousand matching hardware keys; only the last one is present.
    for (int i = 0; i < 1000; ++i) {
        wchar_t name[40];
        swprintf(name, 40, L"VEN_MANY&%04d\\inst", i);
        Device(name, L"FriendlyName", L"Many " + std::to_wstring(i), i == 999);
    }

    WriteList({L"ID0=cvtest\\ven_deep", L"ID1=cvtest\\ven_longpath", L"ID2=cvtest\\ven_many"});
    ExpectQuietRun(RunAgent(L""));
    EXPECT_EQ(Log(), (Lines{Wake(L"Deep NIC"), Wake(L"Long Path NIC"), Wake(L"Many 999")}));
}

}  // namespace
}  // namespace agent_test
