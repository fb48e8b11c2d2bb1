// Installation and removal of the maker's power plan through the power-management library.
#pragma once
#include <windows.h>

#include <handles.h>

#include <memory>
#include <optional>
#include <string>

// What every dispatch starts from.
struct SchemeData {
    GUID processorSubgroup{};
    GUID maxProcessorState{};
    GUID displaySubgroup{};
    GUID dimBrightness{};
    fw::CModule powerLibrary;          // empty when powrprof could not be loaded
    std::wstring recordedText;         // "CorvaneMode", empty when none could be read
    std::optional<GUID> recordedGuid;  // present when a non-empty text was read
};

SchemeData PrepareSchemeData();

// The plan identifier that the import allocates; released with LocalFree.
struct LocalFreeDeleter {
    void operator()(GUID* guid) const { ::LocalFree(guid); }
};
using ImportedGuid = std::unique_ptr<GUID, LocalFreeDeleter>;

// Imports <agentDir>corvane.pow, activates it, lowers two Power saver battery values and replaces the
// defaults. Returns the imported plan's identifier, or null when none was imported.
ImportedGuid InstallPowerScheme(const SchemeData& data, const std::wstring& agentDir);

// Stores the identifier as "CorvaneMode" and returns its text.
std::wstring RecordSchemeIdentifier(const GUID& imported);

// Writes one REG_EXPAND_SZ value under HKLM\Software\Corvane\Oskavel; "Init Failed" when the key fails.
void SetAgentValue(const std::wstring& valueName, const std::wstring& text);

// Balanced active, the recorded plan deleted (when one is recorded), Power saver values restored, defaults
// replaced.
void RemovePowerScheme(const SchemeData& data);
