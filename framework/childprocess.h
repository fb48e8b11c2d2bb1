// The one way both programs start a system tool: a child process, awaited without a time limit (or, for a
// viewer, left to run on its own).
#pragma once
#include <windows.h>

#include <string>

namespace fw {

struct ChildOptions {
    // Full path of the program to start, or null: the command line's first word then names it.
    const wchar_t* application = nullptr;
    DWORD creationFlags = 0;
    // Start-up show state SW_HIDE (STARTF_USESHOWWINDOW); otherwise the start-up record is all zero.
    bool hideWindow = false;
};

// Starts the command line as given (the platform call gets a private, writable copy), in the program's own
// environment and current directory, and waits for the child to end. False when it could not be started or
// could not be waited for (it may then still run); `waitResult` holds the wait's result once the child was
// started. The child's exit code is read only for a caller that asks for it.
[[nodiscard]] bool RunChildAndWait(const std::wstring& commandLine, const ChildOptions& options,
                                   DWORD* waitResult = nullptr, DWORD* exitCode = nullptr);

// Starts the command line the same way and waits for the child while the calling thread's windows go on
// working (PumpUntilSignalled). False as for RunChildAndWait. For a thread with windows; a thread that must
// not run its windows' code meanwhile uses RunChildAndWait.
[[nodiscard]] bool RunChildPumping(const std::wstring& commandLine, const ChildOptions& options,
                                   DWORD* waitResult = nullptr);

// Waits until the object is signalled while the calling thread's windows go on working: sent messages are
// answered and posted ones dispatched, so the windows stay painted and never read as hung, except keyboard
// and mouse input, which is dropped (nothing the user does meanwhile acts later). A WM_QUIT met meanwhile is
// posted again afterwards, for the loop that waits for it. False when the wait failed.
[[nodiscard]] bool PumpUntilSignalled(HANDLE object, DWORD* waitResult = nullptr);

// Starts the command line the same way and lets the child run on its own; false when it could not be started.
[[nodiscard]] bool StartChild(const std::wstring& commandLine, const ChildOptions& options);

}  // namespace fw
