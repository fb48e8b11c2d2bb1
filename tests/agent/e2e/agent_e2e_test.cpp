// The agent's install, uninstall and default sequences as the real x64 Oskavel3.exe runs them under Wine
// on the simulated machine.
#include <ExitCodes.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "agent_fixture.h"

using namespace e2e;
using namespace machine;

namespace agent_test {
namespace {

using Lines = std::vector<std::string>;

// The plan the import created, from the import line of the log (empty when there is none).
std::string ImportedGuid(const Lines& log) {
    static const std::regex importLine("powrprof PowerImportPowerScheme .* => ([0-9a-f-]{36})");
    for (const auto& line : log) {
        std::smatch m;
        if (std::regex_match(line, m, importLine)) return m[1];
    }
    return {};
}

// The two battery settings of Power saver that install lowers and uninstall restores.
const std::string kMaxProcessorDc = Narrow(kProcessorSubgroup) + " " + Narrow(kMaxProcessorState);
const std::string kDimBrightnessDc = Narrow(kDisplaySubgroup) + " " + Narrow(kDimBrightness);

std::string SchemeValue(const std::string& sub) {
    return "powrprof PowerWriteDCValueIndex " + Narrow(kPowerSaver) + " " + sub;
}

Lines Uninstalled(const std::string& recorded) {
    Lines lines = {"powrprof PowerSetActiveScheme " + Narrow(kBalanced) + " => 0"};
    if (!recorded.empty()) lines.push_back("powrprof PowerDeleteScheme " + recorded + " => 0");
    lines.push_back(SchemeValue(kMaxProcessorDc) + " 100 => 0");
    lines.push_back(SchemeValue(kDimBrightnessDc) + " 50 => 0");
    lines.push_back("powrprof PowerReplaceDefaultPowerSchemes => 0");
    return lines;
}

std::optional<DWORD> PowerSaverDc(const std::wstring& sub, const std::wstring& setting) {
    return reg::GetDword(HKEY_LOCAL_MACHINE,
                         std::wstring(kSchemesKey) + L"\\" + kPowerSaver + L"\\" + sub + L"\\" + setting,
                         L"DCSettingIndex");
}

class AgentSequences : public AgentTest {
protected:
    // A first "/install" on a fresh machine; the imported plan's GUID text in `guid`.
    ::testing::AssertionResult Installed(std::string& guid) {
        const RunResult run = RunAgent(L"/install");
        if (run.exitCode != agent_exit::kDone)
            return ::testing::AssertionFailure() << "\"/install\" ended with " << run.exitCode;
        guid = ImportedGuid(Log());
        if (guid.empty()) return ::testing::AssertionFailure() << "no plan was imported";
        ClearLog();
        return ::testing::AssertionSuccess();
    }
};

TEST_F(AgentSequences, AFirstInstallImportsActivatesRecordsNamesAndRegisters) {
    const RunResult run = RunAgent(L"/install");
    ExpectQuietRun(run);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(agent_exit::kDone));
    const Lines log = Log();
    const std::string guid = ImportedGuid(log);
    ASSERT_FALSE(guid.empty()) << "no plan was imported; log:\n" << ::testing::PrintToString(log);
    const Lines expected = {
        "powrprof PowerImportPowerScheme " + Narrow(m_dir) + "corvane.pow => " + guid,
        "powrprof PowerSetActiveScheme " + guid + " => 0",
        SchemeValue(kMaxProcessorDc) + " 50 => 0",
        SchemeValue(kDimBrightnessDc) + " 0 => 0",
        "powrprof PowerReplaceDefaultPowerSchemes => 0",
        "powercfg -changename " + guid + " \"Corvane Test Plan\" \"Plan of the agent tests\"",
    };
    EXPECT_EQ(log, expected);

