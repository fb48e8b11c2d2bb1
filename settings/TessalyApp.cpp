#include "TessalyApp.h"

#include <ExitCodes.h>
#include <framework/com.h>

#include <cwchar>

#include "CommandRun.h"
#include "TessalyDlg.h"
#include "VelmoraCommand.h"

namespace {

// A top-level window whose title is exactly ours. The platform's title search ignores letter case, so each
// window it finds is compared once more, case-sensitively.
bool OtherInstanceRunning() {
    for (HWND hwnd = ::FindWindowExW(nullptr, nullptr, nullptr, kProgramTitle); hwnd;
         hwnd = ::FindWindowExW(nullptr, hwnd, nullptr, kProgramTitle)) {
        wchar_t title[sizeof kProgramTitle / sizeof kProgramTitle[0] + 1] = L"";
        ::GetWindowTextW(hwnd, title, static_cast<int>(sizeof title / sizeof title[0]));
        if (std::wcscmp(title, kProgramTitle) == 0) return true;
    }
    return false;
}
}  // namespace

CTessalyApp& TheApp() {
    return static_cast<CTessalyApp&>(*fw::CWinApp::Get());
}

BOOL CTessalyApp::InitInstance() {
    fw::CWinApp::InitInstance();
    m_bWin7Client = 0;
    m_bVistaOrXP = 0;

    // The commands for scripts work without a window; an open dialog holds nothing they need, so they do not
    // look for one.
    const VelmoraCommand command = ReadVelmoraCommand(CommandTail());
    if (command.run == VelmoraRun::kSwitch || command.run == VelmoraRun::kStatus) {
        SetExitCode(RunCommand(command, fw::ModuleDirectory()));
        return FALSE;
    }

    // Of the dialog's runs only the installer package's switch-off reports its outcome by exit code.
    const bool reports = command.run == VelmoraRun::kPackageUninstall;
    // A window with our title means the program already runs; that one stays as it is. Not for the package's
    // switch-off: any program of the installing session may show a window with that title, and the uninstall
    // goes on without the switch-off it would stop.
    if (!reports && OtherInstanceRunning()) return FALSE;

    // COM for the whole run: screen readers get the dialog's buttons as objects (WM_GETOBJECT), and help may
    // go through the desktop's shell.
    fw::CComScope com;
    m_bComSecured = fw::SecureProcessCom();
    CTessalyDlg dlg;
    const bool ran = RunMainDialog(dlg);
    if (reports) SetExitCode(ran ? dlg.ExitCode() : velmora_exit::kNoWindow);
    return FALSE;
}

int CTessalyApp::CheckOSVersion() {
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return 0;
#pragma GCC diagnostic pop
    const OsSupport support = EvaluateOSVersion(info);
    if (support.win7Client) m_bWin7Client = 1;
    if (support.vistaOrXP) m_bVistaOrXP = 1;
    return support.supported();
}
