// The signed programs of a release (signed copies that signing_test.py makes, in CORVANE_SIGNED_RELEASE) run
// on the simulated machine as the built ones do: one run of each.
#include <gtest/gtest.h>

#include <windows.h>

#include <e2e.h>
#include <machine.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

using namespace e2e;

namespace {

using machine::kAgentKey;
using machine::kExplorerKey;
using machine::kFirmwareKey;
using machine::kModeKey;
using machine::kTaskFile;
const wchar_t kAgentKey32[] = L"Software\\WOW6432Node\\Corvane\\Oskavel";  // the 32-bit agent's view

std::wstring SignedRelease() {
    const char* path = std::getenv("CORVANE_SIGNED_RELEASE");
    return path ? FromUnixPath(path) + L"\\" : std::wstring();
}

// Whether a program carries a signature: the certificate table of its PE header is not empty.
::testing::AssertionResult Signed(const std::wstring& exe) {
    std::ifstream in(std::filesystem::path(exe), std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto u32 = [&](size_t at) {
        DWORD value = 0;
        if (at + 4 <= data.size()) memcpy(&value, data.data() + at, 4);
        return value;
    };
    const size_t header = u32(0x3C);
    if (data.size() < 0x40 || u32(header) != IMAGE_NT_SIGNATURE)
        return ::testing::AssertionFailure() << Narrow(exe) << " is no program";
    const size_t optional = header + 24;
    const bool pe32 = (u32(optional) & 0xFFFF) == IMAGE_NT_OPTIONAL_HDR32_MAGIC;
    const size_t security = optional + (pe32 ? 128 : 144);
    if (u32(security) == 0 || u32(security + 4) == 0)
        return ::testing::AssertionFailure() << Narrow(exe) << " is not signed";
    return ::testing::AssertionSuccess();
}

class SignedPrograms : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(SignedRelease().empty()) << "CORVANE_SIGNED_RELEASE is not set";
        ASSERT_TRUE(ResetMachine());
        m_dir = MakeSandbox(L"signed");
        m_log = std::make_unique<SimLog>(m_dir + L"sim.log");
    }

    void TearDown() override {
        m_log.reset();
        EXPECT_TRUE(ResetMachine());
    }

    // Undoes what the runs change: a freshly seeded scheme store, no mode, firmware or agent record, no task.
    static ::testing::AssertionResult ResetMachine() {
        for (const auto& step :
             {reg::DeleteTree(HKEY_CURRENT_USER, kModeKey), reg::DeleteTree(HKEY_LOCAL_MACHINE, kFirmwareKey),
              reg::DeleteValue(HKEY_CURRENT_USER, kExplorerKey, L"Start_PowerButtonAction"),
              reg::DeleteTree(HKEY_LOCAL_MACHINE, kAgentKey),
              reg::DeleteTree(HKEY_LOCAL_MACHINE, kAgentKey32)})
            if (!step) return step;
        ::DeleteFileW(kTaskFile);
        if (RunConsole(L"powercfg.exe -seed") != 0)
            return ::testing::AssertionFailure() << "the simulated powercfg is not installed";
        return ::testing::AssertionSuccess();
    }

public:
    // Runs a program to its end, as a person would start it; it must show no message box. (What it did is
    // checked by each test: the x64 agent, which is not installed, has no task definition to register.)
    static ::testing::AssertionResult RunsQuietly(const std::wstring& exe, const std::wstring& tail) {
        AppUnderTest app(exe, tail);
        if (!app.Started()) return ::testing::AssertionFailure() << Narrow(exe) << " did not start";
        if (!app.WaitExit(120000)) return ::testing::AssertionFailure() << Narrow(exe) << " did not end";
        if (!app.Boxes().empty())
            return ::testing::AssertionFailure() << "message box: " << Narrow(app.Boxes().front().text);
        return ::testing::AssertionSuccess();
    }

protected:
    std::wstring m_dir;
    std::unique_ptr<SimLog> m_log;
};

