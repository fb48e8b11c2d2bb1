// The application object: one per program, constructed before the entry point runs.
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "handles.h"
#include "text.h"

namespace fw {

class CDialog;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The program's application object.
    static CWinApp* Get() { return s_app; }

    // Start-up; both programs do all their work in it and return FALSE, which ends the process (there is no
    // message loop of the application's own). The base class does the opening both programs share: the
    // common controls.
    virtual BOOL InitInstance();

    // A message box captioned with the application name; an OK-only box gets the warning icon.
    int DoMessageBox(const std::wstring& text, UINT type = MB_OK) const;

    HINSTANCE Instance() const { return m_hInstance; }
    // The command text after the program name and the blanks that follow it.
    const std::wstring& CommandTail() const { return m_strCmdTail; }
    // The executable's base name.
    const std::wstring& AppName() const { return m_strAppName; }
    // What the process ends with: 0 unless a run that reports its outcome (the installer package's) sets it.
    int ExitCode() const { return m_nExitCode; }
    void SetExitCode(int code) { m_nExitCode = code; }

    // Called once by the entry point, before InitInstance.
    void Start(HINSTANCE instance, std::wstring commandTail, std::wstring appName);

    // A library of the system folder, loaded by its full path the first time it is asked for and kept as
    // long as the application object; null when it cannot be loaded. Libraries that are no known system
    // library are bound this way: loaded by name at start-up, a copy planted beside a program started from a
    // folder its user can write would run with the program's rights before any of its code.
    HMODULE SystemLibrary(const wchar_t* name);

protected:
    // Runs the dialog modally; false when it could not be created (no desktop to create it on), its result
    // being of no interest otherwise.
    [[nodiscard]] bool RunMainDialog(CDialog& dlg);

private:
    static CWinApp* s_app;
    HINSTANCE m_hInstance = nullptr;
    std::wstring m_strCmdTail;
    std::wstring m_strAppName;
    int m_nExitCode = 0;
    std::vector<std::pair<std::wstring, CModule>> m_systemLibraries;
};

// Whether a person can answer a message box from this process: not in a service's invisible window station
// (where the installer runs its actions as the system), nor, from 6.0 on, in session 0, which holds services
// only.
bool InteractiveSession();

// One line (UTF-8) for whoever started the program with a place for its output: the installer package logs
// what its runs write there. Nothing happens when the program was given no such place. False when the line
// could not be written whole (the caller's end of a pipe is gone).
bool ReportToCaller(const std::wstring& line);

// The full path of a module (the running executable by default), however long it is.
std::wstring ModulePath(HMODULE module = nullptr);
// The folder of the running executable with its trailing backslash (empty when the path holds none).
// The buffer grows until the whole path fits, however long it is.
std::wstring ModuleDirectory(HMODULE module = nullptr);
// The folder part of a full path, up to and including its last backslash.
std::wstring DirectoryOf(const std::wstring& path);
// The system directory (system32, or what a 32-bit program on 64-bit Windows is redirected from) with a
// trailing backslash: where the system's own tools and libraries are loaded from.
std::wstring SystemDirectory();

// Restricts the process's DLL search to the application's and the system's folders, leaving out the
// current directory and PATH, where the platform offers that (SetDefaultDllDirectories, looked up at run
// time: 5.1, 6.0 and an unpatched 6.1 lack it); elsewhere it takes at least the current directory out of
// the search. Both programs do this first thing at start-up.
// False when neither could be done (the process then goes on with the platform's default search).
bool RestrictDllSearch();
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR);
// The same with the platform's functions given, each null where the system lacks it.
[[nodiscard]] bool RestrictDllSearchWith(SetDefaultDllDirectoriesFn setDefaultDllDirectories,
                                         SetDllDirectoryFn setDllDirectory);

}  // namespace fw
