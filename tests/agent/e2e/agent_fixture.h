// Shared set-up for the agent's end-to-end tests: a sandbox folder holding a copy of the agent with the
// shipped plan file beside it, a freshly seeded power-scheme store (the simulated powrprof is the machine's
// own), and helpers to run the agent. Built as a 32-bit program, the tests run the 32-bit agent the package
// installs, on 64-bit Windows (WoW64); built as a 64-bit one, the x64 build.
#pragma once
#include <gtest/gtest.h>

#include <e2e.h>
#include <machine.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace agent_test {

// What one agent run looked like from outside.
struct RunResult {
    bool ended = false;
    bool shownNormal = false;
    std::vector<e2e::MessageBoxSeen> boxes;
    DWORD exitCode = STILL_ACTIVE;
};

struct RunOptions {
    // The machine's simulated powrprof, or Wine's own.
    bool simulatedPowrprof = true;
    // The folder (with a trailing backslash) of the agent to run, when it is not the test's own.
    std::wstring agentDir;
    // Variables set or replaced in the agent's environment.
    e2e::Environment environment;
};

using e2e::PlanSetting;
using e2e::SchemeHolds;

// Where the tests' agents are: a folder inside the machine's program folders, the only place from which an
// agent registers its logon task, but not the one the package installs it in.
inline const wchar_t kProgramFilesSandbox[] = L"C:\\Program Files\\corvane-tests\\";

// The text of a UTF-16 file after its byte-order mark; empty when it cannot be read.
std::wstring Utf16FileText(const std::wstring& path);

// The folder of the test program (trailing backslash), where the build puts the shipped plan's settings
// (corvane-settings.txt).
std::wstring TestDataDir();
// The settings of the shipped plan, as the build's parser of its source reads them.
std::vector<PlanSetting> ShippedPlanSettings();

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

    // Runs the agent with the tail and waits for it to end by itself.
    RunResult RunAgent(const std::wstring& tail, const RunOptions& options = {});
    // Starts the agent without waiting.
    std::unique_ptr<e2e::AppUnderTest> StartAgent(const std::wstring& tail, const RunOptions& options = {});
    // Every run must end by itself and never show its window in normal size or any message box.
    static void ExpectQuietRun(const RunResult& run);

    ::testing::AssertionResult WriteMultiLang(const std::wstring& name, const std::wstring& description);
    ::testing::AssertionResult RemoveMultiLang();
    ::testing::AssertionResult WriteList(const std::vector<std::wstring>& lines);
    ::testing::AssertionResult RegisterTask();

    std::vector<std::string> Log() const { return m_log->Lines(); }
    std::vector<std::string> Log(const std::string& prefix) const { return m_log->Lines(prefix); }
    void ClearLog() { m_log->Clear(); }

    static std::optional<std::wstring> Recorded(DWORD* type = nullptr);
    // The image state as Windows setup writes it: in the 64-bit view (the key is shared by both views).
    static ::testing::AssertionResult SetImageState(const std::wstring& state);
    static bool TaskRegistered() { return e2e::FileExists(machine::kTaskFile); }

    // A device under the tests' enumerator whose instance key "<hardware>\inst" holds the name value given
    // (of any type), with "Control" below it when the device is present.
    static ::testing::AssertionResult Device(const std::wstring& hardware, const wchar_t* valueName,
                                             DWORD type, const std::vector<BYTE>& name, bool present = true);
    static ::testing::AssertionResult Device(const std::wstring& hardware, const wchar_t* valueName,
                                             const std::wstring& name, bool present = true) {
        return Device(hardware, valueName, REG_SZ, e2e::Utf16Bytes(name), present);
    }
    // The line the simulated powercfg logs for the wake command of a device of this name.
    static std::string Wake(const std::wstring& name);
    // The user's first-run mark.
    static std::optional<DWORD> Mark();

    std::wstring m_dir;  // the agent's folder (below kProgramFilesSandbox), with a trailing backslash
    std::unique_ptr<e2e::SimLog> m_log;
};

}  // namespace agent_test
