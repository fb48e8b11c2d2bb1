// The package that ships, installed, repaired, upgraded and removed by Wine's own msiexec on a simulated
// WoW64 machine, and what each step leaves on it.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>
#include <ole2.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <e2e.h>
#include <machine.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <type_traits>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

const wchar_t kUpgradeCode[] = L"{5EED611A-0247-4F3B-A514-A9C4DFD4118F}";
const wchar_t kProductName[] = L"Corvane Power Utilities";
const wchar_t kCorvaneDir[] = L"C:\\Program Files\\Corvane";
const wchar_t kCorvane32Dir[] = L"C:\\Program Files (x86)\\Corvane";
// Put there by the maker's driver package, not by ours.
const wchar_t kFirmwareLibrary[] = L"C:\\Program Files\\Corvane\\Velmora\\Win7_Driver\\x64\\KOLU3.DLL";
using machine::kAgentDir;
using machine::kAgentKey;
using machine::kBalanced;
using machine::kFirmwareKey;
using machine::kModeKey;
using machine::kTaskFile;
using machine::kVelmoraDir;
const wchar_t* const kSchemes = machine::kSchemesKey;
const wchar_t* const kUninstallKeys = machine::kUninstallKey;
const wchar_t kPlanName[] = L"Corvane Power Plan";
const wchar_t kEventSourceKey[] =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Corvane Velmora";
const wchar_t kPolicyKey[] = L"Software\\Policies\\Corvane\\Velmora";
constexpr DWORD kMsiexecDeadlineMs = 180000;

// The packages under test. Where the machine runs 32-bit programs: the package that ships, and the tests'
// packages made from the same programs. Where it cannot (the harness says why in CORVANE_X86_UNAVAILABLE),
// the shipped package's 32-bit agent could not run; the same package built with the x64 agent in its place
// (test equipment, never shipped) stands in, with test packages made the same way. In CORVANE_TEST_PACKAGES:
// one minor version later (next.msi), the same version once more (same.msi), one whose uninstall fails after
// its steps (failing-uninstall.msi) and one whose plan file is damaged (damaged-plan.msi).
struct PackageSet {
    std::wstring package;
    std::wstring testPackages;  // folder, with a trailing backslash
    REGSAM agentView;           // where the package's agent keeps its record
    std::string description;
};

const PackageSet& Packages() {
    static const PackageSet set = [] {
        const char* base = std::getenv("CORVANE_TEST_PACKAGES");
        const std::wstring dir = base ? FromUnixPath(base) + L"\\" : std::wstring();
        if (const char* why = std::getenv("CORVANE_X86_UNAVAILABLE")) {
            const std::wstring x64 = dir + L"agent-x64-test-only\\";
            return PackageSet{x64 + L"CorvanePowerUtilities-x64-agent-test-only.msi", x64, KEY_WOW64_64KEY,
                              "the test package with the x64 agent in place of the 32-bit one, not the one "
                              "that ships, since " +
                                  std::string(why)};
        }
        return PackageSet{DistDir() + L"CorvanePowerUtilities.msi", dir + L"agent-x86\\", KEY_WOW64_32KEY,
                          "the package that ships"};
    }();
    return set;
}

std::wstring Package() {
    return Packages().package;
}

// The version the build gave the package, and the one the next package carries.
std::wstring Version(const char* variable) {
    const char* version = std::getenv(variable);
    return version ? Widen(version) : std::wstring();
}

// One of the tests' packages (above), or nothing when the build did not say where they are.
std::wstring TestPackage(const wchar_t* name) {
    return std::getenv("CORVANE_TEST_PACKAGES") ? Packages().testPackages + name : std::wstring();
}

// Ends every process of the programs and of msiexec that a failed run may have left waiting.
void EndStrayProcesses() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
        const std::wstring name = entry.szExeFile;
        if (_wcsicmp(name.c_str(), L"Velmora.exe") != 0 && _wcsicmp(name.c_str(), L"Oskavel3.exe") != 0 &&
            _wcsicmp(name.c_str(), L"msiexec.exe") != 0)
            continue;
        if (HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID)) {
            ::TerminateProcess(process, 1);
            ::CloseHandle(process);
        }
    }
    ::CloseHandle(snapshot);
}

