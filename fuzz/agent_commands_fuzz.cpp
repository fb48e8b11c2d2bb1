// The agent's tool command lines, read back the way the tools' C runtime splits a command line into
// arguments (CommandLineToArgvW's rules, written out here on their own): every line gives exactly the
// arguments it stands for, the given text arrives whole in its own argument, and whatever could have been
// expanded or split on the way is gone.
#include <vector>

#include "agent/CommandLines.h"
#include "agent/GuidText.h"
#include "agent/TaskDefinition.h"
#include "framework/text.h"
#include "wide_input.h"

namespace {

using Args = std::vector<std::wstring>;

// Blanks and tabs separate arguments outside quotes; 2n backslashes before a quote give n and the quote opens
// or closes quoting, 2n+1 give n and a literal quote; other backslashes are literal.
Args SplitArguments(const std::wstring& line) {
    Args args;
    std::wstring current;
    bool inArgument = false, quoted = false;
    for (size_t i = 0; i < line.size();) {
        const wchar_t c = line[i];
        if (!quoted && (c == L' ' || c == L'\t')) {
            if (inArgument) args.push_back(current);
            current.clear();
            inArgument = false;
            ++i;
            continue;
        }
        inArgument = true;
        if (c == L'\\') {
            size_t n = 0;
            while (i < line.size() && line[i] == L'\\') ++n, ++i;
            if (i < line.size() && line[i] == L'"') {
                current.append(n / 2, L'\\');
                if (n % 2 == 1) {
                    current.push_back(L'"');
                    ++i;
                }
            } else {
                current.append(n, L'\\');
            }
        } else if (c == L'"') {
            quoted = !quoted;
            ++i;
        } else {
            current.push_back(c);
            ++i;
        }
    }
    if (inArgument) args.push_back(current);
    return args;
}

// Nothing a shell or a parser would act on: no quote, no expansion (% and !), no line end or other control
// character.
bool Inert(const std::wstring& text) {
    for (wchar_t c : text)
        if (c == L'"' || c == L'%' || c == L'!' || c < 0x20 || (c >= 0x7F && c <= 0x9F)) return false;
    return true;
}

// The text as given, but for characters that were not inert, each replaced by a blank or an apostrophe.
bool KeptExceptUnsafe(const std::wstring& given, const std::wstring& arrived) {
    if (given.size() != arrived.size() || !Inert(arrived)) return false;
    for (size_t i = 0; i < given.size(); ++i) {
        if (arrived[i] != given[i] &&
            (Inert(std::wstring(1, given[i])) || (arrived[i] != L' ' && arrived[i] != L'\'')))
            return false;
    }
    return true;
}

// XML's reading of element text holding only the three entities the writer uses.
std::wstring XmlUnescaped(const std::wstring& text) {
    std::wstring plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 5, L"&amp;") == 0) {
            plain += L'&';
            i += 4;
        } else if (text.compare(i, 4, L"&lt;") == 0) {
            plain += L'<';
            i += 3;
        } else if (text.compare(i, 4, L"&gt;") == 0) {
            plain += L'>';
            i += 3;
        } else {
            plain += text[i];
        }
    }
    return plain;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::wstring guid = fuzz::ConsumeWide(input, 40);
    const std::wstring name = fuzz::ConsumeWide(input, 300);
    const std::wstring description = fuzz::ConsumeWide(input, 300);
    const std::wstring folder = fuzz::ConsumeWide(input, 300);

    // Rename: only a GUID text is given (the caller checks it); the name and description arrive whole.
    const std::wstring id = fw::IsGuidText(guid) ? guid : L"381b4222-f694-41f0-9685-ff5bb260df2e";
    const ToolCommand rename = BuildRenameCommand(id, name, description);
    const Args renamed = SplitArguments(rename.commandLine);
    FUZZ_CHECK(rename.tool == L"powercfg.exe", rename.commandLine);
    FUZZ_CHECK(
        renamed.size() == 5 && renamed[0] == L"powercfg" && renamed[1] == L"-changename" && renamed[2] == id,
        rename.commandLine);
    FUZZ_CHECK(KeptExceptUnsafe(name, renamed[3]), rename.commandLine);
    FUZZ_CHECK(KeptExceptUnsafe(description, renamed[4]), rename.commandLine);

    // Wake: a usable name arrives as it is, in one argument; any other gets no command.
    if (IsUsableDeviceName(name)) {
        const ToolCommand wake = BuildWakeCommand(name);
        FUZZ_CHECK(wake.tool == L"powercfg.exe", wake.commandLine);
        FUZZ_CHECK((SplitArguments(wake.commandLine) == Args{L"powercfg.exe", L"-deviceenablewake", name}),
                   wake.commandLine);
        FUZZ_CHECK(Inert(name), name);
    } else {
        FUZZ_CHECK(name.empty() || !Inert(name) || name.back() == L'\\', name);
    }

    // Task: the definition beside the agent, in a folder of any name. A path no file can have (one holding a
    // quote) gets no command; any other arrives whole in its own argument.
    const std::wstring definition = folder + L"\\Oskavel.xml";
    if (const std::optional<ToolCommand> task = BuildCreateTaskCommand(definition)) {
        FUZZ_CHECK(task->tool == L"schtasks.exe", task->commandLine);
        FUZZ_CHECK((SplitArguments(task->commandLine) ==
                    Args{L"schtasks", L"/create", L"/XML", definition, L"/tn", L"Oskavel", L"/F"}),
                   task->commandLine);
    } else {
        FUZZ_CHECK(definition.find(L'"') != std::wstring::npos, definition);
    }

    // The task definition: the program's path arrives as the <Command> text, and XML reads it back whole.
    const std::wstring xml = L"<Task><Exec><Command>Oskavel3.exe</Command></Exec></Task>";
    const std::optional<std::wstring> named = TaskDefinitionWithCommand(xml, folder);
    FUZZ_CHECK(named.has_value(), folder);
    const size_t open = named->find(L"<Command>") + 9;
    const std::wstring text = named->substr(open, named->rfind(L"</Command>") - open);
    FUZZ_CHECK(text.find_first_of(L"<>") == std::wstring::npos && XmlUnescaped(text) == folder, text);
    return 0;
}
