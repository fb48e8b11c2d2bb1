#include "ProgramRun.h"

#include <ExitCodes.h>

#include <cstring>
#include <cwchar>

namespace actions {
namespace {

constexpr size_t kMessageChars = kCommandChars + 256;
constexpr DWORD kPollMs = 100;
// Room in the pipe for a program's whole report, so that it rarely waits for the next poll.
constexpr DWORD kPipeBytes = 64 * 1024;

// Closes a handle when it goes out of scope.
struct Handle {
    HANDLE h = nullptr;
    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Close(); }
    void Close() {
        // Fails only for a handle that is no longer valid, which leaves nothing to release.
        if (h && h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
        h = nullptr;
    }
};

// The report's lines.
class Report {
public:
    Report(LogLine log, void* context) : m_log(log), m_context(context) {}
    void Line(const wchar_t* text) const { m_log(m_context, text); }
    template <class... Args>
    void Format(const wchar_t* format, Args... args) const {
        wchar_t message[kMessageChars];
        const int n = std::swprintf(message, kMessageChars, format, args...);
        // The buffer holds a command line and a sentence about it; a longer line is cut, never dropped.
        message[n < 0 ? kMessageChars - 1 : static_cast<size_t>(n)] = L'\0';
        Line(message);
    }

private:
    LogLine m_log;
    void* m_context;
};

// The program a command line names: its first word, without the quotes around it.
struct Word {
    const wchar_t* start;
    size_t length;
};
Word ProgramOf(const wchar_t* commandLine) {
    if (commandLine[0] == L'"') {
        const wchar_t* end = std::wcschr(commandLine + 1, L'"');
        return {commandLine + 1,
                end ? static_cast<size_t>(end - commandLine - 1) : std::wcslen(commandLine + 1)};
    }
    return {commandLine, std::wcscspn(commandLine, L" \t")};
}

// What the program's exit code means, by the program's file name.
const wchar_t* Meaning(const wchar_t* commandLine, DWORD code) {
    const Word program = ProgramOf(commandLine);
    auto names = [&](const wchar_t* name) {
        const size_t n = std::wcslen(name);
        return program.length >= n && _wcsnicmp(program.start + program.length - n, name, n) == 0;
    };
    if (names(L"\\Oskavel3.exe")) return agent_exit::Meaning(static_cast<int>(code));
    if (names(L"\\Velmora.exe")) return velmora_exit::Meaning(static_cast<int>(code));
    return L"";
}

// What the program wrote: the first kOutputBytes bytes, kept for the log, and how many more there were.
struct Output {
    char bytes[kOutputBytes + 1];
    DWORD used = 0;
    DWORD dropped = 0;
};

// Everything the pipe holds now. Reading goes on past the cap, so that a program that writes much is never
// stopped by a full pipe.
void Drain(HANDLE pipe, Output& output) {
    DWORD available = 0;
    while (::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        char chunk[512];
        DWORD read = 0;
        if (!::ReadFile(pipe, chunk, available < sizeof chunk ? available : sizeof chunk, &read, nullptr) ||
            read == 0)
            return;
        for (DWORD i = 0; i < read; ++i) {
            if (output.used < kOutputBytes)
                output.bytes[output.used++] = chunk[i];
            else
                ++output.dropped;
        }
    }
}

// Each line the program wrote (UTF-8) as a line of the log.
void LogOutput(const Report& report, Output& output) {
    output.bytes[output.used] = '\0';
    for (char* line = output.bytes; *line;) {
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
            if (n > 0) {
                wide[n] = L'\0';
                report.Line(wide);
            }
        }
        if (last) break;
        line = end + 1;
    }
    if (output.dropped > 0)
        report.Format(L"Corvane: %lu more bytes of output are not in the log.", output.dropped);
}

// The attribute list that lets a program inherit the one handle given and nothing else: an inheriting start
// without it hands the program every inheritable handle of the installer's process.
class InheritOnly {
public:
    explicit InheritOnly(HANDLE* handle) {
        SIZE_T size = 0;
        // Asked for its size only, the call fails with ERROR_INSUFFICIENT_BUFFER by design.
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        if (size == 0 || size > sizeof m_storage) return;
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_storage);
        if (!::InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
        if (!::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handle, sizeof *handle,
                                         nullptr, nullptr)) {
            ::DeleteProcThreadAttributeList(list);
            return;
        }
        m_list = list;
    }
    ~InheritOnly() {
        if (m_list) ::DeleteProcThreadAttributeList(m_list);
    }
    InheritOnly(const InheritOnly&) = delete;
    InheritOnly& operator=(const InheritOnly&) = delete;
    LPPROC_THREAD_ATTRIBUTE_LIST Get() const { return m_list; }

private:
    alignas(void*) unsigned char m_storage[256];
    LPPROC_THREAD_ATTRIBUTE_LIST m_list = nullptr;
};

struct Started {
    Handle process, thread;
    bool inJob = false;
    bool captured = false;  // its standard output and error go to the pipe
    DWORD error = 0;        // why it could not be started
};