struct MsiexecRun {
    bool ended = false;
    DWORD exitCode = static_cast<DWORD>(-1);
};

const wchar_t kMsiexecLog[] = L"C:\\corvane-tests\\msiexec.log";

// Runs msiexec with the arguments and a verbose log (kept for a look after a failure); a run that does not
// end by the deadline is ended.
MsiexecRun Msiexec(const std::wstring& arguments) {
    ::DeleteFileW(kMsiexecLog);
    std::wstring command = L"msiexec " + arguments + L" /l*v \"" + kMsiexecLog + L"\"";
    std::vector<wchar_t> writable(command.begin(), command.end());
    writable.push_back(L'\0');
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    MsiexecRun run;
    if (!::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return run;
    run.ended = ::WaitForSingleObject(pi.hProcess, kMsiexecDeadlineMs) == WAIT_OBJECT_0;
    if (!run.ended) EndStrayProcesses();
    ::GetExitCodeProcess(pi.hProcess, &run.exitCode);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
    return run;
}

// The lines of the last run's log (Wine writes it in UTF-16 or in the ANSI code page).
std::vector<std::string> MsiexecLog() {
    std::ifstream in(fs::path(kMsiexecLog), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string text = bytes;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        text =
            Narrow(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2));
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Whether the last run's log holds a line containing the text.
::testing::AssertionResult Logged(const std::string& text) {
    for (const auto& line : MsiexecLog())
        if (line.find(text) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "no line of " << Narrow(kMsiexecLog) << " holds \"" << text << "\"";
}

::testing::AssertionResult Succeeded(const MsiexecRun& run) {
    if (!run.ended) return ::testing::AssertionFailure() << "msiexec did not end within the deadline";
    if (run.exitCode != 0)
        return ::testing::AssertionFailure()
               << "msiexec exited with " << run.exitCode << " (log: " << Narrow(kMsiexecLog) << ")";
    return ::testing::AssertionSuccess();
}

// The product codes installed under the simulated machine's upgrade code.
std::vector<std::wstring> InstalledProducts() {
    std::vector<std::wstring> products;
    wchar_t code[39];
    for (DWORD i = 0; ::MsiEnumRelatedProductsW(kUpgradeCode, 0, i, code) == ERROR_SUCCESS; ++i)
        products.emplace_back(code);
    return products;
}

std::wstring ProductInfo(const std::wstring& product, const wchar_t* property) {
    wchar_t value[MAX_PATH] = L"";
    DWORD size = MAX_PATH;
    if (::MsiGetProductInfoW(product.c_str(), property, value, &size) != ERROR_SUCCESS) return std::wstring();
    return value;
}

// The subkeys of an HKLM key whose string value `name` reads `wanted`.
std::vector<std::wstring> SubkeysWhere(const wchar_t* path, const wchar_t* name, const wchar_t* wanted) {
    std::vector<std::wstring> found;
    for (const auto& key : reg::SubKeys(HKEY_LOCAL_MACHINE, path)) {
        if (reg::GetString(HKEY_LOCAL_MACHINE, std::wstring(path) + L"\\" + key, name) ==
            std::wstring(wanted))
            found.push_back(key);
    }
    return found;
}

// Add/Remove Programs entries whose name is our product's.
std::vector<std::wstring> UninstallEntries() {
    return SubkeysWhere(kUninstallKeys, L"DisplayName", kProductName);
}

// Plans of the store carrying the maker's plan name.
std::vector<std::wstring> MakerPlans() {
    return SubkeysWhere(kSchemes, L"FriendlyName", kPlanName);
}

// The agent's record, in its registry view.
std::optional<std::wstring> Recorded() {
    return reg::GetString(HKEY_LOCAL_MACHINE, kAgentKey, L"CorvaneMode", nullptr, Packages().agentView);
}

// The files below a folder, relative to it, in name order.
std::vector<std::wstring> FilesBelow(const std::wstring& folder) {
    std::vector<std::wstring> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file()) files.push_back(it->path().wstring().substr(folder.size() + 1));
    std::sort(files.begin(), files.end());
    return files;
}

std::wstring ShortcutTarget(const std::wstring& link, std::wstring* icon) {
    std::wstring target;
    IShellLinkW* shellLink = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&shellLink))))
        return target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(link.c_str(), STGM_READ))) {
            wchar_t path[MAX_PATH] = L"";
            if (SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0))) target = path;
            int index = 0;
            wchar_t iconPath[MAX_PATH] = L"";
            if (icon && SUCCEEDED(shellLink->GetIconLocation(iconPath, MAX_PATH, &index))) *icon = iconPath;
        }
        file->Release();
    }
    shellLink->Release();
    return target;
}

