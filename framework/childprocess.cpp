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

namespace {
bool IsInput(UINT msg) {
    return (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) || (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) ||
           (msg >= WM_NCMOUSEMOVE && msg <= WM_NCXBUTTONDBLCLK);
}
}  // namespace

bool RunChildPumping(const std::wstring& commandLine, const ChildOptions& options, DWORD* waitResult) {
    PROCESS_INFORMATION info{};
    if (!Start(commandLine, options, info)) return false;
    CKernelHandle thread(info.hThread);
    CKernelHandle process(info.hProcess);
    HANDLE child = process.Get();
    bool quit = false;
    int quitCode = 0;
    DWORD wait;
    while ((wait = ::MsgWaitForMultipleObjects(1, &child, FALSE, INFINITE, QS_ALLINPUT)) ==
           WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;  // for the loop that waits for it, once the child has ended
                quitCode = static_cast<int>(msg.wParam);
            } else if (!IsInput(msg.message)) {
                ::DispatchMessageW(&msg);
            }
        }
    }
    if (quit) ::PostQuitMessage(quitCode);
    if (waitResult) *waitResult = wait;
    return true;
}

}  // namespace fw
