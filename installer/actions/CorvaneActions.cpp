// The installer package's custom actions. Each runs one of the programs with the command line the package
// prepared for it (the action's CustomActionData), waits for it, and writes its exit code and what the code
// means into the installation log, which an action that starts a program by itself would not do.
//   RunChecked: a failure fails the installation, which Windows Installer then rolls back ("/install").
//   RunLogged:  a failure is only logged (the uninstall steps, which must not keep a product installed that
//               cannot run any more, and the rollback steps).
// Plain buffers only: the library travels inside the package, and the C++ library would triple its size.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <cwchar>

#include "../../agent/AgentExitCodes.h"
#include "../../settings/VelmoraExitCodes.h"

namespace {

// Longer than any of the programs' runs takes: a program that has not ended by then is ended.
constexpr DWORD kDeadlineMs = 10 * 60 * 1000;
// A command line: two paths and a few words.
constexpr DWORD kCommandChars = 2 * MAX_PATH + 64;
constexpr size_t kMessageChars = kCommandChars + 256;

void Log(MSIHANDLE install, const wchar_t* text) {
    PMSIHANDLE record = ::MsiCreateRecord(0);
    ::MsiRecordSetStringW(record, 0, text);
    ::MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
}

// What the program's exit code means, by the file name of the command line's first (quoted) word.
const wchar_t* Meaning(const wchar_t* commandLine, DWORD code) {
    const wchar_t* end = commandLine[0] == L'"' ? std::wcschr(commandLine + 1, L'"') : nullptr;
    const size_t length = end ? static_cast<size_t>(end - commandLine) : std::wcslen(commandLine);
    auto names = [&](const wchar_t* program) {
        const size_t n = std::wcslen(program);
        return length >= n && _wcsnicmp(commandLine + length - n, program, n) == 0;
    };
    if (names(L"\\Oskavel3.exe")) return agent_exit::Meaning(static_cast<int>(code));
    if (names(L"\\Velmora.exe")) return velmora_exit::Meaning(static_cast<int>(code));
    return L"";
}

// Runs the action's command line; true when the program ended with 0.
bool RunProgram(MSIHANDLE install) {
    wchar_t commandLine[kCommandChars] = L"";
    DWORD size = kCommandChars;
    wchar_t message[kMessageChars] = L"";
    if (::MsiGetPropertyW(install, L"CustomActionData", commandLine, &size) != ERROR_SUCCESS ||
        commandLine[0] == L'\0') {
        Log(install, L"Corvane: the action was given no command line, or one too long.");
        return false;
    }
    wchar_t writable[kCommandChars];
    std::wcscpy(writable, commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, writable, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        std::swprintf(message, kMessageChars, L"Corvane: %ls could not be started (error %lu).", commandLine,
                      ::GetLastError());
        Log(install, message);
        return false;
    }
    ::CloseHandle(process.hThread);
    DWORD code = STILL_ACTIVE;
    const bool ended = ::WaitForSingleObject(process.hProcess, kDeadlineMs) == WAIT_OBJECT_0;
    if (ended)
        ::GetExitCodeProcess(process.hProcess, &code);
    else
        ::TerminateProcess(process.hProcess, ERROR_TIMEOUT);
    ::CloseHandle(process.hProcess);
    if (ended)
        std::swprintf(message, kMessageChars, L"Corvane: %ls ended with exit code %lu: %ls.", commandLine,
                      code, Meaning(commandLine, code));
    else
        std::swprintf(message, kMessageChars, L"Corvane: %ls did not end within ten minutes and was ended.",
                      commandLine);
    Log(install, message);
    return ended && code == 0;
}

}  // namespace

extern "C" __declspec(dllexport) UINT __stdcall RunChecked(MSIHANDLE install) {
    return RunProgram(install) ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

extern "C" __declspec(dllexport) UINT __stdcall RunLogged(MSIHANDLE install) {
    RunProgram(install);
    return ERROR_SUCCESS;
}
