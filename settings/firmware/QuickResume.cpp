// The dialog's firmware requests: binding the library, reading the quick-resume mode and switching it, with
// the policy and the record that follow a switch. Every failure is reported where it happens.
#include <VelmoraExitCodes.h>

#include "../TessalyDlg.h"
#include "StatusTexts.h"

namespace {
constexpr BYTE kProbeFunction = 0x0B;
constexpr BYTE kProbeRequest = 0x20;
constexpr BYTE kSwitchFunction = 0x6E;
constexpr BYTE kSwitchOn = 0x81;
constexpr BYTE kSwitchOff = 0x80;
constexpr BYTE kInvalidAnswer = 0xFF;
constexpr BYTE kUnavailableBit = 0x20;
constexpr const wchar_t* kModeValue = CModeRecord::kModeValue;
}  // namespace

BOOL CTessalyDlg::LoadFirmwareLibrary() {
    std::wstring failure;
    if (m_firmware.Load(m_strModuleDir + L"Win7_Driver\\x64\\KOLU3.DLL", failure)) return TRUE;
    ShowMessage(failure);
    return FALSE;
}

BOOL CTessalyDlg::InitFirmwareInterface() {
    const int status = m_firmware.Init();
    if (status == 0) return TRUE;
    ShowMessage(InitStatusText(status));
    return FALSE;
}

BYTE CTessalyDlg::CallFirmware(BYTE function, BYTE request) {
    int status = 0;
    const BYTE answer = m_firmware.Call(function, request, status);
    // The caller judges the outcome by the answer byte, whatever the status was.
    if (status != 0) ShowMessage(CallStatusText(status));
    return answer;
}

BOOL CTessalyDlg::ReadQuickResumeMode() {
    const BYTE answer = CallFirmware(kProbeFunction, kProbeRequest);
    if (answer == kInvalidAnswer || (answer & kUnavailableBit)) return FALSE;
    const DWORD stored = m_modeRecord.ReadModeValue(kModeValue);
    if (stored > 1) return FALSE;
    m_nSelectedMode = static_cast<int>(stored);
    return TRUE;
}

bool CTessalyDlg::SwitchMode(int mode, const wchar_t* invalidAnswerText) {
    const BYTE expected = mode == 1 ? 1 : 0;
    const BYTE answer = CallFirmware(kSwitchFunction, mode == 1 ? kSwitchOn : kSwitchOff);
    if (answer == kInvalidAnswer || answer != expected) {
        ShowMessage(answer == kInvalidAnswer ? invalidAnswerText
                                             : (mode == 1 ? L"Fail to set Enable" : L"Fail to set Disable"));
        NoteFailure(velmora_exit::kSwitchRefused);
        return false;
    }
    // Firmware first, then the policy, then the record: the record never claims a mode the firmware refused.
    {
        // The commands take a while (ten per scheme); the dialog stays painted meanwhile but takes no input.
        CBusy busy(*this);
        m_policy.SetPowerPolicy(mode == 1 ? CPowerPolicy::kModeOn : CPowerPolicy::kModeOff, m_modeRecord);
    }
    if (!m_policy.AllCommandsRan()) NoteFailure(velmora_exit::kPolicyIncomplete);
    // A person is not told of a record that could not be written; the package's log is.
    if (!m_modeRecord.WriteModeValue(kModeValue, expected)) NoteFailure(velmora_exit::kRecordNotWritten);
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
    SetApplyEnabled(false);
}

void CTessalyDlg::CommitSelectedMode() {
    // OK switches only when the choice differs from the recorded mode.
    if (m_nSelectedMode == 1) {
        if (m_modeRecord.ReadModeValue(kModeValue) == 0 &&
            !SwitchMode(1, L"ERROR! Invalid Enable Setting value is returned "))
            return;
    } else {
        if (m_modeRecord.ReadModeValue(kModeValue) == 1 &&
            !SwitchMode(0, L"ERROR! Invalid Disable Setting value is returned"))
            return;
    }
    OnOK();
}
