#include "AgentCommand.h"

#include <windows.h>

#include <app.h>
#include <childprocess.h>

#include <vector>

namespace {
constexpr DWORD kExpandBufferChars = 256;
}  // namespace

std::wstring SystemToolPath(const ToolCommand& command) {
    const std::wstring dir = fw::SystemDirectory();
    return dir.empty() ? std::wstring() : dir + command.tool;
}

bool RunAgentCommand(const ToolCommand& command, DWORD* exitCode) {
    const std::wstring application = SystemToolPath(command);
    if (application.empty()) return false;  // never fall back to a search
    fw::ChildOptions options;
    options.application = application.c_str();
    options.hideWindow = true;
    DWORD wait = WAIT_FAILED;
    if (!fw::RunChildAndWait(command.commandLine, options, &wait, exitCode)) return false;
    return wait == WAIT_OBJECT_0;
}

ToolCommand ExpandCommand(const ToolCommand& command) {
    std::vector<wchar_t> buffer(kExpandBufferChars, L'\0');
    for (;;) {
        const DWORD needed = ::ExpandEnvironmentStringsW(command.commandLine.c_str(), buffer.data(),
                                                         static_cast<DWORD>(buffer.size()));
        if (needed == 0) return command;  // expansion failed: the line as written
        if (needed <= buffer.size()) break;
        buffer.assign(needed, L'\0');
    }
    return {command.tool, std::wstring(buffer.data())};
}
