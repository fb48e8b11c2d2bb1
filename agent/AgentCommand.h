// The agent's child processes: every tool it uses is started through `cmd`, hidden, and awaited.
#pragma once
#include <string>

#include "CommandLines.h"

// Starts the command line hidden and waits for the child without a time limit. A line that starts with cmd
// gets the system's own cmd.exe, named by its full path, while the line itself stays as it is. True when
// the child was started and waited for; its exit code is never read.
bool RunAgentCommand(const std::wstring& commandLine);

// Expands environment variables; the buffer grows to whatever size the expansion needs.
std::wstring ExpandCommand(const std::wstring& commandLine);
