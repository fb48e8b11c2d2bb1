// The settings program's application object.
#pragma once
#include <framework/app.h>

#include "OsRule.h"

class CTessalyApp : public fw::CWinApp {
public:
    BOOL InitInstance() override;

    // 1 when the reported system is one the program supports; notes on the way which kind of system it is.
    int CheckOSVersion();
    bool IsWin7Client() const { return m_bWin7Client != 0; }
    bool IsVistaOrXP() const { return m_bVistaOrXP != 0; }
    // Whether the process's COM security is set, so that COM calls may go to a process another account
    // controls (the desktop's shell).
    bool ComSecured() const { return m_bComSecured; }

private:
    int m_bWin7Client = 0;
    int m_bVistaOrXP = 0;
    bool m_bComSecured = false;
};

// The one application object; the dialog asks it for the platform check.
CTessalyApp& TheApp();

// The rule behind CheckOSVersion, for a version record already filled by the platform.
inline OsSupport EvaluateOSVersion(const OSVERSIONINFOEXW& info) {
    return EvaluateOSVersion(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.wProductType);
}
