#include "AgentTask.h"

#include "AgentCommand.h"

// The definition's path comes from the environment; a path that would end its quotes early or make cmd
// expand something registers no task.
void CreateAgentTask() {
    const std::wstring line = ExpandCommand(BuildCreateTaskCommand());
    if (QuotesHoldOnlyPlainText(line, 4)) RunAgentCommand(line);
}

// The delete line holds no variables; it takes the same path for symmetry.
void DeleteAgentTask() {
    RunAgentCommand(ExpandCommand(BuildDeleteTaskCommand()));
}
