#include "AgentTask.h"

#include <windows.h>

#include <handles.h>

#include "AgentCommand.h"
#include "TaskDefinition.h"

namespace {
const wchar_t kDefinitionFile[] = L"Oskavel.xml";
// A task definition is a few kilobytes; anything much larger is not ours.
constexpr DWORD kMaxDefinitionBytes = 1 << 20;

bool RunSchtasks(const ToolCommand& command) {
    DWORD exitCode = 1;
    return RunAgentCommand(command, &exitCode) && exitCode == 0;
}

// The definition as Task Scheduler reads it: UTF-16 (little-endian) after its byte-order mark.
bool ReadDefinition(const std::wstring& path, std::wstring& text) {
    const fw::CFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart < 2 || size.QuadPart > kMaxDefinitionBytes ||
        size.QuadPart % 2 != 0)
        return false;
    std::wstring bytes(static_cast<size_t>(size.QuadPart) / 2, L'\0');
    DWORD read = 0;
    if (!::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(size.QuadPart), &read, nullptr) ||
        read != size.QuadPart || bytes[0] != 0xFEFF)
        return false;
    text = bytes.substr(1);
    return true;
}

// Replaces the file in one step: a half-written definition is never left behind.
bool WriteDefinition(const std::wstring& path, const std::wstring& text) {
    const std::wstring partial = path + L".new";
    const std::wstring bytes = L"\xFEFF" + text;
    const DWORD size = static_cast<DWORD>(bytes.size() * sizeof(wchar_t));
    {
        fw::CFileHandle file(::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        DWORD written = 0;
        if (!::WriteFile(file.Get(), bytes.data(), size, &written, nullptr) || written != size) {
            file.Reset();
            ::DeleteFileW(partial.c_str());
            return false;
        }
    }
    if (::MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    ::DeleteFileW(partial.c_str());
    return false;
}
}  // namespace

bool CreateAgentTask(const std::wstring& agentDir, const std::wstring& agentPath) {
    const std::wstring path = agentDir + kDefinitionFile;
    std::wstring definition;
    if (!ReadDefinition(path, definition)) return false;
    const std::optional<std::wstring> named = TaskDefinitionWithCommand(definition, agentPath);
    if (!named) return false;
    if (*named != definition && !WriteDefinition(path, *named)) return false;
    const std::optional<ToolCommand> command = BuildCreateTaskCommand(path);
    return command && RunSchtasks(*command);
}

bool DeleteAgentTask() {
    return RunSchtasks(BuildDeleteTaskCommand());
}
