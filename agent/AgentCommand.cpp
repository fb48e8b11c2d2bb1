#include "AgentCommand.h"

#include <windows.h>

#include <framework/app.h>
#include <framework/childprocess.h>

std::wstring SystemToolPath(const ToolCommand& command) {
    const std::wstring dir = fw::SystemDirectory();
    return dir.empty() ? std::wstring() : dir + command.tool;
}

bool RunAgentCommand(const ToolCommand& command, DWORD* exitCode) {
    const std::wstring application = SystemToolPath(command);
    if (application.empty()) return false;  // never fall back to a search
    fw::ChildOptions options;
    options.application = application.c_str();
    // The tools are console programs: they get no console window at all, where the show state alone would
    // still make one for them, only hidden.
    options.creationFlags = CREATE_NO_WINDOW;
    options.hideWindow = true;
    DWORD wait = WAIT_FAILED;
    if (!fw::RunChildAndWait(command.commandLine, options, &wait, exitCode)) return false;
    return wait == WAIT_OBJECT_0;
}
