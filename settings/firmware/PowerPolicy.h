// The Windows power policy that goes with each quick-resume state: the button, lid and sleep settings of
// every power scheme and their access rights, set by the system's powercfg.exe one command at a time, and
// the Start-menu power button of the users whose mode was switched.
#pragma once
#include <string>

#include "ModeRecord.h"

class CPowerPolicy {
public:
    // The kinds of policy.
    static constexpr int kModeOff = 1;
    static constexpr int kModeOn = 2;
    // Where a user's Start-menu power button is set.
    static constexpr wchar_t kStartMenuKey[] =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
    static constexpr wchar_t kStartMenuButton[] = L"Start_PowerButtonAction";

    CPowerPolicy();

    // Writes the policy of `kind` and sets the Start-menu button of the record's users; always 1, as its
    // callers have always been answered (AllCommandsRan tells whether every command ran). The calling
    // thread's windows stay painted while the commands run.
    int SetPowerPolicy(int kind, const CModeRecord& users);
    // Runs one command line with the system's powercfg.exe, without a window, and waits for its end.
    void RunHiddenCommand(const std::wstring& commandLine);
    // Whether every powercfg.exe of the last policy could be started (what each did is powercfg's).
    bool AllCommandsRan() const { return m_bAllCommandsRan; }

private:
    // How the command lines name powercfg.exe: by its path in the Windows folder.
    std::wstring m_strCommandPrefix;
    // The program that is started: the one in the system directory.
    std::wstring m_strPowercfg;
    bool m_bAllCommandsRan = true;
};
