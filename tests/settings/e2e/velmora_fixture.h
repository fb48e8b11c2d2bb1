// The settings program installed in a folder of its own on the simulated machine, reset before each test.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "e2e.h"

namespace velmora_test {

inline const wchar_t kTitle[] = L"Corvane Velmora";
inline const wchar_t kModeKey[] = L"Software\\Corvane\\Velmora";
inline const wchar_t kFirmwareKey[] = L"SOFTWARE\\CorvaneSim\\Firmware";
inline const wchar_t kSchemesKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Power\\User\\PowerSchemes";
inline const wchar_t kExplorerKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
inline const wchar_t kPowercfg[] = L"C:\\windows\\system32\\powercfg.exe";

// The user's language follows the Unix locale the test program was started with (ctest runs the Locale tests
// once per locale, naming the section it expects in CORVANE_TEST_SECTION).
inline std::wstring ExpectedSection() {
    const char* section = std::getenv("CORVANE_TEST_SECTION");
    return section ? e2e::Widen(section) : L"0409";
}

class VelmoraTest : public ::testing::Test {
protected:
    // A copy of the program as the simulated machine has it installed.
    static void SetUpTestSuite() {
        s_dir = e2e::MakeSandbox(L"velmora");
        e2e::CopyTree(e2e::kInstalledVelmora, s_dir);
    }

    // Puts one of the simulated firmware libraries in the place the program loads it from.
    static void InstallFirmwareLibrary(const std::wstring& simFile) {
        e2e::CopyFileTo(e2e::DistDir() + L"sim\\" + simFile, s_dir + L"Win7_Driver\\x64\\KOLU3.DLL");
    }

    void SetUp() override { ASSERT_TRUE(ResetMachine()); }

    // The state every test starts from; a test that runs several cases resets before each.
    ::testing::AssertionResult ResetMachine(DWORD schemes = 3) {
        e2e::reg::DeleteTree(HKEY_CURRENT_USER, kModeKey);
        e2e::reg::DeleteTree(HKEY_LOCAL_MACHINE, kFirmwareKey);
        e2e::reg::DeleteValue(HKEY_CURRENT_USER, kExplorerKey, L"Start_PowerButtonAction");
        e2e::SetWineVersion(L"");
        e2e::reg::SetDword(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", 96);
        const std::wstring seed = std::wstring(kPowercfg) + L" -seed " + std::to_wstring(schemes);
        if (e2e::RunConsole(seed) != 0) return ::testing::AssertionFailure() << "powercfg -seed failed";
        log.reset();
        log = std::make_unique<e2e::SimLog>(s_dir + L"sim.log");
        return ::testing::AssertionSuccess();
    }

    void TearDown() override {
        e2e::SetWineVersion(L"");
        e2e::reg::SetDword(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", 96);
        InstallFirmwareLibrary(L"KOLU3.DLL");
    }

    static std::wstring Exe() { return s_dir + L"Velmora.exe"; }

public:
    static std::wstring ExePath() { return Exe(); }

protected:
    // A text of the shipped UIString.ini.
    static std::wstring UiText(const wchar_t* key, const wchar_t* section = L"0409") {
        wchar_t text[260] = L"";
        ::GetPrivateProfileStringW(section, key, L"", text, 260, (s_dir + L"UIString.ini").c_str());
        return text;
    }
    static void SetFirmware(const wchar_t* name, DWORD value) {
        e2e::reg::SetDword(HKEY_LOCAL_MACHINE, kFirmwareKey, name, value);
    }
    static void SetStoredMode(DWORD mode) {
        e2e::reg::SetDword(HKEY_CURRENT_USER, kModeKey, L"VelmoraMode", mode);
    }
    static std::optional<DWORD> StoredMode() {
        return e2e::reg::GetDword(HKEY_CURRENT_USER, kModeKey, L"VelmoraMode");
    }
    static std::optional<DWORD> StartButtonAction() {
        return e2e::reg::GetDword(HKEY_CURRENT_USER, kExplorerKey, L"Start_PowerButtonAction");
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

}  // namespace velmora_test
