// Starting the help viewer with the rights of the person at the desktop (see HelpStart.h).
#pragma once
#include <string>

// The account this program runs as, and the account signed in at the desktop of its session, as SID texts;
// empty when they cannot be read.
std::wstring ProgramAccount();
std::wstring DesktopAccount();

// Has the desktop's own shell (Explorer, running as the desktop's user) start the viewer with the file as its
// argument. False when the shell could not be reached or refused. Needs COM on the calling thread.
[[nodiscard]] bool StartAsDesktopUser(const std::wstring& viewer, const std::wstring& file);

// The help file of a language beside the program (Help\<code>.chm), or the English one where that is
// missing; empty when neither is there.
std::wstring HelpFileFor(const std::wstring& moduleDir, const std::wstring& languageCode);

// Opens the help file in the system's help viewer, started by its path with the file as its argument (the
// file type's "open" handler would be looked up among the user's own classes as well, and this program runs
// elevated), as whoever sits at the desktop: when that is not this program's account, through the desktop's
// own shell (only when `mayAskTheShell`: COM calls to it are secured), or not at all. False when no viewer
// was started.
[[nodiscard]] bool OpenHelpFile(const std::wstring& file, bool mayAskTheShell);
