#include "HelpStart.h"

HelpStart ChooseHelpStart(const std::wstring& programAccount, const std::wstring& desktopAccount) {
    if (programAccount.empty() || desktopAccount.empty()) return HelpStart::kNotAtAll;
    // SID texts are written in one case by the platform; equal texts name one account.
    return programAccount == desktopAccount ? HelpStart::kAsThisProgram : HelpStart::kAsDesktopUser;
}