// The Start-menu shortcut, in the all-users menu of a per-machine install (Wine puts it in the user's).
std::wstring FindShortcut() {
    for (int folder : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
        wchar_t dir[MAX_PATH] = L"";
        if (FAILED(::SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, dir))) continue;
        const std::wstring link = std::wstring(dir) + L"\\Corvane Velmora.lnk";
        if (FileExists(link)) return link;
    }
    return std::wstring();
}

// A test package whose uninstall fails, removed without its failing step when the test ends. (Windows also
// registers the product again when the uninstall rolls back; Wine's msiexec does not, so the package is put
// back first.)
struct RemovedAtEnd {
    std::wstring package;
    ~RemovedAtEnd() {
        Msiexec(L"/i \"" + package + L"\" /qn");
        Msiexec(L"/x \"" + package + L"\" CORVANE_TEST_NO_FAILURE=1 /qn");
    }
};

class Installer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::cout << "Installing " << Packages().description << ": " << Narrow(Package()) << std::endl;
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    }
    static void TearDownTestSuite() {
        EXPECT_TRUE(ResetMachine());
        ::CoUninitialize();
    }

    void SetUp() override {
        ASSERT_TRUE(ResetMachine());
        m_log = std::make_unique<SimLog>(L"C:\\corvane-tests\\installer-sim.log");
    }
    void TearDown() override { m_log.reset(); }

    // A machine without the product: whatever a failed test left installed is removed (a test package whose
    // uninstall fails is first replaced by the shipped one), then the stores are reset to a freshly seeded
    // simulated machine on which the driver package has put the firmware library.
    static ::testing::AssertionResult ResetMachine() {
        EndStrayProcesses();
        for (const auto& product : InstalledProducts()) Msiexec(L"/x " + product + L" /qn");
        if (!InstalledProducts().empty()) {
            Msiexec(L"/i \"" + Package() + L"\" /qn");
            for (const auto& product : InstalledProducts()) Msiexec(L"/x " + product + L" /qn");
        }
        if (!InstalledProducts().empty()) return ::testing::AssertionFailure() << "an earlier install stays";
        std::error_code ignored;
        fs::remove_all(kCorvaneDir, ignored);
        fs::remove_all(kCorvane32Dir, ignored);
        fs::create_directories(L"C:\\corvane-tests", ignored);
        ::DeleteFileW(kTaskFile);
        for (const auto& step : {CopyFileTo(DistDir() + L"sim\\KOLU3.DLL", kFirmwareLibrary),
                                 reg::DeleteTree(HKEY_LOCAL_MACHINE, machine::kAgentKey, KEY_WOW64_32KEY),
                                 reg::DeleteTree(HKEY_LOCAL_MACHINE, machine::kAgentKey, KEY_WOW64_64KEY),
                                 reg::DeleteTree(HKEY_CURRENT_USER, machine::kModeKey),
                                 reg::DeleteTree(HKEY_CURRENT_USER, machine::kAgentKey),
                                 reg::DeleteTree(HKEY_LOCAL_MACHINE, machine::kFirmwareKey)})
            if (!step) return step;
        if (RunConsole(L"powercfg.exe -seed") != 0)
            return ::testing::AssertionFailure() << "powercfg -seed failed";
        return ::testing::AssertionSuccess();
    }

    static ::testing::AssertionResult SetModeOn() {
        auto recorded = reg::SetDword(HKEY_CURRENT_USER, machine::kModeKey, L"VelmoraMode", 1);
        return recorded ? reg::SetDword(HKEY_LOCAL_MACHINE, machine::kFirmwareKey, L"Mode", 1) : recorded;
    }

    static ::testing::AssertionResult Install(const std::wstring& package = Package()) {
        return Succeeded(Msiexec(L"/i \"" + package + L"\" /qn"));
    }
    static ::testing::AssertionResult Uninstall() {
        return Succeeded(Msiexec(L"/x \"" + Package() + L"\" /qn"));
    }

    // The plan, record and task of an installed product: one maker's plan, recorded, the task registered.
    static ::testing::AssertionResult PlanInstalled(std::wstring* plan = nullptr) {
        const auto plans = MakerPlans();
        if (plans.size() != 1)
            return ::testing::AssertionFailure() << plans.size() << " maker's plans in the store";
        if (Recorded() != plans[0])
            return ::testing::AssertionFailure() << "the record does not name the plan";
        if (!FileExists(kTaskFile)) return ::testing::AssertionFailure() << "no scheduled task";
        if (plan) *plan = plans[0];
        return ::testing::AssertionSuccess();
    }

    // Nothing of the product is left: files, folders, plan, record, task, registration. The driver package's
    // firmware library stays where it was.
    static void ExpectRemoved() {
        EXPECT_FALSE(fs::exists(kCorvane32Dir)) << "the agent's folders are still there";
        EXPECT_EQ(FilesBelow(kCorvaneDir),
                  std::vector<std::wstring>{L"Velmora\\Win7_Driver\\x64\\KOLU3.DLL"});
        EXPECT_FALSE(Recorded().has_value()) << "the agent's record is still there";
        EXPECT_TRUE(MakerPlans().empty()) << "the maker's plan is still in the store";
        EXPECT_FALSE(FileExists(kTaskFile)) << "the scheduled task is still registered";
        EXPECT_TRUE(InstalledProducts().empty());
        EXPECT_TRUE(UninstallEntries().empty()) << "the Add/Remove Programs entry is still there";
        EXPECT_FALSE(reg::KeyExists(HKEY_LOCAL_MACHINE, kEventSourceKey, KEY_WOW64_64KEY))
            << "the event source is still registered";
    }

    std::unique_ptr<SimLog> m_log;
};

