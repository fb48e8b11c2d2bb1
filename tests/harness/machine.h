// The facts of the machine the tests look at, named once: where the programs and the simulated machine keep
// their state, the Windows plans and settings the tests read, and the folders the programs are installed in.
#pragma once
#include <windows.h>

namespace machine {

// ---- registry keys ----
// HKCU: the settings program's record (VelmoraMode).
inline const wchar_t kModeKey[] = L"Software\\Corvane\\Velmora";
// HKLM: the agent's record (CorvaneMode), in the agent's own registry view; HKCU: its first-run mark
// (FirstRun).
inline const wchar_t kAgentKey[] = L"Software\\Corvane\\Oskavel";
// HKLM: the simulated firmware's state (the 64-bit view, which all of the simulated machine shares).
inline const wchar_t kFirmwareKey[] = L"SOFTWARE\\CorvaneSim\\Firmware";
// HKLM: the power-scheme store, shared by both registry views.
inline const wchar_t kSchemesKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Power\\User\\PowerSchemes";
// HKCU: the Start-menu power button (Start_PowerButtonAction).
inline const wchar_t kExplorerKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
// HKLM: Windows setup's image state (ImageState), shared by both registry views.
inline const wchar_t kImageStateKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup\\State";
// HKLM: the tests' own device enumerator below the device registry.
inline const wchar_t kEnumTestKey[] = L"SYSTEM\\CurrentControlSet\\Enum\\CVTEST";
// HKLM: Add/Remove Programs entries.
inline const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// ---- power plans, subgroups and settings ----
inline const wchar_t kBalanced[] = L"381b4222-f694-41f0-9685-ff5bb260df2e";
inline const wchar_t kHighPerformance[] = L"8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c";
inline const wchar_t kPowerSaver[] = L"a1841308-3541-4fab-bc81-f71556f20b4a";
inline const wchar_t kProcessorSubgroup[] = L"54533251-82be-4824-96c1-47b60b740d00";
inline const wchar_t kMaxProcessorState[] = L"bc5038f7-23e0-4960-96da-33abaf5935ec";
inline const wchar_t kDisplaySubgroup[] = L"7516b95f-f776-4464-8c53-06167f40cc99";
inline const wchar_t kDimBrightness[] = L"f1fbfde2-a960-4165-9f88-50667911ce96";
inline const wchar_t kDisplayOff[] = L"3c0bc021-c8a8-4e07-a973-6b14cbcb2b7e";
inline const wchar_t kButtonsSubgroup[] = L"4f971e89-eebd-4455-a8de-9e59040e7347";
inline const wchar_t kPersonality[] = L"245d8541-3943-4422-b025-13a784f679b7";

// ---- folders and files ----
// Where the programs are installed, as the package puts them (trailing backslash).
inline const wchar_t kVelmoraDir[] = L"C:\\Program Files\\Corvane\\Velmora\\";
inline const wchar_t kAgentDir[] = L"C:\\Program Files (x86)\\Corvane\\Oskavel\\";
// The simulated machine's powercfg, by its path (the 64-bit one: the test programs of the x64 tree).
inline const wchar_t kPowercfg[] = L"C:\\windows\\system32\\powercfg.exe";
// The registered task: the task scheduler keeps it in the 64-bit system folder, which a 32-bit program
// reaches as "sysnative" (its own "system32" leads to SysWOW64).
#ifdef _WIN64
inline const wchar_t kTaskFile[] = L"C:\\windows\\system32\\tasks\\Oskavel";
#else
inline const wchar_t kTaskFile[] = L"C:\\windows\\sysnative\\tasks\\Oskavel";
#endif

// ---- registry views ----
// An agent built like the test program: a 32-bit agent's HKLM\Software lands in the 32-bit view, a 64-bit
// one's in the 64-bit view.
inline constexpr REGSAM kAgentView = sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
// The view of 64-bit Windows' own writers (setup writes the image state) and of the simulated machine.
inline constexpr REGSAM kSystemView = KEY_WOW64_64KEY;

}  // namespace machine
