// The settings program's only window: shows the quick-resume state and switches it.
#pragma once
#include <framework/dialog.h>
#include <framework/handles.h>

#include <string>

#include "controls/GraphicButton.h"
#include "controls/OptionGroup.h"
#include "controls/StaticTrans.h"
#include "firmware/FirmwareLibrary.h"
#include "firmware/ModeRecord.h"
#include "firmware/PowerPolicy.h"
#include "firmware/QuickResume.h"
#include "MachinePolicy.h"
#include "VelmoraCommand.h"

// The program's title: the dialog's caption (its template's too), the title label and the message boxes'
// caption, and what a second start looks for.
inline constexpr wchar_t kProgramTitle[] = L"Corvane Velmora";

class CTessalyDlg : public fw::CDialog {
public:
    CTessalyDlg();
    ~CTessalyDlg() override;

    // What the package's switch-off ends with (ExitCodes.h).
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
    // One line for the package's log.
    void Report(const std::wstring& line);
    void ShowInitialState();
    void LoadButtonImages();
    void OnSelectOn();
    void OnSelectOff();
    // An option's images as the chosen one, or as the one not chosen (repainted).
    void ShowChosen(CGraphicButton& option);
    void ShowNotChosen(CGraphicButton& option);
    // Apply's look and state together.
    void SetApplyEnabled(bool enabled);
    // A click on an option's text chooses it as a click on its mark does.
    void OnClickOnLabel() { ChooseByLabel(m_btnOn); }
    void OnClickOffLabel() { ChooseByLabel(m_btnOff); }
    void ChooseByLabel(CGraphicButton& option);
    void ArrangeTabOrder();
    // The options' checked states, which screen readers read, follow the selected mode.
    void MarkChosenOption();
    // The focus and keyboard cues as the platform has them for this window from the start.
    void InitCues();
    // Screen readers hear the options as one group named by the feature name and described by the
    // description.
    void GroupOptions();
    // Under a machine policy: its choice shown, the options and Apply disabled, and the line that says the
    // organization manages the setting.
    void ShowPolicy();
    // The high-contrast look (system colours, no picture behind text) or the designed one; follows the theme.
    void ShowContrast(bool highContrast);
    LRESULT OnThemeChange(WPARAM, LPARAM);
    LRESULT OnCtlColorDlg(WPARAM, LPARAM);
    LRESULT OnCtlColorStatic(WPARAM, LPARAM);
    bool PaintsBackground() const;
    LRESULT OnEraseBkgnd(WPARAM, LPARAM);
    LRESULT OnPaint(WPARAM, LPARAM);
    // A control's rectangle in the dialog's client coordinates.
    RECT ChildRect(HWND child) const;

    // Interface language and help.
    std::wstring GetLanguageCode();
    void LoadInterfaceTexts(const std::wstring& code);
    void OpenHelp();
    // Labels and captions too long for their controls wrap into the room below them or get a smaller font.
    void FitLabels();
    void ColourLabels(bool highContrast);

    // The firmware and the mode; each tells its failure in a box (or, in a quiet run, by exit code only).
    BOOL LoadFirmwareLibrary();
    BOOL InitFirmwareInterface();
    BOOL ReadQuickResumeMode();
    void ApplySelectedMode();
    void CommitSelectedMode();
    // Switches to `mode` while the dialog waits; true when the firmware took it.
    bool SwitchMode(int mode, const wchar_t* invalidAnswerText);
    // Tells what an operation came to: its messages in boxes, its failure in the exit code.
    void ShowOutcome(const FirmwareOutcome& outcome);

    std::wstring m_strModuleDir;
    CFirmwareLibrary m_firmware;
    CQuickResume m_quickResume{m_firmware};
    // Whose mode is read and written: the running user's, or for the package's switch-off every loaded
    // user's whose mode is on.
    CModeRecord m_modeRecord;
    CPowerPolicy m_policy;
    int m_nSelectedMode = 0;
    int m_bLargeLayout = 0;
    bool m_bHighContrast = false;
    bool m_bRightToLeft = false;  // the language reads right to left (Arabic, Hebrew)
    // The background picture is hidden and painted by the dialog.
    bool m_bPaintsBackground = false;
    // No person can answer a message box: failures go to the exit code only.
    bool m_bQuiet = false;
    int m_nExitCode = 0;
    // Who asked for the run's switches, as the event log names it; and whether one was tried (its entry is
    // written then).
    SwitchRoute m_route = SwitchRoute::kDialog;
    bool m_bSwitchTried = false;

    std::wstring m_strDesc;
    std::wstring m_strFuncName;
    std::wstring m_strState;  // read with the other texts of the file's format; shown nowhere
    std::wstring m_strOn;
    std::wstring m_strOff;
    std::wstring m_strOK;
    std::wstring m_strCancel;
    std::wstring m_strApply;
    std::wstring m_strMsg1;  // read with the other texts of the file's format; shown nowhere
    std::wstring m_strMsg2;
    std::wstring m_strPolicy;  // the line shown under a machine policy
    std::wstring m_strHelp;    // the help button's name for screen readers ("HELP")

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
    // Only while the organization's machine policy sets quick resume: the line that says so, made at run time
    // beside the program's picture.
    CStaticTrans m_lblPolicy;
    MachinePolicy m_machinePolicy;

    fw::CFont m_fontDescription;
    fw::CFont m_fontFeatureName;
    fw::CFont m_fontOption;
    fw::CFont m_fontTitle;
    // The smaller fonts of labels that do not fit in the ones above: description, feature name, On, Off.
    fw::CFont m_fontsFitted[4];
    COptionGroup m_grpOptions;

    fw::CStatic m_picBackground;
    // The background chosen for the large layout; the picture control shows it but does not own it.
    fw::CBitmap m_bmpLargeBackground;
};