TEST_F(Installer, InstallPutsProgramsDataShortcutAndEntryInPlaceAndRunsTheAgent) {
    // A record left behind whose plan is gone: the install imports the plan all the same.
    ASSERT_TRUE(reg::SetString(HKEY_LOCAL_MACHINE, kAgentKey, L"CorvaneMode",
                               L"0b0b0b0b-1111-2222-3333-444455556666", REG_EXPAND_SZ, Packages().agentView));
    ASSERT_TRUE(Install());

    for (const wchar_t* file : {L"Velmora.exe", L"UIString.ini", L"Help\\0409.chm", L"Help\\3001.chm"})
        EXPECT_TRUE(FileExists(kVelmoraDir + std::wstring(file))) << Narrow(file);
    for (const wchar_t* file :
         {L"Oskavel3.exe", L"MultiLang.ini", L"list.ini", L"Oskavel.xml", L"corvane.pow"})
        EXPECT_TRUE(FileExists(kAgentDir + std::wstring(file))) << Narrow(file);
    // Every help file the build made.
    EXPECT_EQ(FilesBelow(std::wstring(kVelmoraDir) + L"Help"), FilesBelow(DistDir() + L"Velmora\\Help"));
    EXPECT_FALSE(FilesBelow(DistDir() + L"Velmora\\Help").empty());

    const std::wstring link = FindShortcut();
    ASSERT_FALSE(link.empty()) << "no Start-menu shortcut";
    std::wstring icon;
    EXPECT_EQ(ShortcutTarget(link, &icon), std::wstring(kVelmoraDir) + L"Velmora.exe");
    EXPECT_FALSE(icon.empty()) << "the shortcut has no icon";

    const auto products = InstalledProducts();
    ASSERT_EQ(products.size(), 1u);
    EXPECT_EQ(ProductInfo(products[0], INSTALLPROPERTY_INSTALLEDPRODUCTNAME), kProductName);
    EXPECT_EQ(ProductInfo(products[0], INSTALLPROPERTY_PUBLISHER), L"Corvane");
    EXPECT_EQ(ProductInfo(products[0], INSTALLPROPERTY_VERSIONSTRING), Version("CORVANE_VERSION"));
    EXPECT_TRUE(FileExists(ProductInfo(products[0], INSTALLPROPERTY_PRODUCTICON))) << "no product icon";
    ASSERT_EQ(UninstallEntries().size(), 1u);
    const std::wstring entry = std::wstring(kUninstallKeys) + L"\\" + UninstallEntries()[0];
    EXPECT_EQ(reg::GetString(HKEY_LOCAL_MACHINE, entry, L"Publisher"), L"Corvane");
    EXPECT_EQ(reg::GetString(HKEY_LOCAL_MACHINE, entry, L"DisplayVersion"), Version("CORVANE_VERSION"));
    EXPECT_EQ(reg::GetString(HKEY_LOCAL_MACHINE, entry, L"InstallLocation"), kVelmoraDir);

    // The agent's "/install": the shipped plan imported, active, recorded and named; the task registered.
    std::wstring plan;
    ASSERT_TRUE(PlanInstalled(&plan));
    EXPECT_EQ(reg::GetString(HKEY_LOCAL_MACHINE, kSchemes, L"ActivePowerScheme"), plan);
    EXPECT_TRUE(Logged("Oskavel3.exe\" /install /package ended with exit code 0: done."));
}

