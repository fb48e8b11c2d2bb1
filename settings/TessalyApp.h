// The settings program's application object.
#pragma once
#include <app.h>

#include "OsRule.h"

class CTessalyApp : public fw::CWinApp {
public:
    BOOL InitInstance() override;

    // 1 when the reported system is one the program supports; sets the two flags below on the way.
    int CheckOSVersion();

    int m_bWin7Client = 0;
    int m_bVistaOrXP = 0;
};

// The one application object; the dialog asks it for the platform check.
CTessalyApp& TheApp();

// The rule behind CheckOSVersion, for a version record already filled by the platform.
inline OsSupport EvaluateOSVersion(const OSVERSIONINFOEXW& info) {
    return EvaluateOSVersion(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.wProductType);
}
