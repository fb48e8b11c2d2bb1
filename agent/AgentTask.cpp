#include "AgentTask.h"

#include "AgentCommand.h"

namespace {
bool RunSchtasks(const ToolCommand& command) {
    DWORD exitCode = 1;
    return RunAgentCommand(command, &exitCode) && exitCode == 0;
}
}  // namespace

// The definition's path comes from the environment; a path that would end its quotes early or put something
// expandable between them registers no task.
bool CreateAgentTask() {
    const ToolCommand command = ExpandCommand(BuildCreateTaskCommand());
    return QuotesHoldOnlyPlainText(command.commandLine, 4) && RunSchtasks(command);
}

// The delete line holds no variables; it takes the same path for symmetry.
bool DeleteAgentTask() {
    return RunSchtasks(ExpandCommand(BuildDeleteTaskCommand()));
}
