// Comparison of the agent's command tail with its two verbs.
#pragma once
#include <string>

// Whole-string comparison that folds only the ASCII letters A-Z to a-z: "/INSTALL" equals "/install",
// "/install " does not.
bool TailEquals(const std::wstring& tail, const std::wstring& verb);
