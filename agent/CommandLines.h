// The system tools the agent starts and the command lines they receive, and the rules that keep text placed
// between double quotes from changing what the tool reads. Pure, so they also build and are fuzzed natively.
#pragma once
#include <optional>
#include <string>

// One start of a system tool. The agent runs elevated (the package's runs, the logon task), so the tool is
// never looked up: it is the file `tool` in the system directory, started as the application itself, with
// no cmd in between (cmd would first run the user's AutoRun command and search the current folder, PATH and
// PATHEXT, all of which the user controls). `commandLine` is what the tool receives, its own name first,
// the same text it received when cmd started it.
struct ToolCommand {
    std::wstring tool;
    std::wstring commandLine;
    bool operator==(const ToolCommand& other) const {
        return tool == other.tool && commandLine == other.commandLine;
    }
};

// A character that would make cmd split or expand text even between double quotes: the quote itself, % and
// ! (environment and delayed expansion) and the control characters (CR and LF end a command). Such text is
// still kept off the command lines, so a tool reads exactly what it read when cmd started it.
bool IsCmdSpecialInQuotes(wchar_t c);

// A plan name or description goes between double quotes: a quote of its own becomes an apostrophe, %, !
// and control characters become a blank, and backslashes at its end are doubled so the closing quote stays
// a quote for the tool's argument parser (a lone `\"` reads as a literal quote).
std::wstring QuoteSafePlanText(const std::wstring& text);

// powercfg -changename <guid> "<name>" "<description>"
ToolCommand BuildRenameCommand(const std::wstring& guidText, const std::wstring& name,
                               const std::wstring& description);

// A device name that is empty, holds a double quote, %, ! or a control character, or ends in a backslash
// (which would swallow the closing quote and merge it with whatever follows) gets no command.
bool IsUsableDeviceName(const std::wstring& name);
// powercfg.exe -deviceenablewake "<name>"
ToolCommand BuildWakeCommand(const std::wstring& deviceName);

// schtasks /create /XML "<definition>" /tn "Oskavel" /F: registers the task from the definition file,
// replacing a task of that name in the same step. A path holding a double quote (no file's does) gets no
// command.
std::optional<ToolCommand> BuildCreateTaskCommand(const std::wstring& definition);
ToolCommand BuildDeleteTaskCommand();
