// The agent against input it does not control: its record, the image state and the first-run mark, its
// environment, and programs or libraries planted where the platform would otherwise look first. Every run
// must end quietly and start no command other than the expected ones.
#include <windows.h>

#include <sddl.h>

#include "agent_fixture.h"

using namespace e2e;
using namespace machine;

namespace agent_test {
namespace {

using Lines = std::vector<std::string>;
using Bytes = std::vector<BYTE>;

const wchar_t kPwned[] = L"C:\\pwned.txt";

class HostileInput : public AgentTest {};

TEST_F(HostileInput, ARecordThatIsNoGuidTextIsNeverPastedIntoACommand) {
    struct Case {
        const char* what;
        DWORD type;
        Bytes data;
    };
    const Case cases[] = {
        {"cmd's own characters", REG_EXPAND_SZ,
         Utf16Bytes(kBalanced + std::wstring(L" & echo x> C:\\pwned.txt | more < nul %ComSpec%"))},
        {"a DWORD", REG_DWORD, {0x38, 0x00, 0x31, 0x00}},
        {"binary data", REG_BINARY, {'&', 0, ' ', 0, 'x', 0}},
        {"more than 260 bytes", REG_SZ, Utf16Bytes(kBalanced + std::wstring(200, L' '))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(reg::SetRaw(HKEY_LOCAL_MACHINE, kAgentKey, L"CorvaneMode", c.type, c.data, kAgentView));
        ClearLog();
        ExpectQuietRun(RunAgent(L""));
        EXPECT_EQ(Log(), Lines{});  // no rename
        EXPECT_FALSE(FileExists(kPwned));
    }
}

TEST_F(HostileInput, ImageStateAndFirstRunMarkOfAnyShape) {
    ASSERT_TRUE(RemoveMultiLang());
    ASSERT_TRUE(Device(L"VEN_1234", L"FriendlyName", L"Test NIC"));
    ASSERT_TRUE(WriteList({L"ID0=cvtest\\ven_1234"}));
    const std::wstring complete = L"IMAGE_STATE_COMPLETE";
    struct Case {
        const char* what;
        DWORD imageType;
        Bytes image;
        std::optional<std::pair<DWORD, Bytes>> mark;
        bool wakes;
    };
    const Case cases[] = {
        {"image state longer than 256 bytes",
         REG_SZ,
         Utf16Bytes(complete + std::wstring(120, L' ')),
         {},
         false},
        {"image state as a DWORD", REG_DWORD, {1, 0, 0, 0}, {}, false},
        {"image state as binary text", REG_BINARY, Utf16Bytes(complete), {}, true},
        {"mark \"1\" as a string (4 bytes, not zero)",
         REG_SZ,
         Utf16Bytes(complete),
         {{REG_SZ, Utf16Bytes(L"1")}},
         false},
        {"mark \"10\" as a string (too long to read)",
         REG_SZ,
         Utf16Bytes(complete),
         {{REG_SZ, Utf16Bytes(L"10")}},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(reg::SetRaw(HKEY_LOCAL_MACHINE, kImageStateKey, L"ImageState", c.imageType, c.image,
                                kSystemView));
        ASSERT_TRUE(reg::DeleteTree(HKEY_CURRENT_USER, kAgentKey));
        if (c.mark) {
            ASSERT_TRUE(
                reg::SetRaw(HKEY_CURRENT_USER, kAgentKey, L"FirstRun", c.mark->first, c.mark->second));
        }
        ClearLog();
        ExpectQuietRun(RunAgent(L""));
        EXPECT_EQ(Log(), c.wakes ? Lines{Wake(L"Test NIC")} : Lines{});
        if (c.wakes) {
            EXPECT_EQ(Mark(), 1u);
        } else if (!c.mark) {
            EXPECT_FALSE(Mark().has_value());
        }
    }
}

TEST_F(HostileInput, AProgramFilesFolderHoldingAQuoteRegistersNoTask) {
    // Wine sets %ProgramFiles% from %ProgramW6432% for a 64-bit process and from %ProgramFiles(x86)% for a
    // 32-bit one, so the agent is given all three.
    const std::wstring folder = L"C:\\Pro\" & echo x> C:\\pwned.txt & \"gram Files";
    RunOptions options;
    options.environment = {
        {L"ProgramFiles", folder}, {L"ProgramW6432", folder}, {L"ProgramFiles(x86)", folder}};
    ExpectQuietRun(RunAgent(L"/install", options));
    EXPECT_FALSE(FileExists(kPwned));
    EXPECT_FALSE(TaskRegistered());
    EXPECT_TRUE(Recorded().has_value()) << "the plan is still installed";
}

// Where a search would look first: the agent's folder (its current folder) and a folder of the user's own
// PATH, with PATHEXT naming batch files only, as the user's environment (HKCU\Environment) may set them. A
// planted tool records that it ran; the system's tools must run instead.
TEST_F(HostileInput, ToolsAndLibrariesPlantedWhereASearchWouldLookAreNotUsed) {
    const std::wstring planted = MakeSandbox(L"planted-path");
    const std::wstring ran = planted + L"ran.txt";
    const std::string batch = "@echo %0 %*>> \"" + Narrow(ran) + "\"\r\n";
    for (const std::wstring& dir : {m_dir, planted}) {
        for (const wchar_t* tool : {L"powercfg.bat", L"schtasks.bat", L"cmd.bat"})
            ASSERT_TRUE(WriteTextFile(dir + tool, batch));
    }
    // A "cmd.exe" that would log its command line as the simulated powercfg does, and a "powrprof.dll"
    // without any power function.
    ASSERT_TRUE(CopyFileTo(DistDir() + L"sim\\powercfg.exe", m_dir + L"cmd.exe"));
    ASSERT_TRUE(CopyFileTo(DistDir() + L"sim\\KOLU3.DLL", m_dir + L"powrprof.dll"));
    wchar_t path[32768] = L"";
    ASSERT_GT(::GetEnvironmentVariableW(L"PATH", path, 32768), 0u);
    RunOptions options;
    options.environment = {{L"PATH", std::wstring(path) + L";" + planted}, {L"PATHEXT", L".BAT"}};

    ExpectQuietRun(RunAgent(L"/install", options));
    const std::wstring guid = Recorded().value_or(L"");
    const Lines log = Log();
    ASSERT_EQ(6u, log.size()) << ::testing::PrintToString(log);
    EXPECT_EQ(log.front(),
              "powrprof PowerImportPowerScheme " + Narrow(m_dir) + "corvane.pow => " + Narrow(guid));
    EXPECT_EQ(log.back(),
              "powercfg -changename " + Narrow(guid) + " \"Corvane Test Plan\" \"Plan of the agent tests\"");
    EXPECT_TRUE(TaskRegistered());

    ExpectQuietRun(RunAgent(L"/uninstall", options));
    EXPECT_FALSE(TaskRegistered());
    EXPECT_FALSE(FileExists(ran)) << "a planted tool ran";
}

TEST_F(HostileInput, AMutexHeldAtAnotherLevelMeansAnAgentRuns) {
    // Nobody may open this one: what an agent of another integrity level looks like to this one.
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(
        ::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P", SDDL_REVISION_1, &sd, nullptr));
    SECURITY_ATTRIBUTES sa{sizeof sa, sd, FALSE};
    const std::unique_ptr<void, decltype(&::CloseHandle)> held(::CreateMutexW(&sa, FALSE, L"MHOskavel"),
                                                               &::CloseHandle);
    ::LocalFree(sd);
    ASSERT_NE(nullptr, held);

    auto agent = StartAgent(L"/install");
    ASSERT_TRUE(agent->Started());
    EXPECT_TRUE(agent->WaitExit(60000));
    EXPECT_TRUE(agent->Windows().empty()) << "the agent made a window";
    EXPECT_TRUE(Log().empty());
    EXPECT_FALSE(Recorded().has_value());
    EXPECT_FALSE(TaskRegistered());
}

}  // namespace
}  // namespace agent_test