    DWORD type = 0;
    EXPECT_EQ(Recorded(&type), Widen(guid));
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(reg::GetString(HKEY_LOCAL_MACHINE, kSchemesKey, L"ActivePowerScheme"), Widen(guid));
    EXPECT_EQ(
        reg::GetString(HKEY_LOCAL_MACHINE, std::wstring(kSchemesKey) + L"\\" + Widen(guid), L"FriendlyName"),
        L"Corvane Test Plan");
    EXPECT_TRUE(SchemeHolds(Widen(guid), ShippedPlanSettings()));  // every value of the shipped plan file
    EXPECT_EQ(PowerSaverDc(kProcessorSubgroup, kMaxProcessorState), 50u);
    EXPECT_EQ(PowerSaverDc(kDisplaySubgroup, kDimBrightness), 0u);
    EXPECT_TRUE(TaskRegistered());
}

// A second "/install" finds the record and its plan: it takes the default sequence, renaming the recorded
// plan in whatever the names hold without letting a name end its quotes or be expanded, and registers the
// task again over the one there.
TEST_F(AgentSequences, ASecondInstallRenamesWithoutLettingANameOutOfItsQuotes) {
    std::string guid;
    ASSERT_TRUE(Installed(guid));
    ASSERT_TRUE(WriteMultiLang(L"A\" & echo x> C:\\pwned.txt & \"", L"say \"%PATH%\""));
    const RunResult run = RunAgent(L"/install");
    ExpectQuietRun(run);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(agent_exit::kDone));
    EXPECT_EQ(Log(),
              Lines{"powercfg -changename " + guid + " \"A' & echo x> C:\\pwned.txt & '\" \"say ' PATH '\""});
    EXPECT_FALSE(FileExists(L"C:\\pwned.txt"));
    EXPECT_TRUE(TaskRegistered());
    EXPECT_EQ(Recorded(), Widen(guid));
}

// Uninstall: Balanced active, the recorded plan deleted, Power saver restored, task gone, record kept.
TEST_F(AgentSequences, UninstallRestoresBalancedAndPowerSaverAndKeepsTheRecord) {
    std::string guid;
    ASSERT_TRUE(Installed(guid));
    const RunResult run = RunAgent(L"/uninstall");
    ExpectQuietRun(run);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(agent_exit::kDone));
    EXPECT_EQ(Log(), Uninstalled(guid));
    EXPECT_EQ(reg::GetString(HKEY_LOCAL_MACHINE, kSchemesKey, L"ActivePowerScheme"), std::wstring(kBalanced));
    EXPECT_FALSE(reg::KeyExists(HKEY_LOCAL_MACHINE, std::wstring(kSchemesKey) + L"\\" + Widen(guid)));
    EXPECT_EQ(PowerSaverDc(kProcessorSubgroup, kMaxProcessorState), 100u);
    EXPECT_EQ(PowerSaverDc(kDisplaySubgroup, kDimBrightness), 50u);
    EXPECT_FALSE(TaskRegistered());
    EXPECT_EQ(Recorded(), Widen(guid));
}

// "/install" over a record whose plan is gone installs afresh.
TEST_F(AgentSequences, AnInstallOverARecordWhosePlanIsGoneInstallsAfresh) {
    std::string guid;
    ASSERT_TRUE(Installed(guid));
    ASSERT_EQ(RunAgent(L"/uninstall").exitCode, static_cast<DWORD>(agent_exit::kDone));
    ClearLog();
    const RunResult run = RunAgent(L"/install /package");
    ExpectQuietRun(run);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(agent_exit::kDone));
    const std::string again = ImportedGuid(Log());
    ASSERT_FALSE(again.empty()) << "a record naming a lost plan kept the install from importing";
    EXPECT_NE(again, guid);
    EXPECT_EQ(Recorded(), Widen(again));
    EXPECT_TRUE(TaskRegistered());
}

// The package's uninstall also takes the record away, so that a later install starts over.
TEST_F(AgentSequences, ThePackagesUninstallTakesTheRecordAway) {
    std::string guid;
    ASSERT_TRUE(Installed(guid));
    const RunResult run = RunAgent(L"/UNINSTALL /package");
    ExpectQuietRun(run);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(agent_exit::kDone));
    EXPECT_FALSE(reg::KeyExists(HKEY_LOCAL_MACHINE, kAgentKey, kAgentView));
    EXPECT_FALSE(reg::KeyExists(HKEY_LOCAL_MACHINE, std::wstring(kSchemesKey) + L"\\" + Widen(guid)));
    EXPECT_FALSE(TaskRegistered());
}

