// Installation and removal of the maker's power plan through the power-management library.
#pragma once
#include <windows.h>

#include <framework/handles.h>

#include <ExitCodes.h>

#include <memory>
#include <optional>
#include <string>

// powrprof from the system directory; empty when it cannot be loaded. The dispatch loads it once and keeps it
// until the agent ends.
fw::CModule LoadPowerLibrary();

// The plan the agent recorded ("CorvaneMode").
struct RecordedScheme {
    std::wstring text;         // empty when none could be read
    std::optional<GUID> guid;  // present when a non-empty text was read
};
RecordedScheme ReadRecordedScheme();

// Whether the power-scheme store holds the plan.
bool SchemeExists(const GUID& scheme);

// The plan identifier that the import allocates; released with LocalFree.
struct LocalFreeDeleter {
    void operator()(GUID* guid) const { ::LocalFree(guid); }
};
using ImportedGuid = std::unique_ptr<GUID, LocalFreeDeleter>;

// Imports <agentDir>corvane.pow, activates it, lowers two Power saver battery values and replaces the
// defaults. Returns the imported plan's identifier, or null when none was imported. Every failing step is
// noted in `outcome`; the other steps still run.
ImportedGuid InstallPowerScheme(HMODULE powerLibrary, const std::wstring& agentDir,
                                agent_exit::Outcome& outcome);

// Stores the identifier as "CorvaneMode" and returns its text. `askUser`: a failure may be shown in a box.
std::wstring RecordSchemeIdentifier(const GUID& imported, bool askUser, agent_exit::Outcome& outcome);

// Writes one REG_EXPAND_SZ value under HKLM\Software\Corvane\Oskavel; when the key fails, "Init Failed" in a
// box if a person can answer it. False when the value was not written.
[[nodiscard]] bool SetAgentValue(const std::wstring& valueName, const std::wstring& text, bool askUser);

// Removes the agent's key with its record (and the maker's key when nothing else is left in it).
[[nodiscard]] bool RemoveAgentRecord();

// Balanced active, the recorded plan deleted (when one is recorded), Power saver values restored, defaults
// replaced.
void RemovePowerScheme(HMODULE powerLibrary, const RecordedScheme& recorded, agent_exit::Outcome& outcome);
