// The installer package's custom actions. Each runs one of the programs with the command line the package
// prepared for it (the action's CustomActionData), waits for it, and writes into the installation log its
// exit code with what the code means and every line the program wrote to its standard output, which an action
// that starts a program by itself would not do (ProgramRun.h).
//   RunChecked: a failure fails the installation, which Windows Installer then rolls back ("/install").
//   RunLogged:  a failed program is only logged (the uninstall steps, which must not keep a product installed
//               that cannot run any more, and the rollback steps).
//   CheckQuickResume: the QUICKRESUME property, when given, is ON or OFF (in any letter case); any other
//   value
//               stops the installation before anything changes, and the log says why.
// An action given no command line, or one that names no program, ran nothing: both fail then, since the step
// they stand for did not happen.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include "ProgramRun.h"

namespace {

// Longer than any of the programs' runs takes: a program that has not ended by then is ended, with whatever
// it started.
constexpr DWORD kDeadlineMs = 10 * 60 * 1000;

// One line of the installation log. The text is the record's field, not its format template: a "[" in a path
// is not taken for a property.
void Log(void* context, const wchar_t* text) {
    const MSIHANDLE install = *static_cast<const MSIHANDLE*>(context);
    PMSIHANDLE record = ::MsiCreateRecord(1);
    if (!record || ::MsiRecordSetStringW(record, 0, L"[1]") != ERROR_SUCCESS ||
        ::MsiRecordSetStringW(record, 1, text) != ERROR_SUCCESS)
        return;
    // The log is the package's only diagnostic channel: a line it refuses can be told nowhere else, and the
    // step's outcome stands by the program's exit code all the same.
    (void)::MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
}

[[nodiscard]] actions::Outcome Run(MSIHANDLE install) {
    wchar_t commandLine[actions::kCommandChars] = L"";
    DWORD size = actions::kCommandChars;
    // A command line too long for the buffer counts as none: a cut one would run something else.
    if (::MsiGetPropertyW(install, L"CustomActionData", commandLine, &size) != ERROR_SUCCESS)
        commandLine[0] = L'\0';
    return actions::RunProgram(commandLine, kDeadlineMs, Log, &install);
}

}  // namespace

extern "C" __declspec(dllexport) UINT __stdcall RunChecked(MSIHANDLE install) {
    return Run(install) == actions::Outcome::kSucceeded ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

extern "C" __declspec(dllexport) UINT __stdcall RunLogged(MSIHANDLE install) {
    return Run(install) == actions::Outcome::kNoCommand ? ERROR_INSTALL_FAILURE : ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) UINT __stdcall CheckQuickResume(MSIHANDLE install) {
    wchar_t value[64] = L"";
    DWORD size = 64;
    const UINT read = ::MsiGetPropertyW(install, L"QUICKRESUME", value, &size);
    if (read == ERROR_SUCCESS &&
        (value[0] == L'\0' || ::lstrcmpiW(value, L"ON") == 0 || ::lstrcmpiW(value, L"OFF") == 0))
        return ERROR_SUCCESS;
    // Built by hand: the library links no C++ string support, to stay small.
    wchar_t line[160] = L"Corvane: QUICKRESUME must be ON or OFF, not \"";
    ::lstrcatW(line, read == ERROR_SUCCESS ? value : L"(a value too long to show)");
    ::lstrcatW(line, L"\"; nothing was installed.");
    Log(&install, line);
    return ERROR_INSTALL_FAILURE;
}
