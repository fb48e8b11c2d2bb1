// The agent's scheduled task "Oskavel", registered on install and deleted on uninstall through schtasks.
#pragma once

void CreateAgentTask();
void DeleteAgentTask();
