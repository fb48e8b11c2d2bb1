#include "childprocess.h"

#include <vector>

#include "handles.h"

namespace fw {

namespace {
// A started child's handles. Each is only a reference to the child: closing one ends nothing, so the order
// they are closed in (the process handle first: members go in reverse order) does not matter to the child.
struct Child {
    CKernelHandle thread;
    CKernelHandle process;
};

bool Start(const std::wstring& commandLine, const ChildOptions& options, Child& child) {
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (options.hideWindow) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
    }
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(options.application, writable.data(), nullptr, nullptr, FALSE,
                          options.creationFlags, nullptr, nullptr, &startup, &info))
        return false;
    child.thread.Reset(info.hThread);
    child.process.Reset(info.hProcess);
    return true;
}
}  // namespace

bool StartChild(const std::wstring& commandLine, const ChildOptions& options) {
    Child child;
    return Start(commandLine, options, child);
}

bool RunChildAndWait(const std::wstring& commandLine, const ChildOptions& options, DWORD* waitResult,
                     DWORD* exitCode) {
    Child child;
    if (!Start(commandLine, options, child)) return false;
    const DWORD wait = ::WaitForSingleObject(child.process.Get(), INFINITE);
    if (waitResult) *waitResult = wait;
    if (exitCode && !::GetExitCodeProcess(child.process.Get(), exitCode)) *exitCode = STILL_ACTIVE;
    return wait == WAIT_OBJECT_0;
}

namespace {
bool IsInput(UINT msg) {
    return (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) || (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) ||
           (msg >= WM_NCMOUSEMOVE && msg <= WM_NCXBUTTONDBLCLK);
}
}  // namespace

bool PumpUntilSignalled(HANDLE object, DWORD* waitResult) {
    bool quit = false;
    int quitCode = 0;
    DWORD wait;
    while ((wait = ::MsgWaitForMultipleObjects(1, &object, FALSE, INFINITE, QS_ALLINPUT)) ==
           WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = static_cast<int>(msg.wParam);
            } else if (!IsInput(msg.message)) {
                ::DispatchMessageW(&msg);
            }
        }
    }
    if (quit) ::PostQuitMessage(quitCode);
    if (waitResult) *waitResult = wait;
    return wait == WAIT_OBJECT_0;
}

bool RunChildPumping(const std::wstring& commandLine, const ChildOptions& options, DWORD* waitResult) {
    Child child;
    return Start(commandLine, options, child) && PumpUntilSignalled(child.process.Get(), waitResult);
}

}  // namespace fw
