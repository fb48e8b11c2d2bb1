// The machine's program folders, whose contents only administrators can change: the logon task, which runs
// with the highest rights at every logon, is registered only for an agent inside one of them.
#pragma once
#include <string>
#include <vector>

// Program Files and Program Files (x86) as the system records them (the registry's ProgramFilesDir values of
// 64-bit Windows; never an environment variable, which the caller sets), each in its full form with long
// names; empty when none can be read.
std::vector<std::wstring> MachineProgramFolders();

// Whether the folder (a full path) lies inside one of the program folders, whatever letter case, short names
// or "." and ".." components either is written with.
bool IsInsideProgramFolders(const std::wstring& folder, const std::vector<std::wstring>& programFolders);
