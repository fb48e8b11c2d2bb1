#include "CommandTail.h"

#include <framework/text.h>

AgentVerb ReadAgentVerb(const std::wstring& tail) {
    for (const bool package : {false, true}) {
        const std::wstring suffix = package ? L" /package" : L"";
        if (fw::EqualsFoldingAscii(tail, L"/install" + suffix)) return {AgentVerb::kInstall, package};
        if (fw::EqualsFoldingAscii(tail, L"/uninstall" + suffix)) return {AgentVerb::kUninstall, package};
    }
    return {};
}
