#include "AgentTask.h"

#include "AgentCommand.h"

void CreateAgentTask() {
    RunAgentCommand(ExpandCommand(BuildCreateTaskCommand()));
}

// The delete line holds no variables; it takes the same path for symmetry.
void DeleteAgentTask() {
    RunAgentCommand(ExpandCommand(BuildDeleteTaskCommand()));
}
