// Device wake on a user's first run, as the real agent does it, against device keys under the tests' own
// enumerator. Which devices an entry names is the unit tests' part; these follow the list to the commands.
#include "agent_fixture.h"

using namespace e2e;
using namespace machine;

namespace agent_test {
namespace {

using Lines = std::vector<std::string>;

class DeviceWake : public AgentTest {
protected:
    void SetUp() override {
        ASSERT_EQ(UserLocale(), L"en-US") << "run this test program with LC_ALL=en_US.UTF-8";
        AgentTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(RemoveMultiLang());  // the default sequence then renames nothing: the log holds only wake
        ASSERT_TRUE(SetImageState(L"IMAGE_STATE_COMPLETE"));
    }
};

TEST_F(DeviceWake, FirstRunEnablesEachPresentListedDeviceOnce) {
    const std::wstring longName = L"NIC " + std::wstring(300, L'n') + L" end";
    // Listed but absent: a hardware key whose instance has no Control.
    ASSERT_TRUE(Device(L"VEN_5555&DEV_0003", L"FriendlyName", L"Absent NIC", false));
    ASSERT_TRUE(Device(L"VEN_1234&DEV_0001", L"FriendlyName", L"Test NIC One"));
    ASSERT_TRUE(Device(L"VEN_9999&DEV_0002", L"DeviceDesc", L"@net.inf,%nic.devicedesc%;Second NIC"));
    ASSERT_TRUE(Device(L"VEN_QUOT", L"FriendlyName", L"Evil\" & echo x> C:\\pwned.txt & \""));
    ASSERT_TRUE(Device(L"VEN_LONG", L"FriendlyName", longName));
    ASSERT_TRUE(Device(L"VEN_77AB", L"FriendlyName", L"Cut Match"));
    ASSERT_TRUE(Device(L"VEN_AFTER", L"FriendlyName", L"After The Gap"));

    // Only the first 259 characters of a value count: this one is cut right after "VEN_77".
    std::wstring longEntry = L"cvtest\\ZZ" + std::wstring(236, L'z') + L";";
    longEntry += L"cvtest\\VEN_77";
    ASSERT_EQ(longEntry.size(), 259u);
    longEntry += L"XY";

    ASSERT_TRUE(WriteList({
        L"ID0=cvtest\\ven_5555;cvtest\\ven_1234",  // the absent device's key comes first in walk order
        L"ID1=CVTEST\\VEN_9999",
        L"ID2=cvtest\\ven_5555",  // hardware key without Control
        L"ID3=cvtest\\ven_quot", L"ID4=cvtest\\ven_long", L"ID5=" + longEntry, L"ID6=",
        L"ID7=cvtest\\ven_after",  // after an empty key: never read
    }));
    ASSERT_TRUE(reg::SetDword(HKEY_CURRENT_USER, kAgentKey, L"FirstRun", 0));  // a zero mark counts as none

    ExpectQuietRun(RunAgent(L""));
    EXPECT_EQ(Log(), (Lines{Wake(L"Test NIC One"), Wake(L"Second NIC"), Wake(longName), Wake(L"Cut Match")}));
    EXPECT_EQ(Mark(), 1u);
    EXPECT_FALSE(FileExists(L"C:\\pwned.txt"));

    // Marked now: the next run configures nothing.
    ClearLog();
    ExpectQuietRun(RunAgent(L""));
    EXPECT_TRUE(Log().empty());
}

TEST_F(DeviceWake, NothingWithoutAFirstRunOnADeployedUsEnglishSystem) {
    ASSERT_TRUE(Device(L"VEN_1234&DEV_0001", L"FriendlyName", L"Test NIC One"));
    ASSERT_TRUE(WriteList({L"ID0=cvtest\\ven_1234"}));

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
        ASSERT_TRUE(reg::DeleteTree(HKEY_CURRENT_USER, kAgentKey));
        if (c.marked) {
            ASSERT_TRUE(reg::SetDword(HKEY_CURRENT_USER, kAgentKey, L"FirstRun", 1));
        }
        ASSERT_TRUE(c.imageState
                        ? SetImageState(*c.imageState)
                        : reg::DeleteValue(HKEY_LOCAL_MACHINE, kImageStateKey, L"ImageState", kSystemView));
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
    ASSERT_TRUE(SetImageState(L"IMAGE_STATE_COMPLETE"));
    ASSERT_TRUE(Device(L"VEN_1234&DEV_0001", L"FriendlyName", L"Test NIC One"));
    ASSERT_TRUE(WriteList({L"ID0=cvtest\\ven_1234"}));
    ASSERT_TRUE(RemoveMultiLang());
    ExpectQuietRun(RunAgent(L""));
    EXPECT_TRUE(Log().empty());
    EXPECT_FALSE(Mark().has_value());
}

}  // namespace
}  // namespace agent_test