// Neither a window of another program titled as Velmora's, which any program of the installing session may
// open, nor a task definition a cut-short "/install" left keeps anything of the product.
TEST_F(Installer, UninstallSwitchesTheModeOffAndRemovesEverythingThenAReinstallStartsOver) {
    ASSERT_TRUE(Install());
    std::wstring first;
    ASSERT_TRUE(PlanInstalled(&first));
    ASSERT_TRUE(SetModeOn());
    const std::unique_ptr<std::remove_pointer_t<HWND>, decltype(&::DestroyWindow)> titled(
        ::CreateWindowExW(0, L"STATIC", L"Corvane Velmora", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                          nullptr),
        &::DestroyWindow);
    ASSERT_NE(titled, nullptr);
    ASSERT_TRUE(WriteTextFile(kAgentDir + std::wstring(L"Oskavel.xml.new"), ""));

    ASSERT_TRUE(Uninstall());
    EXPECT_EQ(reg::GetDword(HKEY_LOCAL_MACHINE, kFirmwareKey, L"Mode"), 0u)
        << "the firmware mode is still on";
    EXPECT_EQ(reg::GetDword(HKEY_CURRENT_USER, kModeKey, L"VelmoraMode"), 0u);
    EXPECT_EQ(reg::GetString(HKEY_LOCAL_MACHINE, kSchemes, L"ActivePowerScheme"), kBalanced);
    ExpectRemoved();

    // Without the agent's record the next install imports the plan and registers the task again.
    ASSERT_TRUE(Install());
    std::wstring second;
    ASSERT_TRUE(PlanInstalled(&second));
    EXPECT_NE(second, first);
}

TEST_F(Installer, ASilentUninstallWhoseSwitchOffIsRefusedEndsByItselfAndLogsWhy) {
    ASSERT_TRUE(Install());
    ASSERT_TRUE(SetModeOn());
    ASSERT_TRUE(reg::SetDword(HKEY_LOCAL_MACHINE, kFirmwareKey, L"SwitchAnswer", 2));

    const MsiexecRun run = Msiexec(L"/x \"" + Package() + L"\" /qn");
    ASSERT_TRUE(run.ended) << "the uninstall waited";
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(Logged("Velmora.exe\" UNINSTALL /package ended with exit code 6: the firmware refused"));
    EXPECT_EQ(reg::GetDword(HKEY_CURRENT_USER, kModeKey, L"VelmoraMode"), 1u);
    ExpectRemoved();
}

// Any user may create the agent's instance mutex where the package's runs (as the system) look for it: a
// process that holds it throughout stops neither the install nor the uninstall; each run waits its time, then
// does its work and says so in the log.
TEST_F(Installer, AMutexHeldByAnotherProcessStopsNoPackageRun) {
    const std::unique_ptr<void, decltype(&::CloseHandle)> held(::CreateMutexW(nullptr, TRUE, L"MHOskavel"),
                                                               &::CloseHandle);
    ASSERT_NE(held, nullptr);
    const char waited[] = "Oskavel3: the mutex MHOskavel stayed held by another process";
    ASSERT_TRUE(Install());
    EXPECT_TRUE(PlanInstalled());
    EXPECT_TRUE(Logged(waited));
    ASSERT_TRUE(Uninstall());
    EXPECT_TRUE(Logged(waited));
    ExpectRemoved();
}

