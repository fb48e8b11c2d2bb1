// The logon task's definition names the program it starts by its full path. Task Scheduler expands variables
// in a task's command in the environment of the user who signs in, which that user sets (HKCU\Environment),
// and the task runs with the user's highest rights: a command such as %ProgramFiles(x86)%\... would let any
// program of an administrator choose what runs elevated at the next logon. The path is known only once the
// agent is installed, so "/install" writes it into the definition beside the agent. Pure, so it also builds
// and is fuzzed natively.
#pragma once
#include <optional>
#include <string>

// The definition (its XML text) with the text of its <Command> element replaced by `program`, escaped for
// XML; nothing when the definition has no such element.
std::optional<std::wstring> TaskDefinitionWithCommand(const std::wstring& definition,
                                                      const std::wstring& program);

// Text as XML element content: &, < and > as their entities.
std::wstring XmlEscaped(const std::wstring& text);
