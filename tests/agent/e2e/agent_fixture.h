// Shared set-up for the agent's end-to-end tests: a sandbox folder holding a copy of the agent with the
// shipped plan file beside it, a freshly seeded power-scheme store (the simulated powrprof is the machine's
// own), and helpers to run the agent. Built as a 32-bit program, the tests run the 32-bit agent the package
// installs, on 64-bit Windows (WoW64); built as a 64-bit one, the x64 build.
#pragma once
#include <gtest/gtest.h>

#include <e2e.h>

#include <memory>
#include <string>
#include <vector>

namespace agent_test {

inline const wchar_t kAgentKey[] = L"Software\\Corvane\\Oskavel";
// The agent's own registry view: a 32-bit agent's HKLM\Software lands in the 32-bit view.
#ifdef _WIN64
inline constexpr REGSAM kAgentView = KEY_WOW64_64KEY;
#else
inline constexpr REGSAM kAgentView = KEY_WOW64_32KEY;
#endif
// The view of 64-bit Windows' own writers (setup writes the image state).
inline constexpr REGSAM kSystemView = KEY_WOW64_64KEY;
inline const wchar_t kSchemes[] = L"SYSTEM\\CurrentControlSet\\Control\\Power\\User\\PowerSchemes";
inline const wchar_t kImageStateKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup\\State";
inline const wchar_t kEnumTest[] = L"SYSTEM\\CurrentControlSet\\Enum\\CVTEST";
// Where the task scheduler keeps the registered task: the 64-bit system folder, which a 32-bit program
// reaches as "sysnative" (its own "system32" leads to SysWOW64).
#ifdef _WIN64
inline const wchar_t kTaskFile[] = L"C:\\windows\\system32\\tasks\\Oskavel";
#else
inline const wchar_t kTaskFile[] = L"C:\\windows\\sysnative\\tasks\\Oskavel";
#endif
inline const char kBalanced[] = "381b4222-f694-41f0-9685-ff5bb260df2e";
inline const char kPowerSaver[] = "a1841308-3541-4fab-bc81-f71556f20b4a";
inline const char kProcessorValue[] =
    "54533251-82be-4824-96c1-47b60b740d00 bc5038f7-23e0-4960-96da-33abaf5935ec";
inline const char kDimmedValue[] =
    "7516b95f-f776-4464-8c53-06167f40cc99 f1fbfde2-a960-4165-9f88-50667911ce96";

// What one agent run looked like from outside.
struct RunResult {
    bool ended = false;
    bool shownNormal = false;
    size_t windowCount = 0;
    std::vector<e2e::MessageBoxSeen> boxes;
    DWORD exitCode = STILL_ACTIVE;
};

struct RunOptions {
    // The machine's simulated powrprof, or Wine's own.
    bool simulatedPowrprof = true;
    // Variables set or replaced in the agent's environment.
    e2e::Environment environment;
};

// One setting of a plan: subgroup, setting, AC and DC index.
struct PlanSetting {
    std::wstring subgroup;
    std::wstring setting;
    DWORD ac = 0;
    DWORD dc = 0;
};

// The folder of the test program (trailing backslash), where the build puts the tests' data files: the
// shipped plan's settings (corvane-settings.txt) and a plan file shaped like a Windows export
// (windows-export.pow).
std::wstring TestDataDir();
// The settings of the shipped plan, as the build's parser of its source reads them.
std::vector<PlanSetting> ShippedPlanSettings();
// Whether the plan `scheme` in the store holds exactly these AC and DC indexes.
::testing::AssertionResult SchemeHolds(const std::wstring& scheme, const std::vector<PlanSetting>& settings);

// The folder the tests copy the agent from (trailing backslash): the 32-bit agent as the package installs it,
// or the x64 build as it was built.
std::wstring AgentSource();

// The user's locale name as Wine reports it. A Wine child takes its locale from the Unix environment it
// inherits, not from the Windows environment block it is given, so the test program and every agent it
// starts share one locale: the one ctest sets with LC_ALL for the whole test program.
std::wstring UserLocale();

class AgentTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Runs the agent with the tail and waits for it to end by itself.
    RunResult RunAgent(const std::wstring& tail, const RunOptions& options = {});
    // Starts the agent without waiting.
    std::unique_ptr<e2e::AppUnderTest> StartAgent(const std::wstring& tail, const RunOptions& options = {});
    // Every run must end by itself and never show its window in normal size or any message box.
    static void ExpectQuietRun(const RunResult& run);

    void WriteMultiLang(const std::wstring& name, const std::wstring& description);
    void RemoveMultiLang();
    void WriteList(const std::vector<std::wstring>& lines);
    ::testing::AssertionResult RegisterTask();

    std::vector<std::string> Log() const { return m_log->Lines(); }
    std::vector<std::string> Log(const std::string& prefix) const { return m_log->Lines(prefix); }
    void ClearLog() { m_log->Clear(); }

    static std::optional<std::wstring> Recorded(DWORD* type = nullptr);
    // The image state as Windows setup writes it: in the 64-bit view (the key is shared by both views).
    static void SetImageState(const std::wstring& state);
    static bool TaskRegistered() { return e2e::FileExists(kTaskFile); }

    std::wstring m_dir;  // the agent's folder, with a trailing backslash
    std::unique_ptr<e2e::SimLog> m_log;

    // The task definition file the agent's task command names.
    static std::wstring s_taskDefinition;
};

}  // namespace agent_test
