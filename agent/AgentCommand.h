// The agent's child processes: every tool it uses is a system tool, started without a window by its full path
// and awaited.
#pragma once
#include <windows.h>

#include <string>

#include "CommandLines.h"

// The full path of the tool in the system directory (SysWOW64 for the 32-bit agent on 64-bit Windows, by
// the platform's redirection).
std::wstring SystemToolPath(const ToolCommand& command);

// Starts the tool without a window and waits for it without a time limit. True only when the child was
// started and the wait saw it end; its exit code is read only for a caller that asks for it.
[[nodiscard]] bool RunAgentCommand(const ToolCommand& command, DWORD* exitCode = nullptr);
