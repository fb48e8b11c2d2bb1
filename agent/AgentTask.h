// The agent's scheduled task "Oskavel", registered on install and deleted on uninstall through schtasks.
#pragma once

// Each is true when schtasks ran and reported success.
bool CreateAgentTask();
bool DeleteAgentTask();
