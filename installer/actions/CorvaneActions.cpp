// The installer package's custom actions. Each runs one of the programs with the command line the package
// prepared for it (the action's CustomActionData), waits for it, and writes into the installation log its
// exit code with what the code means and every line the program wrote to its standard output, which an action
// that starts a program by itself would not do.
//   RunChecked: a failure fails the installation, which Windows Installer then rolls back ("/install").
//   RunLogged:  a failed program is only logged (the uninstall steps, which must not keep a product installed
//               that cannot run any more, and the rollback steps).
// An action given no command line ran nothing: both fail then, since the step they stand for did not happen.
// Plain buffers only: the library travels inside the package, and the C++ library would triple its size.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <cstring>
#include <cwchar>

#include <AgentExitCodes.h>
#include <VelmoraExitCodes.h>

namespace {

// Longer than any of the programs' runs takes: a program that has not ended by then is ended, with whatever
// it started.
constexpr DWORD kDeadlineMs = 10 * 60 * 1000;
// A command line: two paths and a few words.
constexpr DWORD kCommandChars = 2 * MAX_PATH + 64;
constexpr size_t kMessageChars = kCommandChars + 256;
// What a program may write for the log; anything beyond is dropped.
constexpr DWORD kOutputBytes = 4096;
constexpr DWORD kPollMs = 100;

enum class Outcome { kNoCommand, kFailed, kSucceeded };

// The text is the record's field, not its format template: a "[" in a path is not taken for a property.
void Log(MSIHANDLE install, const wchar_t* text) {
    PMSIHANDLE record = ::MsiCreateRecord(1);
    ::MsiRecordSetStringW(record, 0, L"[1]");
    ::MsiRecordSetStringW(record, 1, text);
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

// Closes a handle when it goes out of scope.
struct Handle {
    HANDLE h = nullptr;
    ~Handle() {
        if (h && h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    }
};

// The program's output so far, appended to `output` up to its capacity.
void Drain(HANDLE pipe, char* output, DWORD& used) {
    DWORD available = 0;
    while (::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        char chunk[512];
        DWORD read = 0;
        if (!::ReadFile(pipe, chunk, available < sizeof chunk ? available : sizeof chunk, &read, nullptr) ||
            read == 0)
            return;
        for (DWORD i = 0; i < read && used + 1 < kOutputBytes; ++i) output[used++] = chunk[i];
    }
}

// Each line the program wrote (UTF-8) as a line of the log.
void LogOutput(MSIHANDLE install, char* output, DWORD used) {
    output[used] = '\0';
    for (char* line = output; *line;) {
        char* end = line;
        while (*end && *end != '\n') ++end;
        const bool last = *end == '\0';
        *end = '\0';
        if (end > line && end[-1] == '\r') end[-1] = '\0';
        const size_t length = std::strlen(line);
        if (length > 0) {
            // One byte gives at most one UTF-16 unit: a line that does not fit is cut.
            const int bytes = static_cast<int>(length < kMessageChars - 1 ? length : kMessageChars - 1);
            wchar_t wide[kMessageChars];
            const int n = ::MultiByteToWideChar(CP_UTF8, 0, line, bytes, wide, bytes);
            wide[n > 0 ? n : 0] = L'\0';
            if (n > 0) Log(install, wide);
        }
        if (last) break;
        line = end + 1;
    }
}

// Starts the program suspended, in a job of its own when the platform allows one here (a job inside the
// installer's own job needs 6.2; before that the program may still break away from it), so that everything it
// starts can be ended with it. Without a job only the program itself can be ended.
bool Start(wchar_t* commandLine, HANDLE output, HANDLE job, PROCESS_INFORMATION& process, bool& inJob) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    const DWORD flags = CREATE_SUSPENDED;
    if (!::CreateProcessW(nullptr, commandLine, nullptr, nullptr, TRUE, flags | CREATE_BREAKAWAY_FROM_JOB,
                          nullptr, nullptr, &startup, &process) &&
        !::CreateProcessW(nullptr, commandLine, nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup,
                          &process))
        return false;
    inJob = job && ::AssignProcessToJobObject(job, process.hProcess);
    ::ResumeThread(process.hThread);
    return true;
}

Outcome RunProgram(MSIHANDLE install) {
    wchar_t commandLine[kCommandChars] = L"";
    DWORD size = kCommandChars;
    wchar_t message[kMessageChars] = L"";
    if (::MsiGetPropertyW(install, L"CustomActionData", commandLine, &size) != ERROR_SUCCESS ||
        commandLine[0] == L'\0') {
        Log(install,
            L"Corvane: the action was given no command line, or one too long: nothing was run, and "
            L"the step fails.");
        return Outcome::kNoCommand;
    }

    // The program's standard output: an inheritable write end for it, the read end for the log.
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    Handle read, write;
    if (!::CreatePipe(&read.h, &write.h, &inheritable, 0)) write.h = nullptr;
    if (read.h) ::SetHandleInformation(read.h, HANDLE_FLAG_INHERIT, 0);

    Handle job;
    job.h = ::CreateJobObjectW(nullptr, nullptr);
    if (job.h) {
        // Closing the job's last handle ends whatever is still in it.
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        ::SetInformationJobObject(job.h, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }

    wchar_t writable[kCommandChars];
    std::wcscpy(writable, commandLine);
    PROCESS_INFORMATION started{};
    bool inJob = false;
    if (!Start(writable, write.h, job.h, started, inJob)) {
        std::swprintf(message, kMessageChars, L"Corvane: %ls could not be started (error %lu).", commandLine,
                      ::GetLastError());
        Log(install, message);
        return Outcome::kFailed;
    }
    Handle process, thread;
    process.h = started.hProcess;
    thread.h = started.hThread;
    ::CloseHandle(write.h);  // the program holds the only write end now: the pipe ends with it
    write.h = nullptr;

    char output[kOutputBytes];
    DWORD used = 0;
    const DWORD start = ::GetTickCount();
    bool ended = false;
    for (;;) {
        ended = ::WaitForSingleObject(process.h, kPollMs) == WAIT_OBJECT_0;
        if (read.h) Drain(read.h, output, used);
        if (ended || ::GetTickCount() - start >= kDeadlineMs) break;
    }
    DWORD code = STILL_ACTIVE;
    if (ended) {
        ::GetExitCodeProcess(process.h, &code);
    } else if (inJob) {
        ::TerminateJobObject(job.h, ERROR_TIMEOUT);
    } else {
        ::TerminateProcess(process.h, ERROR_TIMEOUT);
    }
    LogOutput(install, output, used);
    if (ended)
        std::swprintf(message, kMessageChars, L"Corvane: %ls ended with exit code %lu: %ls.", commandLine,
                      code, Meaning(commandLine, code));
    else
        std::swprintf(message, kMessageChars,
                      L"Corvane: %ls did not end within ten minutes and was ended%ls.", commandLine,
                      inJob ? L", with every program it started" : L"");
    Log(install, message);
    return ended && code == 0 ? Outcome::kSucceeded : Outcome::kFailed;
}

}  // namespace

extern "C" __declspec(dllexport) UINT __stdcall RunChecked(MSIHANDLE install) {
    return RunProgram(install) == Outcome::kSucceeded ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

extern "C" __declspec(dllexport) UINT __stdcall RunLogged(MSIHANDLE install) {
    return RunProgram(install) == Outcome::kNoCommand ? ERROR_INSTALL_FAILURE : ERROR_SUCCESS;
}
