#include "CommandTail.h"

namespace {
wchar_t FoldAscii(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}
}  // namespace

bool TailEquals(const std::wstring& tail, const std::wstring& verb) {
    if (tail.size() != verb.size()) return false;
    for (size_t i = 0; i < tail.size(); ++i) {
        if (FoldAscii(tail[i]) != FoldAscii(verb[i])) return false;
    }
    return true;
}

AgentVerb ReadAgentVerb(const std::wstring& tail) {
    for (const bool package : {false, true}) {
        const std::wstring suffix = package ? L" /package" : L"";
        if (TailEquals(tail, L"/install" + suffix)) return {AgentVerb::kInstall, package};
        if (TailEquals(tail, L"/uninstall" + suffix)) return {AgentVerb::kUninstall, package};
    }
    return {};
}
