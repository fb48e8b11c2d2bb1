#include "AgentTask.h"

#include <windows.h>

#include <framework/app.h>
#include <framework/handles.h>

#include "AgentCommand.h"
#include "ProgramFolders.h"
#include "TaskDefinition.h"

namespace {
const wchar_t kDefinitionFile[] = L"Oskavel.xml";
// A task definition is a few kilobytes; anything much larger is not ours.
constexpr DWORD kMaxDefinitionBytes = 1 << 20;

[[nodiscard]] bool RunSchtasks(const ToolCommand& command) {
    DWORD exitCode = 1;
    return RunAgentCommand(command, &exitCode) && exitCode == 0;
}

// The definition as Task Scheduler reads it: UTF-16 (little-endian) after its byte-order mark.
[[nodiscard]] bool ReadDefinition(const std::wstring& path, std::wstring& text) {
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

// Removes a partial definition that cannot be put in place. Should that fail too, the package removes the
// file with the product, and the next write replaces it.
void DropPartial(const std::wstring& partial) {
    (void)::DeleteFileW(partial.c_str());
}

// Replaces the file in one step: a half-written definition is never left behind. Its data reaches the disk
// before the rename does, so that a power cut leaves the old definition or the new one, never an empty file
// (which a repair would keep, since Windows Installer takes a file changed since install for the user's).
[[nodiscard]] bool WriteDefinition(const std::wstring& path, const std::wstring& text) {
    const std::wstring partial = path + L".new";
    const std::wstring bytes = L"\xFEFF" + text;
    const DWORD size = static_cast<DWORD>(bytes.size() * sizeof(wchar_t));
    {
        fw::CFileHandle file(::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        DWORD written = 0;
        if (!::WriteFile(file.Get(), bytes.data(), size, &written, nullptr) || written != size ||
            !::FlushFileBuffers(file.Get())) {
            file.Reset();
            DropPartial(partial);
            return false;
        }
    }
    if (::MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DropPartial(partial);
    return false;
}

// Whether the task may be registered from the agent's folder: only from inside the machine's program folders,
// whose files only administrators can change. The task runs with the highest rights at every logon; from a
// folder its user can write (Downloads, a stick, a share), it would start whatever program that user put
// there, as the definition there says. Otherwise the caller is told why.
[[nodiscard]] bool MayRegisterFrom(const std::wstring& agentDir) {
    const std::vector<std::wstring> folders = MachineProgramFolders();
    if (IsInsideProgramFolders(agentDir, folders)) return true;
    std::wstring names;
    for (const std::wstring& folder : folders) names += (names.empty() ? L"" : L"; ") + folder;
    // Said where the caller reads it, if anywhere; the exit code says it all the same.
    (void)fw::ReportToCaller(L"Oskavel3: the task Oskavel was not registered: " + agentDir +
                             L" is not inside the machine's program folders (" + names +
                             L"), where only administrators can change a program the task would start.");
    return false;
}
}  // namespace

bool CreateAgentTask(const std::wstring& agentDir, const std::wstring& agentPath) {
    if (!MayRegisterFrom(agentDir)) return false;
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
