// The agent's command tail: its verbs.
#pragma once
#include <string>

// What a tail asks for, compared as a whole with the ASCII letters folded ("/INSTALL" is "/install",
// "/install " is not). "/install" and "/uninstall" as a person types them; the installer package adds
// "/package" ("/install /package"): nobody is there to answer a message box, and its uninstall also removes
// the agent's record. Any other tail runs the default sequence.
struct AgentVerb {
    enum Kind { kDefault, kInstall, kUninstall } kind = kDefault;
    bool package = false;
};
AgentVerb ReadAgentVerb(const std::wstring& tail);