// Starts the program suspended, in a job of its own when the platform allows one here (a job inside the
// installer's own job needs 6.2; before that the program may still break away from it), so that everything
// it starts can be ended with it; then lets it run. Without a job only the program itself can be ended.
[[nodiscard]] bool Start(wchar_t* commandLine, HANDLE output, HANDLE job, Started& started) {
    HANDLE inherited = output;
    const InheritOnly only(&inherited);
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    DWORD flags = CREATE_SUSPENDED;
    BOOL inherit = FALSE;
    if (output && only.Get()) {
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdOutput = output;
        startup.StartupInfo.hStdError = output;
        startup.lpAttributeList = only.Get();
        flags |= EXTENDED_STARTUPINFO_PRESENT;
        inherit = TRUE;
        started.captured = true;
    }
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, commandLine, nullptr, nullptr, inherit, flags | CREATE_BREAKAWAY_FROM_JOB,
                          nullptr, nullptr, &startup.StartupInfo, &info) &&
        !::CreateProcessW(nullptr, commandLine, nullptr, nullptr, inherit, flags, nullptr, nullptr,
                          &startup.StartupInfo, &info)) {
        started.error = ::GetLastError();
        return false;
    }
    started.process.h = info.hProcess;
    started.thread.h = info.hThread;
    started.inJob = job && ::AssignProcessToJobObject(job, info.hProcess);
    if (::ResumeThread(info.hThread) == static_cast<DWORD>(-1)) {
        started.error = ::GetLastError();
        // A program that never ran must not stay behind, suspended; should it not end here, closing its job
        // ends it where it is in one, and the step fails either way.
        (void)::TerminateProcess(info.hProcess, ERROR_PROCESS_ABORTED);
        return false;
    }
    return true;
}

}  // namespace

Outcome RunProgram(const wchar_t* commandLine, DWORD deadlineMs, LogLine log, void* context) {
    const Report report(log, context);
    const size_t length = commandLine ? wcsnlen(commandLine, kCommandChars) : 0;
    if (length == 0 || length == kCommandChars) {
        report.Line(
            L"Corvane: the action was given no command line, or one too long: nothing was run, and the step "
            L"fails.");
        return Outcome::kNoCommand;
    }
    // A property a command line is made of that resolved to nothing, e.g. "" /uninstall.
    if (ProgramOf(commandLine).length == 0) {
        report.Format(
            L"Corvane: the action's command line %ls names no program: nothing was run, and the step "
            L"fails.",
            commandLine);
        return Outcome::kNoCommand;
    }

    // The program's standard output: a pipe whose write end alone is inheritable, the read end for the log.
    Handle read, write;
    if (!::CreatePipe(&read.h, &write.h, nullptr, kPipeBytes) ||
        !::SetHandleInformation(write.h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
        const DWORD error = ::GetLastError();
        read.Close();
        write.Close();
        report.Format(
            L"Corvane: no pipe for the output of %ls (error %lu): what it writes is not in the log.",
            commandLine, error);
    }

    Handle job;
    job.h = ::CreateJobObjectW(nullptr, nullptr);
    if (job.h) {
        // Closing the job's last handle ends whatever is still in it; a job that would not do so is no better
        // than none.
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!::SetInformationJobObject(job.h, JobObjectExtendedLimitInformation, &limits, sizeof limits))
            job.Close();
    }

    wchar_t writable[kCommandChars];
    std::wcscpy(writable, commandLine);
    Started started;
    if (!Start(writable, write.h, job.h, started)) {
        report.Format(L"Corvane: %ls could not be started (error %lu).", commandLine, started.error);
        return Outcome::kFailed;
    }
    write.Close();  // the program holds the only write end now: the pipe ends with it
    if (read.h && !started.captured) {
        read.Close();
        report.Format(
            L"Corvane: %ls runs without its output in the log: it could not be given its pipe alone.",
            commandLine);
    }

    Output output;
    const DWORD start = ::GetTickCount();
    DWORD wait = WAIT_TIMEOUT;
    DWORD error = 0;
    for (;;) {
        wait = ::WaitForSingleObject(started.process.h, kPollMs);
        if (wait == WAIT_FAILED) error = ::GetLastError();
        if (read.h) Drain(read.h, output);
        if (wait != WAIT_TIMEOUT || ::GetTickCount() - start >= deadlineMs) break;
    }
    const bool ended = wait == WAIT_OBJECT_0;
    DWORD code = STILL_ACTIVE;
    bool codeRead = false, stopped = false;
    if (ended) {
        codeRead = ::GetExitCodeProcess(started.process.h, &code);
        if (!codeRead) error = ::GetLastError();
    } else {
        stopped = started.inJob ? ::TerminateJobObject(job.h, ERROR_TIMEOUT)
                                : ::TerminateProcess(started.process.h, ERROR_TIMEOUT);
        if (!stopped) error = ::GetLastError();
        if (read.h) Drain(read.h, output);
    }
    LogOutput(report, output);

    const wchar_t* all = started.inJob ? L", with every program it started" : L"";
    const wchar_t* meaning = codeRead ? Meaning(commandLine, code) : L"";
    if (codeRead)
        report.Format(L"Corvane: %ls ended with exit code %lu%ls%ls.", commandLine, code,
                      *meaning ? L": " : L"", meaning);
    else if (ended)
        report.Format(L"Corvane: %ls ended, but its exit code could not be read (error %lu).", commandLine,
                      error);
    else if (!stopped)
        report.Format(L"Corvane: %ls did not end in time and could not be ended (error %lu).", commandLine,
                      error);
    else if (wait == WAIT_TIMEOUT)
        report.Format(L"Corvane: %ls did not end within %lu seconds and was ended%ls.", commandLine,
                      deadlineMs / 1000, all);
    else
        report.Format(L"Corvane: %ls could not be waited for (error %lu) and was ended%ls.", commandLine,
                      error, all);
    return codeRead && code == 0 ? Outcome::kSucceeded : Outcome::kFailed;
}

}  // namespace actions
