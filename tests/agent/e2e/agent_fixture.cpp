#include "agent_fixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace e2e;
using namespace machine;

namespace agent_test {

namespace {

// The image state the machine held before the tests, put back at the end.
std::optional<std::wstring> s_savedImageState;

// The simulated machine puts its powrprof into the system directory for every program. Wine takes
// WINEDLLOVERRIDES only from the Unix environment, which a child inherits unchanged; a per-program override
// in the registry is what a test can set to give one agent run Wine's own library instead.
const wchar_t kAppDefaults[] = L"Software\\Wine\\AppDefaults\\Oskavel3.exe";
const std::wstring kDllOverrides = std::wstring(kAppDefaults) + L"\\DllOverrides";

// Every step runs; the first that failed is reported.
::testing::AssertionResult AllOf(std::initializer_list<::testing::AssertionResult> steps) {
    for (const ::testing::AssertionResult& step : steps)
        if (!step) return step;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ResetMachine() {
    ::DeleteFileW(kTaskFile);
    ::DeleteFileW(L"C:\\pwned.txt");
    return AllOf({
        reg::DeleteTree(HKEY_LOCAL_MACHINE, kAgentKey, KEY_WOW64_32KEY),
        reg::DeleteTree(HKEY_LOCAL_MACHINE, kAgentKey, KEY_WOW64_64KEY),
        reg::DeleteTree(HKEY_CURRENT_USER, kAgentKey),
        reg::DeleteTree(HKEY_LOCAL_MACHINE, kEnumTestKey),
        reg::DeleteValue(HKEY_LOCAL_MACHINE, kImageStateKey, L"ImageState", kSystemView),
        RunConsole(L"powercfg.exe -seed") == 0
            ? ::testing::AssertionSuccess()
            : ::testing::AssertionFailure() << "the simulated powercfg is not installed",
    });
}

}  // namespace

void AgentTest::SetUpTestSuite() {
    s_savedImageState =
        reg::GetString(HKEY_LOCAL_MACHINE, kImageStateKey, L"ImageState", nullptr, kSystemView);
}

void AgentTest::TearDownTestSuite() {
    EXPECT_TRUE(ResetMachine());
    if (s_savedImageState) {
        EXPECT_TRUE(SetImageState(*s_savedImageState));
    }
    EXPECT_TRUE(reg::DeleteTree(HKEY_CURRENT_USER, kAppDefaults));
}

std::wstring TestDataDir() {
    std::wstring path(32768, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::vector<PlanSetting> ShippedPlanSettings() {
    // The build's parser of the plan source wrote them here: SUBGROUP SETTING AC DC per line, decimal, "-"
    // for no subgroup (or for a value left out, which no setting of the shipped plan may be).
    std::ifstream in(std::filesystem::path(TestDataDir() + L"corvane-settings.txt"));
    std::vector<PlanSetting> settings;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string subgroup, setting;
        DWORD ac = 0, dc = 0;
        if (!(fields >> subgroup >> setting >> ac >> dc)) {
            ADD_FAILURE() << "corvane-settings.txt: not a setting with both values: " << line;
            return {};
        }
        settings.push_back({subgroup == "-" ? L"" : Widen(subgroup), Widen(setting), ac, dc});
    }
    return settings;
}

std::wstring Utf16FileText(const std::wstring& path) {
    const std::string bytes = ReadFileBytes(path).value_or("");
    return bytes.size() < 2
               ? std::wstring()
               : std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
}

std::wstring AgentSource() {
#ifdef _WIN64
    return DistDir() + L"Oskavel-x64\\";
#else
    return kAgentDir;
#endif
}

std::wstring UserLocale() {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = L"";
    ::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
    return name;
}

void AgentTest::SetUp() {
    ASSERT_TRUE(ResetMachine());
    // A copy of the agent as the simulated machine has it installed (the x64 build: as it was built). Its
    // folder holds the shipped plan file, corvane.pow, and the task definition, Oskavel.xml.
    m_dir = std::wstring(kProgramFilesSandbox) + L"oskavel\\";
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
    ASSERT_TRUE(std::filesystem::create_directories(m_dir, ec)) << ec.message();
    ASSERT_TRUE(CopyTree(AgentSource(), m_dir));
    ASSERT_TRUE(WriteMultiLang(L"Corvane Test Plan", L"Plan of the agent tests"));
    m_log = std::make_unique<SimLog>(m_dir + L"sim.log");
}

std::unique_ptr<AppUnderTest> AgentTest::StartAgent(const std::wstring& tail, const RunOptions& options) {
    EXPECT_TRUE(options.simulatedPowrprof
                    ? reg::DeleteValue(HKEY_CURRENT_USER, kDllOverrides, L"powrprof")
                    : reg::SetString(HKEY_CURRENT_USER, kDllOverrides, L"powrprof", L"builtin"));
    const std::wstring& dir = options.agentDir.empty() ? m_dir : options.agentDir;
    return std::make_unique<AppUnderTest>(dir + L"Oskavel3.exe", tail, options.environment);
}

RunResult AgentTest::RunAgent(const std::wstring& tail, const RunOptions& options) {
    RunResult result;
    auto app = StartAgent(tail, options);
    if (!app->Started()) return result;
    result.ended = app->WaitExit(120000);
    result.exitCode = app->ExitCode();
    for (const WindowSeen& w : app->Windows()) {
        if (w.everShownNormal) result.shownNormal = true;
    }
    result.boxes = app->Boxes();
    return result;
}

void AgentTest::ExpectQuietRun(const RunResult& run) {
    EXPECT_TRUE(run.ended) << "the agent did not end by itself";
    EXPECT_FALSE(run.shownNormal) << "the agent's window was shown in normal size";
    EXPECT_TRUE(run.boxes.empty()) << "unexpected message box: " << Narrow(run.boxes.front().text);
}

::testing::AssertionResult AgentTest::WriteMultiLang(const std::wstring& name,
                                                     const std::wstring& description) {
    return WriteUtf16File(m_dir + L"MultiLang.ini",
                          L"[0412]\r\nName=\xCF54\xBC14\xB124 \xD50C\xB79C\r\n\r\n[0409]\r\nName=" + name +
                              L"\r\nDescription=" + description + L"\r\n");
}

::testing::AssertionResult AgentTest::RemoveMultiLang() {
    if (::DeleteFileW((m_dir + L"MultiLang.ini").c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "cannot delete MultiLang.ini: error " << ::GetLastError();
}

::testing::AssertionResult AgentTest::WriteList(const std::vector<std::wstring>& lines) {
    std::wstring text = L"[LAN]\r\n";
    for (const auto& line : lines) text += line + L"\r\n";
    return WriteUtf16File(m_dir + L"list.ini", text);
}

::testing::AssertionResult AgentTest::RegisterTask() {
    if (RunConsole(L"schtasks /create /XML \"" + m_dir + L"Oskavel.xml\" /tn Oskavel") != 0)
        return ::testing::AssertionFailure() << "schtasks /create failed";
    if (!TaskRegistered()) return ::testing::AssertionFailure() << "schtasks made no task file";
    return ::testing::AssertionSuccess();
}

std::optional<std::wstring> AgentTest::Recorded(DWORD* type) {
    return reg::GetString(HKEY_LOCAL_MACHINE, kAgentKey, L"CorvaneMode", type, kAgentView);
}

::testing::AssertionResult AgentTest::SetImageState(const std::wstring& state) {
    return reg::SetString(HKEY_LOCAL_MACHINE, kImageStateKey, L"ImageState", state, REG_SZ, kSystemView);
}

::testing::AssertionResult AgentTest::Device(const std::wstring& hardware, const wchar_t* valueName,
                                             DWORD type, const std::vector<BYTE>& name, bool present) {
    const std::wstring instance = std::wstring(kEnumTestKey) + L"\\" + hardware + L"\\inst";
    return AllOf({reg::SetRaw(HKEY_LOCAL_MACHINE, instance, valueName, type, name),
                  present ? reg::SetDword(HKEY_LOCAL_MACHINE, instance + L"\\Control", L"ActiveService", 1)
                          : ::testing::AssertionSuccess()});
}

std::string AgentTest::Wake(const std::wstring& name) {
    return "powercfg -deviceenablewake \"" + Narrow(name) + "\"";
}

std::optional<DWORD> AgentTest::Mark() {
    return reg::GetDword(HKEY_CURRENT_USER, kAgentKey, L"FirstRun");
}

}  // namespace agent_test
