#include "childprocess.h"

#include <vector>

#include "handles.h"

namespace fw {

namespace {
bool Start(const std::wstring& commandLine, const ChildOptions& options, PROCESS_INFORMATION& info) {
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (options.hideWindow) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
    }
    return ::CreateProcessW(options.application, writable.data(), nullptr, nullptr, FALSE,
                            options.creationFlags, nullptr, nullptr, &startup, &info) != FALSE;
}
}  // namespace

bool StartChild(const std::wstring& commandLine, const ChildOptions& options) {
    PROCESS_INFORMATION info{};
    if (!Start(commandLine, options, info)) return false;
    CKernelHandle thread(info.hThread);
    CKernelHandle process(info.hProcess);
    return true;
}

bool RunChildAndWait(const std::wstring& commandLine, const ChildOptions& options, DWORD* waitResult,
                     DWORD* exitCode) {
    PROCESS_INFORMATION info{};
    if (!Start(commandLine, options, info)) return false;
    // Declared in this order so the process handle is closed first, then the thread handle.
    CKernelHandle thread(info.hThread);
    CKernelHandle process(info.hProcess);
    const DWORD wait = ::WaitForSingleObject(process.Get(), INFINITE);
    if (waitResult) *waitResult = wait;
    if (exitCode && !::GetExitCodeProcess(process.Get(), exitCode)) *exitCode = STILL_ACTIVE;
    return true;
}

}  // namespace fw
