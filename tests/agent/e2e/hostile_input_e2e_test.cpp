// The agent against input it does not control: its record, the image state and the first-run mark, its
// environment, and programs or libraries planted where the platform would otherwise look first. Every run
// must end quietly and start no command other than the expected ones.
#include <windows.h>

#include <sddl.h>

#include <optional>

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

// The program folders as the registry names them, pointed elsewhere for the life of the object. Wine sets
// %ProgramFiles% and its kin at each process start from these values, whatever the parent's environment held.
class ProgramFilesMoved {
public:
    explicit ProgramFilesMoved(const std::wstring& folder) {
        for (const Value& v : kValues) {
            m_saved.push_back(reg::GetString(HKEY_LOCAL_MACHINE, kKey, v.name, nullptr, v.view));
            m_set = m_set && reg::SetString(HKEY_LOCAL_MACHINE, kKey, v.name, folder, REG_SZ, v.view);
        }
    }
    ~ProgramFilesMoved() {
        for (size_t i = 0; i < m_saved.size(); ++i) {
            if (m_saved[i]) {
                EXPECT_TRUE(reg::SetString(HKEY_LOCAL_MACHINE, kKey, kValues[i].name, *m_saved[i], REG_SZ,
                                           kValues[i].view));
            }
        }
    }
    bool Set() const { return m_set; }

private:
    struct Value {
        const wchar_t* name;
        REGSAM view;
    };
    static constexpr wchar_t kKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion";
    static constexpr Value kValues[] = {{L"ProgramFilesDir", KEY_WOW64_64KEY},
                                        {L"ProgramFilesDir (x86)", KEY_WOW64_64KEY},
                                        {L"ProgramFilesDir", KEY_WOW64_32KEY},
                                        {L"ProgramFilesDir (x86)", KEY_WOW64_32KEY}};
    std::vector<std::optional<std::wstring>> m_saved;
    bool m_set = true;
};

// The task runs elevated at every logon: it is registered from the definition beside the agent, which names
// the agent by its own full path, whatever folder the environment names (here the program folder the agent is
// in, whose Corvane\Oskavel holds another definition and program).
TEST_F(HostileInput, TheTaskStartsTheAgentByItsOwnPathFromTheDefinitionBesideIt) {
    const std::wstring other = kProgramFilesSandbox;
    const std::wstring otherAgent = other + L"Corvane\\Oskavel\\";
    const std::wstring otherDefinition =
        L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
        L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
        L"  <RegistrationInfo><Description>another definition</Description></RegistrationInfo>\r\n"
        L"  <Actions Context=\"Author\"><Exec><Command>" +
        otherAgent +
        L"Oskavel3.exe</Command></Exec></Actions>\r\n"
        L"</Task>\r\n";
    ASSERT_TRUE(WriteUtf16File(otherAgent + L"Oskavel.xml", otherDefinition));
    ASSERT_TRUE(CopyFileTo(m_dir + L"Oskavel3.exe", otherAgent + L"Oskavel3.exe"));
    const ProgramFilesMoved moved(other.substr(0, other.size() - 1));
    ASSERT_TRUE(moved.Set());

    ExpectQuietRun(RunAgent(L"/install"));
    ASSERT_TRUE(TaskRegistered());
    // Wine keeps a registered task's description (in UTF-8) but not its command: the registered definition is
    // told by the one, the command it names is read from the file.
    const std::string registered = ReadFileBytes(kTaskFile).value_or("");
    EXPECT_NE(registered.find("Applies the Corvane power plan"), std::string::npos) << registered;
    EXPECT_NE(Utf16FileText(m_dir + L"Oskavel.xml").find(L"<Command>" + m_dir + L"Oskavel3.exe</Command>"),
              std::wstring::npos);
    EXPECT_EQ(Utf16FileText(otherAgent + L"Oskavel.xml"), otherDefinition);
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