// Each way "/install" can fail shows in its exit code; the steps that can still run do.
TEST_F(AgentSequences, InstallReportsWhatKeptItFromItsWorkByExitCode) {
    RunOptions winesOwn;
    winesOwn.simulatedPowrprof = false;
    RunResult run = RunAgent(L"/install", winesOwn);
    ExpectQuietRun(run);
    EXPECT_EQ(run.exitCode, 3u) << "powrprof lacks the power functions";
    EXPECT_TRUE(Log("powrprof").empty());
    EXPECT_FALSE(Recorded().has_value());
    EXPECT_TRUE(TaskRegistered());

    // The package's install takes back what it did when it fails: the installation's rollback may find its
    // program gone.
    ::DeleteFileW(kTaskFile);
    ASSERT_TRUE(WriteTextFile(m_dir + L"corvane.pow", "not a registry hive"));
    run = RunAgent(L"/install /package");
    ExpectQuietRun(run);
    EXPECT_EQ(run.exitCode, 4u) << "corvane.pow cannot be imported";
    EXPECT_FALSE(Recorded().has_value());
    EXPECT_FALSE(TaskRegistered());
    EXPECT_EQ(PowerSaverDc(kProcessorSubgroup, kMaxProcessorState), 100u);

    // A person's failing install keeps what it could do.
    run = RunAgent(L"/install");
    EXPECT_EQ(run.exitCode, 4u);
    EXPECT_TRUE(TaskRegistered());

    // Without its task definition file schtasks registers nothing.
    ::DeleteFileW(kTaskFile);
    const MovedAside definition(m_dir + L"Oskavel.xml");
    ASSERT_TRUE(definition.Moved());
    ASSERT_TRUE(
        ::CopyFileW((AgentSource() + L"corvane.pow").c_str(), (m_dir + L"corvane.pow").c_str(), FALSE));
    run = RunAgent(L"/install");
    EXPECT_EQ(run.exitCode, 7u) << "schtasks registered no task";
    EXPECT_TRUE(Recorded().has_value());
}

// The logon task runs with the highest rights: only an agent inside the machine's program folders registers
// it, from the definition beside it. A copy anywhere else does the rest of "/install" and leaves its
// definition as it was.
TEST_F(AgentSequences, OnlyAnAgentInsideTheProgramFoldersRegistersTheTask) {
    RunOptions copy;
    copy.agentDir = MakeSandbox(L"somewhere");
    ASSERT_TRUE(CopyTree(m_dir, copy.agentDir));
    RunResult run = RunAgent(L"/install", copy);
    ExpectQuietRun(run);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(agent_exit::kTaskFailed));
    EXPECT_FALSE(TaskRegistered());
    EXPECT_TRUE(Recorded().has_value()) << "the plan was not recorded";
    EXPECT_EQ(ReadFileBytes(copy.agentDir + L"Oskavel.xml"), ReadFileBytes(m_dir + L"Oskavel.xml"));

    // The test's own agent is in another folder below Program Files than the installed one.
    run = RunAgent(L"/install");
    ExpectQuietRun(run);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(agent_exit::kDone));
    EXPECT_TRUE(TaskRegistered());
    EXPECT_NE(Utf16FileText(m_dir + L"Oskavel.xml").find(L"<Command>" + m_dir + L"Oskavel3.exe</Command>"),
              std::wstring::npos);
}

TEST_F(AgentSequences, UninstallWithoutARecordDeletesNoPlanButDoesTheRest) {
    ASSERT_TRUE(RegisterTask());
    ExpectQuietRun(RunAgent(L"/uninstall"));
    EXPECT_EQ(Log(), Uninstalled(""));
    EXPECT_FALSE(TaskRegistered());
    EXPECT_FALSE(Recorded().has_value());

    // A record that is present but empty counts as none.
    ASSERT_TRUE(
        reg::SetString(HKEY_LOCAL_MACHINE, kAgentKey, L"CorvaneMode", L"", REG_EXPAND_SZ, kAgentView));
    ASSERT_TRUE(RegisterTask());
    ClearLog();
    ExpectQuietRun(RunAgent(L"/uninstall"));
    EXPECT_EQ(Log(), Uninstalled(""));
    EXPECT_FALSE(TaskRegistered());
    EXPECT_EQ(Recorded(), L"");
}

