// The agent's child processes: every tool it uses is started through `cmd`, hidden, and awaited.
#pragma once
#include <string>

// Starts the command line hidden and waits for the child without a time limit. True when the child was
// started and waited for; its exit code is never read.
bool RunAgentCommand(const std::wstring& commandLine);

// A plan name or description goes between double quotes on a cmd line; a quote of its own would end the
// quoting early, so it becomes an apostrophe.
std::wstring QuoteSafePlanText(const std::wstring& text);

// cmd /cpowercfg -changename <guid> "<name>" "<description>"
std::wstring BuildRenameCommand(const std::wstring& guidText, const std::wstring& name,
                                const std::wstring& description);

// A device name holding a double quote would break out of its quotes; such a name, like an empty one,
// gets no command (false).
bool IsUsableDeviceName(const std::wstring& name);
// cmd.exe /cpowercfg.exe -deviceenablewake "<name>"
std::wstring BuildWakeCommand(const std::wstring& deviceName);

// The scheduled task's command lines, before environment expansion.
std::wstring BuildCreateTaskCommand();
std::wstring BuildDeleteTaskCommand();

// Expands environment variables; the buffer grows to whatever size the expansion needs.
std::wstring ExpandCommand(const std::wstring& commandLine);
