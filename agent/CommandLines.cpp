#include "CommandLines.h"

namespace {
const wchar_t kPowercfg[] = L"powercfg.exe";
const wchar_t kSchtasks[] = L"schtasks.exe";
const wchar_t kTaskName[] = L"Oskavel";

bool IsControl(wchar_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}
}  // namespace

bool IsCmdSpecialInQuotes(wchar_t c) {
    return c == L'"' || c == L'%' || c == L'!' || IsControl(c);
}

std::wstring QuoteSafePlanText(const std::wstring& text) {
    std::wstring safe = text;
    for (wchar_t& c : safe) {
        if (c == L'"')
            c = L'\'';
        else if (IsCmdSpecialInQuotes(c))
            c = L' ';
    }
    // 2n backslashes before a quote read as n backslashes and the quote still closes the argument.
    const size_t end = safe.find_last_not_of(L'\\') + 1;  // npos + 1 == 0 when the text is all backslashes
    safe.append(safe.size() - end, L'\\');
    return safe;
}

ToolCommand BuildRenameCommand(const std::wstring& guidText, const std::wstring& name,
                               const std::wstring& description) {
    return {kPowercfg, L"powercfg -changename " + guidText + L" \"" + QuoteSafePlanText(name) + L"\" \"" +
                           QuoteSafePlanText(description) + L"\""};
}

bool IsUsableDeviceName(const std::wstring& name) {
    if (name.empty() || name.back() == L'\\') return false;
    for (wchar_t c : name) {
        if (IsCmdSpecialInQuotes(c)) return false;
    }
    return true;
}

ToolCommand BuildWakeCommand(const std::wstring& deviceName) {
    return {kPowercfg, L"powercfg.exe -deviceenablewake \"" + deviceName + L"\""};
}

std::optional<ToolCommand> BuildCreateTaskCommand(const std::wstring& definition) {
    if (definition.empty() || definition.find(L'"') != std::wstring::npos || definition.back() == L'\\')
        return std::nullopt;
    return ToolCommand{kSchtasks,
                       L"schtasks /create /XML \"" + definition + L"\" /tn \"" + kTaskName + L"\" /F"};
}

ToolCommand BuildDeleteTaskCommand() {
    return {kSchtasks, std::wstring(L"schtasks /Delete /tn \"") + kTaskName + L"\" /F"};
}
