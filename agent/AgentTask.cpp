#include "AgentTask.h"

#include "AgentCommand.h"

// The definition's path comes from the environment; a path that would end its quotes early or put something
// expandable between them registers no task.
void CreateAgentTask() {
    const ToolCommand command = ExpandCommand(BuildCreateTaskCommand());
    if (QuotesHoldOnlyPlainText(command.commandLine, 4)) RunAgentCommand(command);
}

// The delete line holds no variables; it takes the same path for symmetry.
void DeleteAgentTask() {
    RunAgentCommand(ExpandCommand(BuildDeleteTaskCommand()));
}
