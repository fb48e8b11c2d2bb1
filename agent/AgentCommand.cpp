#include "AgentCommand.h"

#include <windows.h>

#include <app.h>
#include <childprocess.h>

#include <vector>

namespace {
constexpr DWORD kExpandBufferChars = 256;
}  // namespace

bool RunAgentCommand(const std::wstring& commandLine) {
    // Found by the platform's search, "cmd" could be a program in the agent's folder or current directory.
    const std::wstring cmd = fw::SystemDirectory() + L"cmd.exe";
    fw::ChildOptions options;
    options.application = StartsWithCmd(commandLine) ? cmd.c_str() : nullptr;
    options.hideWindow = true;
    DWORD wait = WAIT_FAILED;
    if (!fw::RunChildAndWait(commandLine, options, &wait)) return false;
    return wait != WAIT_TIMEOUT;
}

std::wstring ExpandCommand(const std::wstring& commandLine) {
    std::vector<wchar_t> buffer(kExpandBufferChars, L'\0');
    for (;;) {
        const DWORD needed = ::ExpandEnvironmentStringsW(commandLine.c_str(), buffer.data(),
                                                         static_cast<DWORD>(buffer.size()));
        if (needed == 0) return commandLine;  // expansion failed: the line as written
        if (needed <= buffer.size()) break;
        buffer.assign(needed, L'\0');
    }
    return std::wstring(buffer.data());
}
