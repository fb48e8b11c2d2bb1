// Quick resume for a fleet: the commands scripts and deployment tools run (ON, OFF, STATUS), the machine
// policy they obey, and the Application event log entries they leave. Wine keeps no event log: the harness's
// event hook writes the entries the program reports to a file instead.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "velmora_fixture.h"

using namespace velmora_test;

namespace {

struct Event {
    unsigned type = 0;  // EVENTLOG_INFORMATION_TYPE, EVENTLOG_ERROR_TYPE
    unsigned id = 0;
    std::vector<std::string> strings;
};

// The entries the harness's event hook wrote: "<source>|<type>|<id>|<string>|...", one a line.
std::vector<Event> EventsIn(const std::wstring& file) {
    std::vector<Event> events;
    std::ifstream in{std::filesystem::path(file)};
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, '|');) fields.push_back(field);
        if (fields.size() < 3 || fields[0] != "Corvane Velmora") continue;
        events.push_back({static_cast<unsigned>(std::stoul(fields[1])),
                          static_cast<unsigned>(std::stoul(fields[2], nullptr, 16)),
                          std::vector<std::string>(fields.begin() + 3, fields.end())});
    }
    return events;
}

struct CommandRun {
    DWORD exitCode = 0;
    std::string output;
    std::vector<Event> events;
};

class FleetTest : public VelmoraTest {
protected:
    void TearDown() override {
        EXPECT_TRUE(e2e::reg::DeleteTree(HKEY_LOCAL_MACHINE, L"Software\\Policies\\Corvane"));
        VelmoraTest::TearDown();
    }

    CommandRun Run(const std::wstring& command) const {
        const std::wstring events = s_dir + L"events.log";
        ::DeleteFileW(events.c_str());
        CommandRun run;
        run.exitCode = e2e::RunConsole(L"\"" + Exe() + L"\" " + command, &run.output,
                                       {{L"CORVANE_EVENT_LOG", events}}, e2e::EventHookLibrary());
        run.events = EventsIn(events);
        return run;
    }

    static ::testing::AssertionResult SetPolicy(DWORD mode) {
        return e2e::reg::SetDword(HKEY_LOCAL_MACHINE, L"Software\\Policies\\Corvane\\Velmora", L"QuickResume",
                                  mode);
    }
};

constexpr unsigned kSwitchedEvent = 0x40000001;  // informational, id 1
constexpr unsigned kFailedEvent = 0xC0000002;    // error, id 2

}  // namespace

// ON does what Apply does and says so in the event log; a second ON finds every record on and changes
// nothing; STATUS tells by exit code alone; OFF goes back.
TEST_F(FleetTest, OnTwiceThenStatusThenOff) {
    ASSERT_TRUE(ResetMachine(1));
    const CommandRun on = Run(L"ON");
    EXPECT_EQ(static_cast<DWORD>(velmora_exit::kDone), on.exitCode) << on.output;
    ASSERT_EQ(1u, FirmwareSwitches().size());
    EXPECT_NE(std::string::npos, FirmwareSwitches()[0].find("fn=0x6E req=0x81 status=0 answer=0x01"));
    EXPECT_EQ(18u, PowercfgCommands().size());
    EXPECT_EQ(1u, StoredMode().value_or(99));
    ASSERT_EQ(1u, on.events.size()) << on.output;
    EXPECT_EQ(kSwitchedEvent, on.events[0].id);
    ASSERT_EQ(4u, on.events[0].strings.size());
    EXPECT_EQ("on", on.events[0].strings[0]);
    EXPECT_EQ("command", on.events[0].strings[2]);
    EXPECT_EQ("off", on.events[0].strings[3]);

    ASSERT_TRUE(ResetMachine(1));
    ASSERT_TRUE(SetStoredMode(1));
    const CommandRun again = Run(L"ON");
    EXPECT_EQ(static_cast<DWORD>(velmora_exit::kDone), again.exitCode) << again.output;
    EXPECT_TRUE(FirmwareCalls().empty());
    EXPECT_TRUE(PowercfgCommands().empty());
    EXPECT_TRUE(again.events.empty());

    EXPECT_EQ(static_cast<DWORD>(velmora_exit::kDone), Run(L"STATUS").exitCode);
    EXPECT_EQ(static_cast<DWORD>(velmora_exit::kDone), Run(L"OFF").exitCode);
    EXPECT_EQ(0u, StoredMode().value_or(99));
    const CommandRun status = Run(L"STATUS");
    EXPECT_EQ(static_cast<DWORD>(velmora_exit::kStatusOff), status.exitCode);
    EXPECT_NE(std::string::npos, status.output.find("Velmora: recorded: off")) << status.output;
}

// A machine policy of Off: ON is refused before anything is touched, with an error entry; OFF is allowed.
TEST_F(FleetTest, APolicyRefusesTheOtherDirection) {
    ASSERT_TRUE(SetPolicy(0));
    const CommandRun on = Run(L"ON");
    EXPECT_EQ(static_cast<DWORD>(velmora_exit::kRefusedByPolicy), on.exitCode) << on.output;
    EXPECT_TRUE(FirmwareCalls().empty());
    EXPECT_FALSE(StoredMode().has_value());
    ASSERT_EQ(1u, on.events.size()) << on.output;
    EXPECT_EQ(kFailedEvent, on.events[0].id);
    ASSERT_EQ(5u, on.events[0].strings.size());
    EXPECT_EQ("12", on.events[0].strings[4]);
    EXPECT_NE(std::string::npos, Run(L"STATUS").output.find("Velmora: policy: off"));

    ASSERT_TRUE(SetStoredMode(1));
    EXPECT_EQ(static_cast<DWORD>(velmora_exit::kDone), Run(L"OFF").exitCode);
    EXPECT_EQ(0u, StoredMode().value_or(99));
}

// Without the firmware's support nothing is switched, and STATUS says the mode is not on.
TEST_F(FleetTest, WithoutFirmwareSupportNothingIsSwitched) {
    ASSERT_TRUE(SetFirmware(L"Present", 0));
    const CommandRun on = Run(L"ON");
    EXPECT_EQ(static_cast<DWORD>(velmora_exit::kModeUnavailable), on.exitCode) << on.output;
    EXPECT_TRUE(FirmwareSwitches().empty());
    EXPECT_FALSE(StoredMode().has_value());
    EXPECT_EQ(static_cast<DWORD>(velmora_exit::kModeUnavailable), Run(L"STATUS").exitCode);
}

// Under a policy the dialog shows the policy's choice, with the options and Apply disabled and the line that
// says the organization manages the setting.
TEST_F(FleetTest, TheDialogShowsThePolicysChoiceAndTakesNoOther) {
    ASSERT_TRUE(SetPolicy(1));
    ASSERT_TRUE(SetStoredMode(0));
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_NE(nullptr, dlg);
    EXPECT_EQ(BST_CHECKED, app.Send(::GetDlgItem(dlg, IDC_ON_OPTION), BM_GETCHECK));
    for (int id : {IDC_ON_OPTION, IDC_OFF_OPTION, IDC_APPLY})
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dlg, id))) << id;
    const HWND line = ::FindWindowExW(dlg, nullptr, L"Static", UiText(L"POLICY").c_str());
    ASSERT_NE(nullptr, line) << "no line says that the organization manages the setting";
    EXPECT_TRUE(::IsWindowVisible(line));
    EXPECT_FALSE(app.Click(dlg, IDC_OFF_OPTION));
    ASSERT_TRUE(app.Click(dlg, IDCANCEL));
    ASSERT_TRUE(app.WaitExit());
    EXPECT_TRUE(FirmwareSwitches().empty());
}
