#include "PowerScheme.h"

#include <PowerStore.h>

#include <framework/app.h>
#include <framework/text.h>

#include "GuidText.h"

namespace {

const wchar_t kAgentKey[] = L"Software\\Corvane\\Oskavel";
const wchar_t kRecordValue[] = L"CorvaneMode";
const wchar_t kSchemeFile[] = L"corvane.pow";

const GUID kPowerSaver = {0xa1841308, 0x3541, 0x4fab, {0xbc, 0x81, 0xf7, 0x15, 0x56, 0xf2, 0x0b, 0x4a}};

// The two battery settings of Power saver that the maker's plan goes with: the highest processor state and
// the brightness of a dimmed display, in percent.
const GUID kProcessorSubgroup = {
    0x54533251, 0x82be, 0x4824, {0x96, 0xc1, 0x47, 0xb6, 0x0b, 0x74, 0x0d, 0x00}};
const GUID kMaxProcessorState = {
    0xbc5038f7, 0x23e0, 0x4960, {0x96, 0xda, 0x33, 0xab, 0xaf, 0x59, 0x35, 0xec}};
const GUID kDisplaySubgroup = {0x7516b95f, 0xf776, 0x4464, {0x8c, 0x53, 0x06, 0x16, 0x7f, 0x40, 0xcc, 0x99}};
const GUID kDimBrightness = {0xf1fbfde2, 0xa960, 0x4165, {0x9f, 0x88, 0x50, 0x66, 0x79, 0x11, 0xce, 0x96}};
// Installed, Power saver on battery keeps the processor at half its speed at most and dims the display to
// dark, so that it saves more than the maker's plan; removing the product writes back full speed and half
// brightness, Power saver's values before the product changed them.
constexpr DWORD kInstalledMaxProcessor = 50;
constexpr DWORD kInstalledDimBrightness = 0;
constexpr DWORD kWindowsMaxProcessor = 100;
constexpr DWORD kWindowsDimBrightness = 50;

const wchar_t kMakerKey[] = L"Software\\Corvane";

using ImportFn = DWORD(WINAPI*)(HKEY, LPCWSTR, GUID**);
using SetActiveFn = DWORD(WINAPI*)(HKEY, const GUID*);
using WriteDcFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, DWORD);
using ReplaceDefaultsFn = DWORD(WINAPI*)();
using DeleteFn = DWORD(WINAPI*)(HKEY, const GUID*);

// Calls the named power function when the library has it; a missing one is skipped and noted, and a call
// that answers an error is noted too.
template <class Fn, class... Args>
void CallPower(HMODULE lib, const char* name, agent_exit::Outcome& outcome, Args... args) {
    const auto fn = fw::GetProc<Fn>(lib, name);
    if (!fn)
        outcome.Fail(agent_exit::kNoPowerLibrary);
    else if (fn(args...) != ERROR_SUCCESS)
        outcome.Fail(agent_exit::kPowerSettingFailed);
}

void SetActive(HMODULE lib, const GUID& scheme, agent_exit::Outcome& outcome) {
    CallPower<SetActiveFn>(lib, "PowerSetActiveScheme", outcome, HKEY{}, &scheme);
}

void WriteDcValue(HMODULE lib, const GUID& sub, const GUID& setting, DWORD value,
                  agent_exit::Outcome& outcome) {
    CallPower<WriteDcFn>(lib, "PowerWriteDCValueIndex", outcome, HKEY{}, &kPowerSaver, &sub, &setting, value);
}

void ReplaceDefaults(HMODULE lib, agent_exit::Outcome& outcome) {
    CallPower<ReplaceDefaultsFn>(lib, "PowerReplaceDefaultPowerSchemes", outcome);
}

}  // namespace

fw::CModule LoadPowerLibrary() {
    // From the system directory only, never the agent's folder or the current directory.
    return fw::CModule(::LoadLibraryW((fw::SystemDirectory() + L"powrprof.dll").c_str()));
}

