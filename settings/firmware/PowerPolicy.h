// The Windows power policy that goes with each quick-resume state: the button, lid and sleep settings of
// every power scheme and their access rights, set by the system's powercfg.exe one command at a time, and
// the Start-menu power button of the users whose mode was switched.
#pragma once
#include <string>
#include <vector>

#include "ModeRecord.h"

class CPowerPolicy {
public:
    // The kinds of policy: the one that goes with quick resume switched off, and with it switched on.
    static constexpr int kPolicyOff = 1;
    static constexpr int kPolicyOn = 2;
    // Where a user's Start-menu power button is set.
    static constexpr wchar_t kStartMenuKey[] =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
    static constexpr wchar_t kStartMenuButton[] = L"Start_PowerButtonAction";

    CPowerPolicy();

    // Writes the policy of `kind` and sets the Start-menu button of the record's users. True when every
    // powercfg.exe could be started and awaited (what each did is powercfg's own business). The calling
    // thread's windows stay painted while the commands run.
    // `log`, where given, gets a line for each user's Start-menu button.
    [[nodiscard]] bool SetPowerPolicy(int kind, const CModeRecord& users,
                                      std::vector<std::wstring>* log = nullptr);
    // Runs one command line with the system's powercfg.exe, without a window, and waits for its end; false
    // when it could not be started or awaited.
    [[nodiscard]] bool RunHiddenCommand(const std::wstring& commandLine);

private:
    // How the command lines name powercfg.exe: by its path below the Windows folder.
    std::wstring m_strPowercfgNamed;
    // The program that is started: the one in the system directory.
    std::wstring m_strPowercfg;
};
