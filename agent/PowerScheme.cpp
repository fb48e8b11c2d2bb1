#include "PowerScheme.h"

#include <app.h>
#include <text.h>

#include "GuidText.h"

namespace {

const wchar_t kAgentKey[] = L"Software\\Corvane\\Oskavel";
const wchar_t kRecordValue[] = L"CorvaneMode";
const wchar_t kSchemeFile[] = L"corvane.pow";

const GUID kBalanced = {0x381b4222, 0xf694, 0x41f0, {0x96, 0x85, 0xff, 0x5b, 0xb2, 0x60, 0xdf, 0x2e}};
const GUID kPowerSaver = {0xa1841308, 0x3541, 0x4fab, {0xbc, 0x81, 0xf7, 0x15, 0x56, 0xf2, 0x0b, 0x4a}};

const wchar_t kProcessorSubgroup[] = L"54533251-82be-4824-96c1-47b60b740d00";
const wchar_t kMaxProcessorState[] = L"bc5038f7-23e0-4960-96da-33abaf5935ec";
const wchar_t kDisplaySubgroup[] = L"7516b95f-f776-4464-8c53-06167f40cc99";
const wchar_t kDimBrightness[] = L"f1fbfde2-a960-4165-9f88-50667911ce96";

const wchar_t kMakerKey[] = L"Software\\Corvane";
const wchar_t kSchemesKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Power\\User\\PowerSchemes\\";

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

SchemeData PrepareSchemeData() {
    SchemeData data;
    data.processorSubgroup = GuidFromText(kProcessorSubgroup);
    data.maxProcessorState = GuidFromText(kMaxProcessorState);
    data.displaySubgroup = GuidFromText(kDisplaySubgroup);
    data.dimBrightness = GuidFromText(kDimBrightness);
    // From the system directory only, never the agent's folder or the current directory.
    data.powerLibrary.Reset(::LoadLibraryW((fw::SystemDirectory() + L"powrprof.dll").c_str()));

    BYTE buffer[260] = {};
    DWORD type = 0;
    DWORD size = sizeof buffer;
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, kAgentKey, kRecordValue, RRF_RT_ANY, &type, buffer, &size) ==
        ERROR_SUCCESS) {
        data.recordedText = fw::RegistryText(buffer, size);
        if (!data.recordedText.empty()) data.recordedGuid = GuidFromText(data.recordedText);
    }
    return data;
}

bool SchemeExists(const GUID& scheme) {
    fw::CRegKey key;
    return key.Open(HKEY_LOCAL_MACHINE, (kSchemesKey + GuidToText(scheme)).c_str(), KEY_READ) ==
           ERROR_SUCCESS;
}

ImportedGuid InstallPowerScheme(const SchemeData& data, const std::wstring& agentDir,
                                agent_exit::Outcome& outcome) {
    const HMODULE lib = data.powerLibrary.Get();
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
    WriteDcValue(lib, data.processorSubgroup, data.maxProcessorState, 50, outcome);
    WriteDcValue(lib, data.displaySubgroup, data.dimBrightness, 0, outcome);
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
        if (app && askUser) app->DoMessageBox(L"Init Failed");
        return false;
    }
    return key.SetString(valueName.c_str(), text, REG_EXPAND_SZ) == ERROR_SUCCESS;
}

bool RemoveAgentRecord() {
    const LSTATUS result = ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kAgentKey);
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kMakerKey);  // refused while anything else is in it
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

void RemovePowerScheme(const SchemeData& data, agent_exit::Outcome& outcome) {
    const HMODULE lib = data.powerLibrary.Get();
    if (!lib) {
        outcome.Fail(agent_exit::kNoPowerLibrary);
        return;
    }

    SetActive(lib, kBalanced, outcome);
    if (data.recordedGuid)
        CallPower<DeleteFn>(lib, "PowerDeleteScheme", outcome, HKEY{}, &*data.recordedGuid);
    WriteDcValue(lib, data.processorSubgroup, data.maxProcessorState, 100, outcome);
    WriteDcValue(lib, data.displaySubgroup, data.dimBrightness, 50, outcome);
    ReplaceDefaults(lib, outcome);
}
