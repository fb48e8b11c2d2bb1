// Reading and switching the quick-resume mode, and its record in the registry.
#include "../TessalyDlg.h"

namespace {
const wchar_t kModeValue[] = L"VelmoraMode";

constexpr BYTE kProbeFunction = 0x0B;
constexpr BYTE kProbeRequest = 0x20;
constexpr BYTE kSwitchFunction = 0x6E;
constexpr BYTE kSwitchOn = 0x81;
constexpr BYTE kSwitchOff = 0x80;
constexpr BYTE kInvalidAnswer = 0xFF;
constexpr BYTE kUnavailableBit = 0x20;

constexpr int kPolicyOff = 1;
constexpr int kPolicyOn = 2;
}  // namespace

DWORD CTessalyDlg::ReadModeValue(const wchar_t* name) {
    return m_modeRecord.Read(name);
}

void CTessalyDlg::WriteModeValue(const wchar_t* name, DWORD value) {
    m_modeRecord.Write(name, value);
}

BOOL CTessalyDlg::ReadQuickResumeMode() {
    const BYTE answer = CallFirmware(kProbeFunction, kProbeRequest);
    if (answer == kInvalidAnswer || (answer & kUnavailableBit)) return FALSE;
    const DWORD stored = ReadModeValue(kModeValue);
    if (stored > 1) return FALSE;
    m_nSelectedMode = static_cast<int>(stored);
    return TRUE;
}

bool CTessalyDlg::SwitchMode(int mode, const wchar_t* invalidAnswerText) {
    const BYTE expected = mode == 1 ? 1 : 0;
    const BYTE answer = CallFirmware(kSwitchFunction, mode == 1 ? kSwitchOn : kSwitchOff);
    if (answer == kInvalidAnswer) {
        ShowMessage(invalidAnswerText);
        return false;
    }
    if (answer != expected) {
        ShowMessage(mode == 1 ? L"Fail to set Enable" : L"Fail to set Disable");
        return false;
    }
    // Firmware first, then the policy, then the record: the record never claims a mode the firmware refused.
    SetPowerPolicy(mode == 1 ? kPolicyOn : kPolicyOff);
    WriteModeValue(kModeValue, expected);
    return true;
}

void CTessalyDlg::ApplySelectedMode() {
    const wchar_t* invalid = m_nSelectedMode == 1 ? L"ERROR! Returned Value of KOLU 0x6C with 0x81 is 0xFF "
                                                  : L"Returned Value of KOLU 0x6C with 0x80 is 0xFF";
    if (!SwitchMode(m_nSelectedMode == 1 ? 1 : 0, invalid)) return;
    // Apply is greyed out now; whoever pressed it keeps a focus, on the chosen option as when the dialog
    // opened (not on a push button, which would take Enter from OK).
    if (::GetFocus() == m_btnApply) {
        HWND chosen = m_nSelectedMode == 1 ? m_btnOn.GetSafeHwnd() : m_btnOff.GetSafeHwnd();
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(chosen), TRUE);
    }
    m_btnApply.m_bInactive = 1;
    m_btnApply.EnableWindow(FALSE);
}

void CTessalyDlg::CommitSelectedMode() {
    // OK switches only when the choice differs from the recorded mode.
    if (m_nSelectedMode == 1) {
        if (ReadModeValue(kModeValue) == 0 &&
            !SwitchMode(1, L"ERROR! Invalid Enable Setting value is returned "))
            return;
    } else {
        if (ReadModeValue(kModeValue) == 1 &&
            !SwitchMode(0, L"ERROR! Invalid Disable Setting value is returned"))
            return;
    }
    OnOK();
}
