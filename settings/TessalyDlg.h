// The settings program's only window: shows the quick-resume state and switches it.
#pragma once
#include <dialog.h>
#include <handles.h>

#include <string>

#include "controls/GraphicButton.h"
#include "controls/StaticTrans.h"
#include "firmware/FirmwareLibrary.h"
#include "firmware/ModeRecord.h"
#include "firmware/PowerPolicy.h"

// The installer package's switch-off: every loaded user's mode, no message boxes, an exit code.
inline const wchar_t kPackageUninstallTail[] = L"UNINSTALL /package";

class CTessalyDlg : public fw::CDialog {
public:
    CTessalyDlg();
    ~CTessalyDlg() override;

    // What the package's switch-off ends with (VelmoraExitCodes.h).
    int ExitCode() const { return m_nExitCode; }

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void DoDataExchange() override;

private:
    void ShowMessage(const std::wstring& text);
    // A failure of the package's switch-off, for its exit code: the first one counts. (A person is told in a
    // box where the failure happens.)
    void NoteFailure(int exitCode);
    void ShowInitialState();
    void LoadButtonImages();
    void OnSelectOn();
    void OnSelectOff();
    void ArrangeTabOrder();
    // The options' checked states, which screen readers read, follow the selected mode.
    void MarkChosenOption();

    // Interface language and help (Language.cpp).
    std::wstring GetLanguageCode();
    void LoadInterfaceTexts(const std::wstring& code);
    void OpenHelp();

    // The firmware and the mode (firmware/QuickResume.cpp): each reports its failure in a box.
    BOOL LoadFirmwareLibrary();
    BOOL InitFirmwareInterface();
    BYTE CallFirmware(BYTE function, BYTE request);
    BOOL ReadQuickResumeMode();
    void ApplySelectedMode();
    void CommitSelectedMode();
    // Sends the switch to `mode`; when the firmware accepts it, applies the policy and records the mode.
    bool SwitchMode(int mode, const wchar_t* invalidAnswerText);

    std::wstring m_strModuleDir;
    CFirmwareLibrary m_firmware;
    // Whose mode is read and written: the running user's, or for the package's switch-off every loaded
    // user's whose mode is on.
    CModeRecord m_modeRecord;
    CPowerPolicy m_policy;
    int m_nSelectedMode = 0;
    int m_bLargeLayout = 0;
    // No person can answer a message box: failures go to the exit code only.
    bool m_bQuiet = false;
    int m_nExitCode = 0;

    std::wstring m_strDesc;
    std::wstring m_strFuncName;
    std::wstring m_strState;
    std::wstring m_strOn;
    std::wstring m_strOff;
    std::wstring m_strOK;
    std::wstring m_strCancel;
    std::wstring m_strApply;
    std::wstring m_strMsg1;
    std::wstring m_strMsg2;
    std::wstring m_strHelp;  // the help button's name for screen readers ("HELP")

    CGraphicButton m_btnOn;
    CGraphicButton m_btnOff;
    CGraphicButton m_btnApply;
    CGraphicButton m_btnOK;
    CGraphicButton m_btnHelp;
    CGraphicButton m_btnCancel;

    CStaticTrans m_lblDescription;
    CStaticTrans m_lblFeatureName;
    CStaticTrans m_lblOn;
    CStaticTrans m_lblOff;
    CStaticTrans m_lblTitle;

    fw::CFont m_fontDescription;
    fw::CFont m_fontFeatureName;
    fw::CFont m_fontOption;
    fw::CFont m_fontTitle;

    fw::CStatic m_picBackground;
    // The background chosen for the large layout; the picture control shows it but does not own it.
    fw::CBitmap m_bmpLargeBackground;
};