RecordedScheme ReadRecordedScheme() {
    RecordedScheme recorded;
    BYTE buffer[260] = {};
    DWORD type = 0;
    DWORD size = sizeof buffer;
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, kAgentKey, kRecordValue, RRF_RT_ANY, &type, buffer, &size) ==
        ERROR_SUCCESS) {
        recorded.text = fw::RegistryText(buffer, size);
        if (!recorded.text.empty()) recorded.guid = GuidFromText(recorded.text);
    }
    return recorded;
}

bool SchemeExists(const GUID& scheme) {
    fw::CRegKey key;
    return key.Open(HKEY_LOCAL_MACHINE,
                    (std::wstring(power_store::kSchemesKey) + L"\\" + GuidToText(scheme)).c_str(),
                    KEY_READ) == ERROR_SUCCESS;
}

ImportedGuid InstallPowerScheme(HMODULE lib, const std::wstring& agentDir, agent_exit::Outcome& outcome) {
    if (!lib) {
        outcome.Fail(agent_exit::kNoPowerLibrary);
        return nullptr;
    }

    ImportedGuid imported;
    if (auto import = fw::GetProc<ImportFn>(lib, "PowerImportPowerScheme")) {
        GUID* created = nullptr;
        const std::wstring file = agentDir + kSchemeFile;
        const DWORD result = import(nullptr, file.c_str(), &created);
        imported.reset(created);
        if (result != ERROR_SUCCESS || !imported) outcome.Fail(agent_exit::kImportFailed);
    } else {
        outcome.Fail(agent_exit::kNoPowerLibrary);
    }
    // Without an imported plan there is nothing to activate; the Power saver values and defaults still go.
    if (imported) SetActive(lib, *imported, outcome);
    WriteDcValue(lib, kProcessorSubgroup, kMaxProcessorState, kInstalledMaxProcessor, outcome);
    WriteDcValue(lib, kDisplaySubgroup, kDimBrightness, kInstalledDimBrightness, outcome);
    ReplaceDefaults(lib, outcome);
    return imported;
}

std::wstring RecordSchemeIdentifier(const GUID& imported, bool askUser, agent_exit::Outcome& outcome) {
    const std::wstring text = GuidToText(imported);
    if (!SetAgentValue(kRecordValue, text, askUser)) outcome.Fail(agent_exit::kRecordFailed);
    return text;
}

bool SetAgentValue(const std::wstring& valueName, const std::wstring& text, bool askUser) {
    fw::CRegKey key;
    if (key.Create(HKEY_LOCAL_MACHINE, kAgentKey, KEY_WRITE) != ERROR_SUCCESS) {
        const fw::CWinApp* app = fw::CWinApp::Get();
        // The box has one button: its answer says nothing.
        if (app && askUser) (void)app->DoMessageBox(L"Init Failed");
        return false;
    }
    return key.SetString(valueName.c_str(), text, REG_EXPAND_SZ) == ERROR_SUCCESS;
}

bool RemoveAgentRecord() {
    const LSTATUS result = ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kAgentKey);
    // Refused while anything else of the maker's is in it, which then keeps it.
    (void)::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kMakerKey);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

void RemovePowerScheme(HMODULE lib, const RecordedScheme& recorded, agent_exit::Outcome& outcome) {
    if (!lib) {
        outcome.Fail(agent_exit::kNoPowerLibrary);
        return;
    }

    SetActive(lib, GuidFromText(power_store::kBalancedScheme), outcome);
    if (recorded.guid) CallPower<DeleteFn>(lib, "PowerDeleteScheme", outcome, HKEY{}, &*recorded.guid);
    WriteDcValue(lib, kProcessorSubgroup, kMaxProcessorState, kWindowsMaxProcessor, outcome);
    WriteDcValue(lib, kDisplaySubgroup, kDimBrightness, kWindowsDimBrightness, outcome);
    ReplaceDefaults(lib, outcome);
}
