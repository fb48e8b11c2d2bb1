// Velmora's runs without a window, for scripts, deployment tools, detection and remediation rules, the
// package's QUICKRESUME property and the agent's logon run: ON and OFF switch as Apply does (firmware, power
// policy, record), STATUS tells. Lines go to standard output; the exit code tells the outcome
// (ExitCodes.h).
#pragma once
#include <string>

#include "VelmoraCommand.h"

// Runs the command (kSwitch or kStatus) with the program in `moduleDir`; returns the exit code.
int RunCommand(const VelmoraCommand& command, const std::wstring& moduleDir);
