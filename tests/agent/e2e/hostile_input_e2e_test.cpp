// The agent against input it does not control: its record, its data files, the device registry, the image
// state, its environment, and programs or libraries planted where the platform would otherwise look first.
// Every run must end quietly and start no command other than the expected ones.
#include <windows.h>

#include <sddl.h>

#include "agent_fixture.h"

using namespace e2e;

namespace agent_test {
namespace {

using Lines = std::vector<std::string>;
using Bytes = std::vector<BYTE>;

const wchar_t kPwned[] = L"C:\\pwned.txt";

Bytes Utf16(const std::wstring& text) {
    const auto* p = reinterpret_cast<const BYTE*>(text.c_str());
    return Bytes(p, p + (text.size() + 1) * sizeof(wchar_t));  // with the terminator
}

void SetRaw(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const Bytes& data,
            REGSAM view = 0) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view,
                                               nullptr, &key, nullptr));
    ::RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
    ::RegCloseKey(key);
}

struct OwnedHandle {
    HANDLE handle;
    ~OwnedHandle() {
        if (handle) ::CloseHandle(handle);
    }
};

std::string Wake(const std::string& name) {
    return "powercfg -deviceenablewake \"" + name + "\"";
}

class HostileInput : public AgentTest {
protected:
    static std::optional<DWORD> Mark() { return reg::GetDword(HKEY_CURRENT_USER, kAgentKey, L"FirstRun"); }

    // A present device under the test enumerator whose instance names it by the value given.
    static void Device(const std::wstring& hardware, const wchar_t* valueName, DWORD type,
                       const Bytes& name) {
        const std::wstring instance = std::wstring(kEnumTest) + L"\\" + hardware + L"\\inst";
        SetRaw(HKEY_LOCAL_MACHINE, instance, valueName, type, name);
        reg::SetDword(HKEY_LOCAL_MACHINE, instance + L"\\Control", L"ActiveService", 1);
    }
};

