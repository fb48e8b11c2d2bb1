// The agent's scheduled task "Oskavel", registered on install and deleted on uninstall through schtasks.
#pragma once
#include <string>

// Registers the task from Oskavel.xml in the agent's folder (never one an environment variable names), after
// writing the agent's own full path into it as the program the task starts. Only an agent inside the
// machine's program folders registers it (ProgramFolders.h); from anywhere else nothing is registered, and
// the caller is told why on standard output. True when schtasks ran and reported success.
[[nodiscard]] bool CreateAgentTask(const std::wstring& agentDir, const std::wstring& agentPath);
[[nodiscard]] bool DeleteAgentTask();
