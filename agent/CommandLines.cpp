#include "CommandLines.h"

#include "CommandTail.h"

namespace {
const wchar_t kTaskName[] = L"Oskavel";
const wchar_t kTaskDefinition[] = L"%programFiles%\\Corvane\\Oskavel\\Oskavel.xml";

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
    return safe;
}

std::wstring BuildRenameCommand(const std::wstring& guidText, const std::wstring& name,
                                const std::wstring& description) {
    return L"cmd /cpowercfg -changename " + guidText + L" \"" + QuoteSafePlanText(name) + L"\" \"" +
           QuoteSafePlanText(description) + L"\"";
}

bool IsUsableDeviceName(const std::wstring& name) {
    if (name.empty()) return false;
    for (wchar_t c : name) {
        if (IsCmdSpecialInQuotes(c)) return false;
    }
    return true;
}

std::wstring BuildWakeCommand(const std::wstring& deviceName) {
    return L"cmd.exe /cpowercfg.exe -deviceenablewake \"" + deviceName + L"\"";
}

std::wstring BuildCreateTaskCommand() {
    return std::wstring(L"cmd /cschtasks /create /XML \"") + kTaskDefinition + L"\" /tn \"" + kTaskName +
           L"\" ";
}

std::wstring BuildDeleteTaskCommand() {
    return std::wstring(L"cmd /cschtasks /Delete /tn \"") + kTaskName + L"\" /F";
}

bool QuotesHoldOnlyPlainText(const std::wstring& line, size_t quotes) {
    size_t seen = 0;
    for (wchar_t c : line) {
        if (c == L'"')
            ++seen;
        else if (seen % 2 == 1 && IsCmdSpecialInQuotes(c))
            return false;
    }
    return seen == quotes;
}

bool StartsWithCmd(const std::wstring& line) {
    const std::wstring first = line.substr(0, line.find(L' '));
    return TailEquals(first, L"cmd") || TailEquals(first, L"cmd.exe");
}
