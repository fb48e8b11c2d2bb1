// The settings program installed in a folder of its own on the simulated machine, reset before each test.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include <ExitCodes.h>
#include "e2e.h"
#include "machine.h"
#include "resource.h"

namespace velmora_test {

inline const wchar_t kTitle[] = L"Corvane Velmora";

using e2e::WaitUntil;

class VelmoraTest : public ::testing::Test {
protected:
    // A copy of the program as the simulated machine has it installed.
    static void SetUpTestSuite() {
        s_dir = e2e::MakeSandbox(L"velmora");
        ASSERT_TRUE(e2e::CopyTree(machine::kVelmoraDir, s_dir));
    }

    // Puts one of the simulated firmware libraries in the place the program loads it from.
    static ::testing::AssertionResult InstallFirmwareLibrary(const std::wstring& simFile) {
        return e2e::CopyFileTo(e2e::DistDir() + L"sim\\" + simFile, s_dir + L"Win7_Driver\\x64\\KOLU3.DLL");
    }

    void SetUp() override { ASSERT_TRUE(ResetMachine()); }

    // The state every test starts from; a test that runs several cases resets before each.
    ::testing::AssertionResult ResetMachine(DWORD schemes = 3) {
        ::testing::AssertionResult done = e2e::reg::DeleteTree(HKEY_CURRENT_USER, machine::kModeKey);
        if (done) done = e2e::reg::DeleteTree(HKEY_LOCAL_MACHINE, machine::kFirmwareKey);
        if (done)
            done =
                e2e::reg::DeleteValue(HKEY_CURRENT_USER, machine::kExplorerKey, L"Start_PowerButtonAction");
        if (done) done = RestoreDisplayAndVersion();
        if (!done) return done;
        const std::wstring seed = std::wstring(machine::kPowercfg) + L" -seed " + std::to_wstring(schemes);
        if (e2e::RunConsole(seed) != 0) return ::testing::AssertionFailure() << "powercfg -seed failed";
        log.reset();
        log = std::make_unique<e2e::SimLog>(s_dir + L"sim.log");
        return ::testing::AssertionSuccess();
    }

    void TearDown() override {
        EXPECT_TRUE(RestoreDisplayAndVersion());
        EXPECT_TRUE(InstallFirmwareLibrary(L"KOLU3.DLL"));
    }

    // The Windows version and the resolution the machine reports by default.
    static ::testing::AssertionResult RestoreDisplayAndVersion() {
        ::testing::AssertionResult done = e2e::SetWineVersion(L"");
        if (done) done = e2e::reg::SetDword(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", 96);
        return done;
    }

    static std::wstring Exe() { return s_dir + L"Velmora.exe"; }

    // A text of the shipped UIString.ini.
    static std::wstring UiText(const wchar_t* key, const wchar_t* section = L"0409") {
        wchar_t text[260] = L"";
        ::GetPrivateProfileStringW(section, key, L"", text, 260, (s_dir + L"UIString.ini").c_str());
        return text;
    }
    static ::testing::AssertionResult SetFirmware(const wchar_t* name, DWORD value) {
        return e2e::reg::SetDword(HKEY_LOCAL_MACHINE, machine::kFirmwareKey, name, value);
    }
    static ::testing::AssertionResult SetStoredMode(DWORD mode) {
        return e2e::reg::SetDword(HKEY_CURRENT_USER, machine::kModeKey, L"VelmoraMode", mode);
    }
    static std::optional<DWORD> StoredMode() {
        return e2e::reg::GetDword(HKEY_CURRENT_USER, machine::kModeKey, L"VelmoraMode");
    }
    static std::optional<DWORD> StartButtonAction() {
        return e2e::reg::GetDword(HKEY_CURRENT_USER, machine::kExplorerKey, L"Start_PowerButtonAction");
    }
    // Firmware calls as "fn=.. req=.." pairs, in order, without the probe.
    std::vector<std::string> FirmwareSwitches() const {
        std::vector<std::string> calls;
        for (const auto& line : log->Lines("KOLU3 call "))
            if (line.find("fn=0x6E") != std::string::npos) calls.push_back(line);
        return calls;
    }
    std::vector<std::string> FirmwareCalls() const { return log->Lines("KOLU3 call "); }
    std::vector<std::string> PowercfgCommands() const { return log->Lines("powercfg "); }

    static inline std::wstring s_dir;
    std::unique_ptr<e2e::SimLog> log;
};

// The tests that ctest runs once per user language. The language follows the Unix locale the test program
// was started with; ctest names the section it expects in CORVANE_TEST_SECTION.
class VelmoraLocaleTest : public VelmoraTest {
protected:
    static std::wstring Section() {
        const char* section = std::getenv("CORVANE_TEST_SECTION");
        return section ? e2e::Widen(section) : L"0409";
    }
};

}  // namespace velmora_test
