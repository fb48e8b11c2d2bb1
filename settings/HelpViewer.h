// Starting the help viewer with the rights of the person at the desktop (see HelpStart.h).
#pragma once
#include <string>

// The account this program runs as, and the account signed in at the desktop of its session, as SID texts;
// empty when they cannot be read.
std::wstring ProgramAccount();
std::wstring DesktopAccount();

// Has the desktop's own shell (Explorer, running as the desktop's user) start the viewer with the file as its
// argument. False when the shell could not be reached or refused. Needs COM on the calling thread.
bool StartAsDesktopUser(const std::wstring& viewer, const std::wstring& file);
