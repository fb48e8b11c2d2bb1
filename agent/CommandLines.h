// The command lines the agent hands to cmd, and the rules that keep text placed between their double quotes
// from changing what cmd runs. Pure, so they also build and are fuzzed natively.
#pragma once
#include <cstddef>
#include <string>

// A character that would make cmd split or expand text even between double quotes: the quote itself, % and
// ! (environment and delayed expansion) and the control characters (CR and LF end a command).
bool IsCmdSpecialInQuotes(wchar_t c);

// A plan name or description goes between double quotes on a cmd line: a quote of its own becomes an
// apostrophe, %, ! and control characters become a blank.
std::wstring QuoteSafePlanText(const std::wstring& text);

// cmd /cpowercfg -changename <guid> "<name>" "<description>"
std::wstring BuildRenameCommand(const std::wstring& guidText, const std::wstring& name,
                                const std::wstring& description);

// A device name that is empty, or holds a double quote, %, ! or a control character, gets no command.
bool IsUsableDeviceName(const std::wstring& name);
// cmd.exe /cpowercfg.exe -deviceenablewake "<name>"
std::wstring BuildWakeCommand(const std::wstring& deviceName);

// The scheduled task's command lines, before environment expansion.
std::wstring BuildCreateTaskCommand();
std::wstring BuildDeleteTaskCommand();

// True when the line holds exactly `quotes` double quotes and nothing between them that cmd would expand
// or split at: what an expanded line must look like before it is run.
bool QuotesHoldOnlyPlainText(const std::wstring& line, size_t quotes);

// The line's first word is cmd or cmd.exe (in any letter case): the agent starts the system's own.
bool StartsWithCmd(const std::wstring& line);
