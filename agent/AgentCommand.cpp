#include "AgentCommand.h"

#include <windows.h>

#include <handles.h>

#include <vector>

namespace {
const wchar_t kTaskName[] = L"Oskavel";
const wchar_t kTaskDefinition[] = L"%programFiles%\\Corvane\\Oskavel\\Oskavel.xml";
constexpr DWORD kExpandBufferChars = 256;
}  // namespace

bool RunAgentCommand(const std::wstring& commandLine) {
    // CreateProcessW may write into its command line, so it gets a private copy.
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info))
        return false;
    fw::CKernelHandle process(info.hProcess);
    fw::CKernelHandle thread(info.hThread);
    const DWORD wait = ::WaitForSingleObject(process.Get(), INFINITE);
    process.Reset();
    thread.Reset();
    return wait != WAIT_TIMEOUT;
}

std::wstring QuoteSafePlanText(const std::wstring& text) {
    std::wstring safe = text;
    for (wchar_t& c : safe) {
        if (c == L'"') c = L'\'';
    }
    return safe;
}

std::wstring BuildRenameCommand(const std::wstring& guidText, const std::wstring& name,
                                const std::wstring& description) {
    return L"cmd /cpowercfg -changename " + guidText + L" \"" + QuoteSafePlanText(name) + L"\" \"" +
           QuoteSafePlanText(description) + L"\"";
}

bool IsUsableDeviceName(const std::wstring& name) {
    return !name.empty() && name.find(L'"') == std::wstring::npos;
}

std::wstring BuildWakeCommand(const std::wstring& deviceName) {
    return L"cmd.exe /cpowercfg.exe -deviceenablewake \"" + deviceName + L"\"";
}

std::wstring BuildCreateTaskCommand() {
    return std::wstring(L"cmd /cschtasks /create /XML \"") + kTaskDefinition + L"\" /tn \"" + kTaskName +
           L"\" ";
}

std::wstring BuildDeleteTaskCommand() {
    return std::wstring(L"cmd /cschtasks /Delete /tn \"") + kTaskName + L"\" /F";
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
