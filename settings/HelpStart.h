// Who the help viewer runs as. Velmora always runs elevated, and the viewer's own dialogs (open, print, jump
// to an address) give whoever sits at the desktop a program with the rights of the account that started it.
// Pure, so it also builds natively.
#pragma once
#include <string>

enum class HelpStart {
    kAsThisProgram,  // the desktop is this program's account's own: starting the viewer gives nobody more
    kAsDesktopUser,  // another account's desktop (an administrator's credentials typed at a user's prompt)
    kNotAtAll,       // whose desktop it is cannot be told
};

// The accounts as SID texts ("S-1-5-21-..."); empty when unknown.
HelpStart ChooseHelpStart(const std::wstring& programAccount, const std::wstring& desktopAccount);