// The tail reaches the agent as the command line holds it: the verb with a blank after it is no verb, and the
// default sequence runs (with nothing recorded, there is no plan to rename and nothing runs). Which tails are
// verbs is the unit tests' part.
TEST_F(AgentSequences, ATailThatIsNotTheVerbAloneRunsTheDefaultSequence) {
    ExpectQuietRun(RunAgent(L"/install "));
    EXPECT_EQ(Log(), Lines{});
    EXPECT_FALSE(Recorded().has_value());
    EXPECT_FALSE(TaskRegistered());
}

TEST_F(AgentSequences, SecondAgentEndsAtOnceAndDoesNothing) {
    RemoveMultiLang();
    auto first = StartAgent(L"");
    ASSERT_TRUE(first->Started());
    ASSERT_NE(first->WaitForDialog(L"Oskavel3"), nullptr) << "the first agent's window never appeared";

    auto second = StartAgent(L"/install");
    ASSERT_TRUE(second->Started());
    EXPECT_TRUE(second->WaitExit(60000));
    EXPECT_EQ(second->ExitCode(), 1u) << "the second agent's install reported no failure";
    EXPECT_TRUE(second->Windows().empty()) << "the second agent created a window";
    EXPECT_TRUE(first->WaitExit(60000));

    EXPECT_TRUE(Log().empty());
    EXPECT_FALSE(Recorded().has_value());
    EXPECT_FALSE(TaskRegistered());
}

#ifndef _WIN64
// What only 64-bit Windows shows the 32-bit agent: its record lands in the 32-bit registry view, its
// %programFiles% is the 32-bit program folder, and its system tools and powrprof are SysWOW64's 32-bit ones.
// (The image state it reads is shared by both views: the device-wake tests write it in the 64-bit one.)
TEST_F(AgentSequences, On64BitWindowsTheAgentKeepsToThe32BitHalf) {
    const std::wstring origins = m_dir + L"origins.log";
    ::SetEnvironmentVariableW(L"CORVANE_SIM_ORIGINS", origins.c_str());
    ExpectQuietRun(RunAgent(L"/install"));
    ::SetEnvironmentVariableW(L"CORVANE_SIM_ORIGINS", nullptr);

    const std::string guid = ImportedGuid(Log());
    ASSERT_FALSE(guid.empty());
    EXPECT_EQ(reg::GetString(HKEY_LOCAL_MACHINE, kAgentKey, L"CorvaneMode", nullptr, KEY_WOW64_32KEY),
              Widen(guid));
    EXPECT_EQ(reg::GetString(HKEY_LOCAL_MACHINE, L"Software\\WOW6432Node\\Corvane\\Oskavel", L"CorvaneMode",
                             nullptr, KEY_WOW64_64KEY),
              Widen(guid));
    EXPECT_FALSE(reg::KeyExists(HKEY_LOCAL_MACHINE, kAgentKey, KEY_WOW64_64KEY))
        << "the record is in the 64-bit view";
    // Only the 32-bit program folder holds a task definition, so a registered task was read from there.
    EXPECT_TRUE(FileExists(std::wstring(kAgentDir) + L"Oskavel.xml"));
    EXPECT_FALSE(FileExists(L"C:\\Program Files\\Corvane\\Oskavel\\Oskavel.xml"));
    EXPECT_TRUE(TaskRegistered());
    std::ifstream in{std::filesystem::path(origins)};
    std::vector<std::string> started;
    for (std::string line; std::getline(in, line);) started.push_back(line);
    // Wine names a library loaded through the redirected system32 by that path; being 32-bit, it is
    // SysWOW64's.
    EXPECT_EQ(started, (Lines{"powrprof 32-bit c:\\windows\\system32\\powrprof.dll",
                              "powercfg 32-bit c:\\windows\\syswow64\\powercfg.exe"}));

    // schtasks is Wine's own: without SysWOW64's, the 32-bit agent registers no task.
    ASSERT_TRUE(reg::DeleteTree(HKEY_LOCAL_MACHINE, kAgentKey, kAgentView));
    ::DeleteFileW(kTaskFile);
    const MovedAside schtasks(L"C:\\windows\\syswow64\\schtasks.exe");
    ASSERT_TRUE(schtasks.Moved());
    ExpectQuietRun(RunAgent(L"/install"));
    EXPECT_TRUE(Recorded().has_value());
    EXPECT_FALSE(TaskRegistered());
}
#endif

}  // namespace
}  // namespace agent_test
