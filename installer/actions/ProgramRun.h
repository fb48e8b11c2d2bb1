// One run of a program for the installer package: started with only its output pipe to inherit, in a job of
// its own, awaited up to a deadline (then ended with whatever it started), and reported line by line: what
// it wrote to its standard output, then its exit code with what the code means. No Windows Installer calls
// here: the custom actions hand it their log, and a test program drives it the same way with a short
// deadline. Plain buffers only: the library travels inside the package, and the C++ library would triple
// its size.
#pragma once
#include <windows.h>

namespace actions {

// A command line: two paths and a few words.
constexpr DWORD kCommandChars = 2 * MAX_PATH + 64;
// What a program may write for the log; the rest is read and dropped, and the log says how much.
constexpr DWORD kOutputBytes = 4096;

enum class Outcome {
    kNoCommand,  // nothing was run: no command line, or one that names no program
    kFailed,     // the program could not be started, ended with a non-zero code, or was ended at the deadline
    kSucceeded,  // the program ended with 0
};

// Where the report goes, one line at a time.
using LogLine = void (*)(void* context, const wchar_t* text);

// Runs the command line (at most kCommandChars characters; its first word, quoted or not, names the
// program) and waits up to `deadlineMs` for it.
[[nodiscard]] Outcome RunProgram(const wchar_t* commandLine, DWORD deadlineMs, LogLine log, void* context);

}  // namespace actions