TEST_F(Installer, RepairPutsMissingFilesAndALostPlanBack) {
    ASSERT_TRUE(Install());
    std::wstring plan;
    ASSERT_TRUE(PlanInstalled(&plan));
    ASSERT_TRUE(fs::remove(std::wstring(kAgentDir) + L"list.ini"));
    ASSERT_TRUE(fs::remove(std::wstring(kVelmoraDir) + L"Help\\0407.chm"));
    ASSERT_EQ(RunConsole(L"powercfg.exe -setactive " + std::wstring(kBalanced)), 0u);
    ASSERT_EQ(RunConsole(L"powercfg.exe -delete " + plan), 0u);
    ASSERT_TRUE(::DeleteFileW(kTaskFile));

    // The repair that "msiexec /fa" asks for, in the form Wine's msiexec carries out (its /f takes no
    // product code and finds no product from a package path).
    ASSERT_TRUE(Succeeded(Msiexec(L"/i \"" + Package() + L"\" REINSTALL=ALL REINSTALLMODE=omus /qn")));
    EXPECT_TRUE(FileExists(std::wstring(kAgentDir) + L"list.ini"));
    EXPECT_TRUE(FileExists(std::wstring(kVelmoraDir) + L"Help\\0407.chm"));
    std::wstring restored;
    EXPECT_TRUE(PlanInstalled(&restored));
    EXPECT_NE(restored, plan);
}

// An upgrade is invisible: quick resume, the plan (which the user may have changed) and the user's active
// plan, the record and the task stay as they were; one product, one entry. An older package is refused.
TEST_F(Installer, UpgradeKeepsEverythingAndAnOlderPackageIsRefused) {
    const std::wstring next = TestPackage(L"next.msi");
    ASSERT_FALSE(next.empty()) << "CORVANE_TEST_PACKAGES is not set";
    ASSERT_TRUE(Install());
    std::wstring plan;
    ASSERT_TRUE(PlanInstalled(&plan));
    ASSERT_TRUE(SetModeOn());
    const std::wstring highPerformance = machine::kHighPerformance;
    ASSERT_EQ(RunConsole(L"powercfg.exe -setactive " + highPerformance), 0u);
    const std::wstring displayOff = std::wstring(machine::kDisplaySubgroup) + L"\\" + machine::kDisplayOff;
    ASSERT_EQ(RunConsole(L"powercfg.exe -setdcvalueindex " + plan + L" " + machine::kDisplaySubgroup + L" " +
                         machine::kDisplayOff + L" 77"),
              0u);

    ASSERT_TRUE(Install(next));
    const auto products = InstalledProducts();
    ASSERT_EQ(products.size(), 1u);
    EXPECT_EQ(ProductInfo(products[0], INSTALLPROPERTY_VERSIONSTRING), Version("CORVANE_NEXT_VERSION"));
    EXPECT_EQ(UninstallEntries().size(), 1u);
    EXPECT_EQ(reg::GetDword(HKEY_LOCAL_MACHINE, kFirmwareKey, L"Mode"), 1u)
        << "quick resume was switched off";
    EXPECT_EQ(reg::GetDword(HKEY_CURRENT_USER, kModeKey, L"VelmoraMode"), 1u);
    std::wstring kept;
    ASSERT_TRUE(PlanInstalled(&kept));
    EXPECT_EQ(kept, plan) << "the plan was imported anew";
    EXPECT_EQ(reg::GetString(HKEY_LOCAL_MACHINE, kSchemes, L"ActivePowerScheme"), highPerformance);
    EXPECT_EQ(reg::GetDword(HKEY_LOCAL_MACHINE, std::wstring(kSchemes) + L"\\" + plan + L"\\" + displayOff,
                            L"DCSettingIndex"),
              77u);

    // The older package stops at its launch condition (its message is in the package's tables).
    const MsiexecRun downgrade = Msiexec(L"/i \"" + Package() + L"\" /qn");
    EXPECT_TRUE(downgrade.ended);
    EXPECT_EQ(downgrade.exitCode, static_cast<DWORD>(ERROR_INSTALL_FAILURE));
    ASSERT_EQ(InstalledProducts().size(), 1u);
    EXPECT_EQ(ProductInfo(InstalledProducts()[0], INSTALLPROPERTY_VERSIONSTRING),
              Version("CORVANE_NEXT_VERSION"));
    EXPECT_EQ(MakerPlans(), std::vector<std::wstring>{plan});
}