TEST_F(HostileInput, ARecordThatIsNoGuidTextIsNeverPastedIntoACommand) {
    struct Case {
        const char* what;
        DWORD type;
        Bytes data;
    };
    const Case cases[] = {
        {"cmd's own characters", REG_EXPAND_SZ,
         Utf16(L"381b4222-f694-41f0-9685-ff5bb260df2e & echo x> C:\\pwned.txt | more < nul %ComSpec%")},
        {"a DWORD", REG_DWORD, {0x38, 0x00, 0x31, 0x00}},
        {"binary data", REG_BINARY, {'&', 0, ' ', 0, 'x', 0}},
        {"more than 260 bytes", REG_SZ,
         Utf16(L"381b4222-f694-41f0-9685-ff5bb260df2e" + std::wstring(200, L' '))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetRaw(HKEY_LOCAL_MACHINE, kAgentKey, L"CorvaneMode", c.type, c.data, kAgentView);
        ClearLog();
        ExpectQuietRun(RunAgent(L""));
        EXPECT_EQ(Log(), Lines{});  // no rename
        EXPECT_FALSE(FileExists(kPwned));
    }
}

TEST_F(HostileInput, PlanNamesLoseWhatCmdWouldExpandOrSplit) {
    reg::SetString(HKEY_LOCAL_MACHINE, kAgentKey, L"CorvaneMode", L"381b4222-f694-41f0-9685-ff5bb260df2e",
                   REG_EXPAND_SZ, kAgentView);
    WriteMultiLang(L"100% %ComSpec% !x!\tplan\x1B", L"say \"%PATH%\"");
    ExpectQuietRun(RunAgent(L""));
    EXPECT_EQ(Log(), (Lines{"powercfg -changename 381b4222-f694-41f0-9685-ff5bb260df2e "
                            "\"100   ComSpec   x  plan \" \"say ' PATH '\""}));
}

TEST_F(HostileInput, DeviceNamesAndListEntriesNameOnlyWhatTheySay) {
    SetImageState(L"IMAGE_STATE_COMPLETE");
    RemoveMultiLang();
    // Names that would change what cmd runs: no command.
    Device(L"VEN_PCT", L"FriendlyName", REG_SZ, Utf16(L"NIC %ComSpec%"));
    Device(L"VEN_BANG", L"FriendlyName", REG_SZ, Utf16(L"NIC !x!"));
    Device(L"VEN_CRLF", L"FriendlyName", REG_SZ, Utf16(L"NIC\r\necho x> C:\\pwned.txt"));
    // A trailing backslash would make the tool read the closing quote as part of the name.
    Device(L"VEN_SLASH", L"FriendlyName", REG_SZ, Utf16(L"NIC\\"));
    // Names of other types, read as the text they hold.
    Device(L"VEN_EXPAND", L"FriendlyName", REG_EXPAND_SZ, Utf16(L"%SystemRoot% NIC"));
    Device(L"VEN_MULTI", L"DeviceDesc", REG_MULTI_SZ, Utf16(std::wstring(L"First NIC\0Second NIC\0", 21)));
    Device(L"VEN_DWORD", L"FriendlyName", REG_DWORD, {'B', 0, 'A', 0});
    Device(L"VEN_ODD", L"FriendlyName", REG_BINARY, {'O', 0, 'd', 0, 'd', 0, '!'});
    // An unlisted present device, which only a pattern standing for every device would reach.
    Device(L"VEN_UNLISTED", L"FriendlyName", REG_SZ, Utf16(L"Unlisted NIC"));

    WriteList({L"ID0=;", L"ID1=\\", L"ID2=cvtest\\ven_pct;;", L"ID3=cvtest\\ven_bang",
               L"ID4=cvtest\\ven_crlf", L"ID5=cvtest\\ven_expand", L"ID6=cvtest\\ven_multi",
               L"ID7=cvtest\\ven_dword", L"ID8=cvtest\\ven_odd;", L"ID9=cvtest\\ven_slash"});
    ExpectQuietRun(RunAgent(L""));
    EXPECT_EQ(Log(), (Lines{Wake("C:\\windows NIC"), Wake("First NIC"), Wake("BA"), Wake("Odd")}));
    EXPECT_FALSE(FileExists(kPwned));
    EXPECT_EQ(Mark(), 1u);
}

TEST_F(HostileInput, ImageStateAndFirstRunMarkOfAnyShape) {
    RemoveMultiLang();
    Device(L"VEN_1234", L"FriendlyName", REG_SZ, Utf16(L"Test NIC"));
    WriteList({L"ID0=cvtest\\ven_1234"});
    const std::wstring complete = L"IMAGE_STATE_COMPLETE";
    struct Case {
        const char* what;
        DWORD imageType;
        Bytes image;
        std::optional<std::pair<DWORD, Bytes>> mark;
        bool wakes;
    };
    const Case cases[] = {
        {"image state longer than 256 bytes", REG_SZ, Utf16(complete + std::wstring(120, L' ')), {}, false},
        {"image state as a DWORD", REG_DWORD, {1, 0, 0, 0}, {}, false},
        {"image state as binary text", REG_BINARY, Utf16(complete), {}, true},
        {"mark \"1\" as a string (4 bytes, not zero)",
         REG_SZ,
         Utf16(complete),
         {{REG_SZ, Utf16(L"1")}},
         false},
        {"mark \"10\" as a string (too long to read)",
         REG_SZ,
         Utf16(complete),
         {{REG_SZ, Utf16(L"10")}},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetRaw(HKEY_LOCAL_MACHINE, kImageStateKey, L"ImageState", c.imageType, c.image, kSystemView);
        reg::DeleteTree(HKEY_CURRENT_USER, kAgentKey);
        if (c.mark) SetRaw(HKEY_CURRENT_USER, kAgentKey, L"FirstRun", c.mark->first, c.mark->second);
        ClearLog();
        ExpectQuietRun(RunAgent(L""));
        EXPECT_EQ(Log(), c.wakes ? Lines{Wake("Test NIC")} : Lines{});
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
    reg::DeleteValue(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\Oskavel3.exe\\DllOverrides",
                     L"powrprof");
    AppUnderTest agent(
        m_dir + L"Oskavel3.exe", L"/install",
        {{L"ProgramFiles", folder}, {L"ProgramW6432", folder}, {L"ProgramFiles(x86)", folder}});
    ASSERT_TRUE(agent.Started());
    EXPECT_TRUE(agent.WaitExit(120000));
    EXPECT_TRUE(agent.Boxes().empty());
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
        WriteTextFile(dir + L"powercfg.bat", batch);
        WriteTextFile(dir + L"schtasks.bat", batch);
        WriteTextFile(dir + L"cmd.bat", batch);
    }
    // A "cmd.exe" that would log its command line as the simulated powercfg does, and a "powrprof.dll"
    // without any power function.
    CopyFileTo(DistDir() + L"sim\\powercfg.exe", m_dir + L"cmd.exe");
    CopyFileTo(DistDir() + L"sim\\KOLU3.DLL", m_dir + L"powrprof.dll");
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
    const OwnedHandle held{::CreateMutexW(&sa, FALSE, L"MHOskavel")};
    ::LocalFree(sd);
    ASSERT_NE(nullptr, held.handle);

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
