// The agent's command tail: its verbs.
#pragma once
#include <string>

// Whole-string comparison that folds only the ASCII letters A-Z to a-z: "/INSTALL" equals "/install",
// "/install " does not.
bool TailEquals(const std::wstring& tail, const std::wstring& verb);

// What a tail asks for. "/install" and "/uninstall" as a person types them; the installer package adds
// "/package" ("/install /package"): nobody is there to answer a message box, and its uninstall also removes
// the agent's record. Any other tail runs the default sequence.
struct AgentVerb {
    enum Kind { kDefault, kInstall, kUninstall } kind = kDefault;
    bool package = false;
};
AgentVerb ReadAgentVerb(const std::wstring& tail);