TEST_F(Installer, AFreshBuildOfTheSameVersionReplacesTheInstalledOne) {
    const std::wstring same = TestPackage(L"same.msi");
    ASSERT_FALSE(same.empty()) << "CORVANE_TEST_PACKAGES is not set";
    ASSERT_TRUE(Install());
    const auto before = InstalledProducts();
    std::wstring plan;
    ASSERT_TRUE(PlanInstalled(&plan));

    ASSERT_TRUE(Install(same));
    const auto after = InstalledProducts();
    ASSERT_EQ(after.size(), 1u) << "both copies are installed side by side";
    EXPECT_NE(after, before);
    EXPECT_EQ(UninstallEntries().size(), 1u);
    std::wstring kept;
    EXPECT_TRUE(PlanInstalled(&kept));
    EXPECT_EQ(kept, plan);
}

// An install whose "/install" fails (here: a package, built for the tests, whose plan file is damaged) fails
// as a whole, says why in its log and leaves the machine as it found it.
TEST_F(Installer, AFailingInstallStepFailsTheInstallAndRollsBack) {
    const std::wstring damaged = TestPackage(L"damaged-plan.msi");
    ASSERT_FALSE(damaged.empty()) << "CORVANE_TEST_PACKAGES is not set";
    const MsiexecRun run = Msiexec(L"/i \"" + damaged + L"\" /qn");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(ERROR_INSTALL_FAILURE));
    EXPECT_TRUE(Logged("Oskavel3.exe\" /install /package ended with exit code 4: the plan file corvane.pow"));
    ExpectRemoved();
}

// An uninstall that fails after its steps have run leaves the product working: files, plan, record and task.
TEST_F(Installer, AFailingUninstallRollsBackToAWorkingProduct) {
    const std::wstring failing = TestPackage(L"failing-uninstall.msi");
    ASSERT_FALSE(failing.empty()) << "CORVANE_TEST_PACKAGES is not set";
    const RemovedAtEnd removed{failing};
    ASSERT_TRUE(Install(failing));
    ASSERT_TRUE(PlanInstalled());

    const MsiexecRun run = Msiexec(L"/x \"" + failing + L"\" /qn");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(ERROR_INSTALL_FAILURE));
    // The failing step is one whose command line was never set: it ran nothing, and that fails it.
    EXPECT_TRUE(Logged("Corvane: the action was given no command line, or one too long: nothing was run"));
    EXPECT_TRUE(Logged("Oskavel3.exe\" /uninstall /package ended with exit code 0"));
    EXPECT_TRUE(Logged("Oskavel3.exe\" /install /package ended with exit code 0"));
    for (const wchar_t* file : {L"Oskavel3.exe", L"corvane.pow"})
        EXPECT_TRUE(FileExists(kAgentDir + std::wstring(file))) << Narrow(file);
    EXPECT_TRUE(FileExists(std::wstring(kVelmoraDir) + L"Velmora.exe"));
    std::wstring plan;
    EXPECT_TRUE(PlanInstalled(&plan));
    EXPECT_EQ(reg::GetString(HKEY_LOCAL_MACHINE, kSchemes, L"ActivePowerScheme"), plan);
}

// Windows Installer leaves a file's path blank while its component is removed, as every one is during an
// uninstall. An uninstall step whose command line names no program (here: a package, built for the tests,
// whose agent step is given '"" /uninstall /package') fails the uninstall instead of reporting success for a
// step that never ran; the product stays.
TEST_F(Installer, AnUninstallStepThatNamesNoProgramFailsTheUninstall) {
    const std::wstring blank = TestPackage(L"blank-uninstall-program.msi");
    ASSERT_FALSE(blank.empty()) << "CORVANE_TEST_PACKAGES is not set";
    const RemovedAtEnd removed{blank};
    ASSERT_TRUE(Install(blank));

    const MsiexecRun run = Msiexec(L"/x \"" + blank + L"\" /qn");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(ERROR_INSTALL_FAILURE));
    EXPECT_TRUE(Logged("Corvane: the action's command line \"\" /uninstall /package names no program"));
    EXPECT_TRUE(PlanInstalled());
}

