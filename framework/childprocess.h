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
// environment and current directory, and waits for the child to end. False when it could not be started;
// `waitResult` then stays untouched. The child's exit code is read only for a caller that asks for it.
bool RunChildAndWait(const std::wstring& commandLine, const ChildOptions& options,
                     DWORD* waitResult = nullptr, DWORD* exitCode = nullptr);

// Starts the command line the same way and waits for the child while the calling thread's windows go on
// working: sent messages are answered and posted ones dispatched, so the windows stay painted and never read
// as hung, except keyboard and mouse input, which is dropped (nothing the user does meanwhile acts later).
// For a thread with windows; a thread that must not run its windows' code meanwhile uses RunChildAndWait.
bool RunChildPumping(const std::wstring& commandLine, const ChildOptions& options,
                     DWORD* waitResult = nullptr);

// Starts the command line the same way and lets the child run on its own; false when it could not be started.
bool StartChild(const std::wstring& commandLine, const ChildOptions& options);

}  // namespace fw
