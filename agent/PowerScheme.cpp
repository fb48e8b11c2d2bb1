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

using ImportFn = DWORD(WINAPI*)(HKEY, LPCWSTR, GUID**);
using SetActiveFn = DWORD(WINAPI*)(HKEY, const GUID*);
using WriteDcFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, DWORD);
using ReplaceDefaultsFn = DWORD(WINAPI*)();
using DeleteFn = DWORD(WINAPI*)(HKEY, const GUID*);

// Each function is looked up right before its use; Wine's own powrprof lacks most of them, and a missing
// one is simply skipped.
void SetActive(HMODULE lib, const GUID& scheme) {
    if (auto fn = fw::GetProc<SetActiveFn>(lib, "PowerSetActiveScheme")) fn(nullptr, &scheme);
}

void WriteDcValue(HMODULE lib, const GUID& sub, const GUID& setting, DWORD value) {
    if (auto fn = fw::GetProc<WriteDcFn>(lib, "PowerWriteDCValueIndex"))
        fn(nullptr, &kPowerSaver, &sub, &setting, value);
}

void ReplaceDefaults(HMODULE lib) {
    if (auto fn = fw::GetProc<ReplaceDefaultsFn>(lib, "PowerReplaceDefaultPowerSchemes")) fn();
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

ImportedGuid InstallPowerScheme(const SchemeData& data, const std::wstring& agentDir) {
    const HMODULE lib = data.powerLibrary.Get();
    if (!lib) return nullptr;

    ImportedGuid imported;
    if (auto import = fw::GetProc<ImportFn>(lib, "PowerImportPowerScheme")) {
        GUID* created = nullptr;
        const std::wstring file = agentDir + kSchemeFile;
        import(nullptr, file.c_str(), &created);
        imported.reset(created);
    }
    // Without an imported plan there is nothing to activate; the Power saver values and defaults still go.
    if (imported) SetActive(lib, *imported);
    WriteDcValue(lib, data.processorSubgroup, data.maxProcessorState, 50);
    WriteDcValue(lib, data.displaySubgroup, data.dimBrightness, 0);
    ReplaceDefaults(lib);
    return imported;
}

std::wstring RecordSchemeIdentifier(const GUID& imported) {
    const std::wstring text = GuidToText(imported);
    SetAgentValue(kRecordValue, text);
    return text;
}

void SetAgentValue(const std::wstring& valueName, const std::wstring& text) {
    fw::CRegKey key;
    if (key.Create(HKEY_LOCAL_MACHINE, kAgentKey, KEY_WRITE) != ERROR_SUCCESS) {
        if (const fw::CWinApp* app = fw::CWinApp::Get()) app->DoMessageBox(L"Init Failed");
        return;
    }
    key.SetString(valueName.c_str(), text, REG_EXPAND_SZ);
}

void RemovePowerScheme(const SchemeData& data) {
    const HMODULE lib = data.powerLibrary.Get();
    if (!lib) return;

    SetActive(lib, kBalanced);
    if (data.recordedGuid) {
        if (auto del = fw::GetProc<DeleteFn>(lib, "PowerDeleteScheme")) del(nullptr, &*data.recordedGuid);
    }
    WriteDcValue(lib, data.processorSubgroup, data.maxProcessorState, 100);
    WriteDcValue(lib, data.displaySubgroup, data.dimBrightness, 50);
    ReplaceDefaults(lib);
}