TEST_F(Installer, ABrokenOrMissingPackageChangesNothing) {
    std::ifstream in(fs::path(Package()), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 100000u);
    const std::wstring broken = L"C:\\corvane-tests\\broken.msi";
    ASSERT_TRUE(WriteTextFile(broken, bytes.substr(0, bytes.size() / 3)));

    for (const std::wstring& package : {broken, std::wstring(L"C:\\corvane-tests\\missing.msi")}) {
        const MsiexecRun run = Msiexec(L"/i \"" + package + L"\" /qn");
        EXPECT_TRUE(run.ended);
        // Windows answers 1620 and 1619; Wine's msiexec 1627 and 2. Either way: an error, and no change.
        EXPECT_NE(run.exitCode, 0u) << Narrow(package);
        ExpectRemoved();
    }
}

// QUICKRESUME=ON sets quick resume for the machine once the programs are in place: every user's record, as
// the system's switch does; the event source of Velmora's entries is registered with the product.
TEST_F(Installer, QuickResumeOnSetsTheModeOnceTheProgramsAreInPlace) {
    ASSERT_TRUE(Succeeded(Msiexec(L"/i \"" + Package() + L"\" QUICKRESUME=ON /qn")));
    EXPECT_TRUE(Logged("Velmora.exe\" ON /package ended with exit code 0: done"));
    EXPECT_EQ(reg::GetDword(HKEY_LOCAL_MACHINE, kFirmwareKey, L"Mode"), 1u);
    EXPECT_EQ(reg::GetDword(HKEY_CURRENT_USER, kModeKey, L"VelmoraMode"), 1u);
    EXPECT_EQ(
        reg::GetString(HKEY_LOCAL_MACHINE, kEventSourceKey, L"EventMessageFile", nullptr, KEY_WOW64_64KEY),
        std::wstring(kVelmoraDir) + L"Velmora.exe");
}

// Any other value stops the installation before anything is changed, and the log says why.
TEST_F(Installer, AQuickResumeValueOtherThanOnOrOffFailsBeforeAnythingChanges) {
    const MsiexecRun run = Msiexec(L"/i \"" + Package() + L"\" QUICKRESUME=MAYBE /qn");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(ERROR_INSTALL_FAILURE));
    EXPECT_TRUE(Logged("Corvane: QUICKRESUME must be ON or OFF, not \"MAYBE\"; nothing was installed."));
    EXPECT_FALSE(reg::GetDword(HKEY_LOCAL_MACHINE, kFirmwareKey, L"Mode").has_value());
    ExpectRemoved();
}

// At a logon (the agent's run without a verb) the mode is brought back to the machine policy when the user's
// record differs from it: the agent starts the installed Velmora, which switches.
TEST_F(Installer, AtALogonTheAgentBringsTheModeBackToTheMachinePolicy) {
    struct PolicyRemoved {
        ~PolicyRemoved() { EXPECT_TRUE(reg::DeleteTree(HKEY_LOCAL_MACHINE, L"Software\\Policies\\Corvane")); }
    } const removed;
    ASSERT_TRUE(Install());
    ASSERT_TRUE(reg::SetDword(HKEY_LOCAL_MACHINE, kPolicyKey, L"QuickResume", 1));
    ASSERT_TRUE(reg::SetDword(HKEY_CURRENT_USER, kModeKey, L"VelmoraMode", 0));

    EXPECT_EQ(0u, RunConsole(L"\"" + std::wstring(kAgentDir) + L"Oskavel3.exe\""));
    EXPECT_TRUE(
        WaitUntil([] { return reg::GetDword(HKEY_CURRENT_USER, kModeKey, L"VelmoraMode") == 1u; }, 120000))
        << "the record was not brought back to the policy";
    EXPECT_EQ(reg::GetDword(HKEY_LOCAL_MACHINE, kFirmwareKey, L"Mode"), 1u);
}

}  // namespace