TEST_F(SignedPrograms, VelmoraSwitchesTheModeOff) {
    const std::wstring dir = m_dir + L"Velmora\\";
    ASSERT_TRUE(CopyTree(SignedRelease() + L"Velmora", dir));
    ASSERT_TRUE(CopyFileTo(DistDir() + L"sim\\KOLU3.DLL", dir + L"Win7_Driver\\x64\\KOLU3.DLL"));
    ASSERT_TRUE(Signed(dir + L"Velmora.exe"));
    ASSERT_EQ(0u, RunConsole(L"powercfg.exe -seed 1"));  // one scheme: fewer policy commands to wait for
    ASSERT_TRUE(reg::SetDword(HKEY_CURRENT_USER, kModeKey, L"VelmoraMode", 1));
    ASSERT_TRUE(reg::SetDword(HKEY_LOCAL_MACHINE, kFirmwareKey, L"Mode", 1));

    ASSERT_TRUE(RunsQuietly(dir + L"Velmora.exe", L"UNINSTALL"));
    const auto calls = m_log->Lines("KOLU3 call ");
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(0u, calls[1].rfind("sig=0x5843 fn=0x6E req=0x80", 0)) << calls[1];
    EXPECT_EQ(0u, reg::GetDword(HKEY_CURRENT_USER, kModeKey, L"VelmoraMode").value_or(99));
    EXPECT_EQ(0u, reg::GetDword(HKEY_LOCAL_MACHINE, kFirmwareKey, L"Mode").value_or(99));
}

// The signed agent of a folder of the release imports the plan beside it and records it in its registry
// view.
::testing::AssertionResult ImportsThePlanBesideIt(const std::wstring& dir, const wchar_t* recordKey, SimLog& log) {
    if (!Signed(dir + L"Oskavel3.exe")) return Signed(dir + L"Oskavel3.exe");
    log.Clear();
    if (auto ran = SignedPrograms::RunsQuietly(dir + L"Oskavel3.exe", L"/install"); !ran) return ran;
    const auto lines = log.Lines();
    const std::string imported = "powrprof PowerImportPowerScheme " + Narrow(dir) + "corvane.pow => ";
    if (lines.empty() || lines[0].rfind(imported, 0) != 0)
        return ::testing::AssertionFailure() << "first logged call: " << (lines.empty() ? "none" : lines[0]);
    const std::string plan = lines[0].substr(imported.size());
    if (plan.size() != 36) return ::testing::AssertionFailure() << "imported plan: " << plan;
    const auto recorded = reg::GetString(HKEY_LOCAL_MACHINE, recordKey, L"CorvaneMode");
    if (recorded != Widen(plan))
        return ::testing::AssertionFailure() << "recorded: " << Narrow(recorded.value_or(L"nothing"));
    return ::testing::AssertionSuccess();
}

TEST_F(SignedPrograms, TheX64AgentImportsThePlanBesideIt) {
    const std::wstring dir = m_dir + L"Oskavel-x64\\";
    ASSERT_TRUE(CopyTree(SignedRelease() + L"Oskavel-x64", dir));
    EXPECT_TRUE(ImportsThePlanBesideIt(dir, kAgentKey, *m_log));
}

// The shipped agent; where 32-bit programs cannot run, skipped with the reason (its own ctest entry).
TEST_F(SignedPrograms, The32BitAgentImportsThePlanBesideIt) {
    if (const char* why = std::getenv("CORVANE_X86_UNAVAILABLE")) GTEST_SKIP() << why;
    const std::wstring dir = m_dir + L"Oskavel\\";
    ASSERT_TRUE(CopyTree(SignedRelease() + L"Oskavel", dir));
    EXPECT_TRUE(ImportsThePlanBesideIt(dir, kAgentKey32, *m_log));
}

}  // namespace
