#include "TessalyDlg.h"

#include <ExitCodes.h>
#include <framework/app.h>
#include <framework/com.h>

#include "../resources/settings/resource.h"
#include "EventLog.h"
#include "HelpViewer.h"
#include "LabelFit.h"
#include "LabelLook.h"
#include "LanguageCode.h"
#include "TessalyApp.h"
#include "VelmoraCommand.h"
#include "firmware/StatusTexts.h"

namespace {
// The images of the push buttons and of the options, in the normal and the large layout.
struct PushImages {
    UINT normal, hover, pressed, inactive;
};
const PushImages kPushImages[] = {
    {IDB_BUTTON_NORMAL, IDB_BUTTON_HOVER, IDB_BUTTON_PRESSED, IDB_BUTTON_INACTIVE},
    {IDB_BUTTON_NORMAL_LARGE, IDB_BUTTON_HOVER_LARGE, IDB_BUTTON_PRESSED_LARGE, IDB_BUTTON_INACTIVE_LARGE},
};
struct OptionImages {
    UINT chosen, notChosen, inactive;
};
const OptionImages kOptionImages[] = {
    {IDB_OPTION_CHOSEN, IDB_OPTION_NOT_CHOSEN, IDB_OPTION_INACTIVE},
    {IDB_OPTION_CHOSEN_LARGE, IDB_OPTION_NOT_CHOSEN_LARGE, IDB_OPTION_INACTIVE_LARGE},
};
constexpr int kNormalLayoutWidth = 364;
constexpr int kTextCapacity = 260;

// Where the background pictures draw their lines, in the normal picture's pixels (the large one is the same
// picture drawn 1.2 times as large): the divider under the description and the one above the buttons.
constexpr int kDividerY = 284;
constexpr int kSeparatorY = 400;

std::wstring ReadText(const std::wstring& file, const std::wstring& section, const wchar_t* key) {
    wchar_t buffer[kTextCapacity] = L"";
    // A missing file or key reads as the empty default, which is what the label then shows.
    (void)::GetPrivateProfileStringW(section.c_str(), key, L"", buffer, kTextCapacity, file.c_str());
    return buffer;
}
}  // namespace

CTessalyDlg::CTessalyDlg() : fw::CDialog(IDD_VELMORA_DIALOG, nullptr) {
    SetIcon(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME)));
    // Arabic and Hebrew get the whole dialog mirrored, as Windows lays out the dialogs of those languages.
    m_bRightToLeft = IsRightToLeftLanguage(GetLanguageCode());
    SetMirrored(m_bRightToLeft);
}

CTessalyDlg::~CTessalyDlg() = default;

void CTessalyDlg::DoDataExchange() {
    BindControl(IDC_ON_OPTION, m_btnOn);
    BindControl(IDC_OFF_OPTION, m_btnOff);
    BindControl(IDOK, m_btnOK);
    BindControl(IDCANCEL, m_btnCancel);
    BindControl(IDC_APPLY, m_btnApply);
    BindControl(IDC_DESCRIPTION, m_lblDescription);
    BindControl(IDC_HELP_BUTTON, m_btnHelp);
    BindControl(IDC_FEATURE_NAME, m_lblFeatureName);
    BindControl(IDC_ON_LABEL, m_lblOn);
    BindControl(IDC_OFF_LABEL, m_lblOff);
    BindControl(IDC_TITLE, m_lblTitle);
    BindControl(IDC_BACKGROUND, m_picBackground);
}

// The system menu's about item, the minimised icon, the drag icon and Cancel are the framework's; the surface
// of the dialog gets the platform's handling (it is moved only by its caption bar).
bool CTessalyDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    static const fw::MessageMapEntry<CTessalyDlg> map[] = {
        {WM_COMMAND, BN_CLICKED, IDC_APPLY, &CTessalyDlg::ApplySelectedMode},
        {WM_COMMAND, BN_CLICKED, IDC_ON_OPTION, &CTessalyDlg::OnSelectOn},
        {WM_COMMAND, BN_CLICKED, IDC_OFF_OPTION, &CTessalyDlg::OnSelectOff},
        {WM_COMMAND, BN_CLICKED, IDOK, &CTessalyDlg::CommitSelectedMode},
        {WM_COMMAND, BN_CLICKED, IDC_HELP_BUTTON, &CTessalyDlg::OpenHelp},
        {WM_COMMAND, STN_CLICKED, IDC_ON_LABEL, &CTessalyDlg::OnClickOnLabel},
        {WM_COMMAND, STN_CLICKED, IDC_OFF_LABEL, &CTessalyDlg::OnClickOffLabel},
        {WM_SETTINGCHANGE, &CTessalyDlg::OnThemeChange},   // high contrast switched on or off
        {WM_SYSCOLORCHANGE, &CTessalyDlg::OnThemeChange},  // the theme's colours changed
        {WM_CTLCOLORDLG, &CTessalyDlg::OnCtlColorDlg},
        {WM_CTLCOLORSTATIC, &CTessalyDlg::OnCtlColorStatic},
        {WM_ERASEBKGND, &CTessalyDlg::OnEraseBkgnd},
        {WM_PAINT, &CTessalyDlg::OnPaint},  // the background picture
    };
    return RouteMessage(this, map, msg, wp, lp, result) || fw::CDialog::OnMessage(msg, wp, lp, result);
}

BOOL CTessalyDlg::OnInitDialog() {
    fw::CDialog::OnInitDialog();

    AppendAboutMenuItem(IDS_ABOUTBOX);
    SetIcons();

    // The layout follows the measured client area, never the reported resolution.
    m_bLargeLayout = 0;
    m_nSelectedMode = 0;
    const RECT client = GetClientRect();
    if (client.right > kNormalLayoutWidth) m_bLargeLayout = 1;

    m_strModuleDir = fw::ModuleDirectory();

    LoadInterfaceTexts(GetLanguageCode());

    const VelmoraCommand command = ReadVelmoraCommand(TheApp().CommandTail());
    const bool packageRun = command.run == VelmoraRun::kPackageUninstall;
    m_bQuiet = packageRun || !fw::InteractiveSession();
    m_route = command.route;
    auto end = [this, packageRun](int exitCode) {
        NoteFailure(exitCode);
        // The package's switch-off that could not be done is an entry of the event log too.
        if (packageRun && exitCode != velmora_exit::kDone && !m_bSwitchTried) {
            CEventLog events;
            (void)events.Failed(0, m_route, exitCode);  // the exit code tells where no event log takes it
        }
        EndDialog(0);
        return TRUE;
    };
    if (!ControlsBound()) return end(velmora_exit::kNoWindow);
    if (packageRun) {
        // The package runs as the system: the users whose mode is on are found in their registries, those
        // signed in and those not, and where nobody's mode is on nothing is touched.
        const CModeRecord::Survey survey = CModeRecord::EveryUser();
        for (const std::wstring& line : survey.report) Report(L"Velmora: " + line);
        if (!survey.complete) NoteFailure(velmora_exit::kProfileUnreadable);
        m_modeRecord = survey.With(1);
        if (m_modeRecord.Empty()) return end(velmora_exit::kDone);
    }

    if (!TheApp().CheckOSVersion()) return end(velmora_exit::kUnsupportedSystem);
    if (!LoadFirmwareLibrary()) return end(velmora_exit::kNoFirmwareLibrary);
    if (!InitFirmwareInterface()) return end(velmora_exit::kFirmwareInitFailed);
    if (!ReadQuickResumeMode()) {
        ShowMessage(m_strMsg2);
        return end(velmora_exit::kModeUnavailable);
    }

    if (command.run == VelmoraRun::kUninstall || packageRun) {
        if (m_nSelectedMode == 1) {
            m_nSelectedMode = 0;
            CommitSelectedMode();
        }
        return end(velmora_exit::kDone);
    }

    // The organization's choice, where it makes one, is what the dialog shows.
    m_machinePolicy = ReadMachinePolicy();
    if (m_machinePolicy.Set()) m_nSelectedMode = m_machinePolicy.Mode();
    ShowInitialState();
    if (m_machinePolicy.Set()) ShowPolicy();
    // The picture stays first in the order, over every control, but hidden: a hit test from another process
    // (screen readers, touch exploration), which never hears it answer "transparent", would find it wherever
    // it looks. The dialog paints it instead (OnPaint).
    ::SetWindowPos(m_picBackground, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                   SWP_HIDEWINDOW);
    m_bPaintsBackground = true;
    FitLabels();
    ArrangeTabOrder();
    GroupOptions();
    // The program's picture keeps its orientation in the mirrored layout (only its place is mirrored).
    HWND icon = ::GetDlgItem(m_hWnd, IDC_PROGRAM_ICON);
    ::SetWindowLongPtrW(icon, GWL_EXSTYLE, ::GetWindowLongPtrW(icon, GWL_EXSTYLE) & ~WS_EX_LAYOUTRTL);
    InitCues();
    if (HighContrastOn()) ShowContrast(true);
    return TRUE;
}

// Tab goes round the options (a group, reached once: at the chosen option, its only tab stop), OK, Cancel,
// Apply and Help, starting at the options, where the dialog manager puts the focus first. A window with
// WS_GROUP starts a group, within which the arrow keys move: the options, the push buttons, Help alone (the
// labels and pictures after it start a group of their own). Only the order of these buttons among themselves
// changes (they overlap no other control but the background, which stays first), so nothing is drawn
// differently.
void CTessalyDlg::ArrangeTabOrder() {
    HWND previous = m_picBackground;
    for (HWND control : {m_btnOn.GetSafeHwnd(), m_btnOff.GetSafeHwnd(), m_btnOK.GetSafeHwnd(),
                         m_btnCancel.GetSafeHwnd(), m_btnApply.GetSafeHwnd(), m_btnHelp.GetSafeHwnd()}) {
        ::SetWindowPos(control, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = control;
    }
    for (HWND first : {m_btnOn.GetSafeHwnd(), m_btnOK.GetSafeHwnd(), m_btnHelp.GetSafeHwnd(),
                       ::GetWindow(m_btnHelp, GW_HWNDNEXT)})
        if (first) ::SetWindowLongPtrW(first, GWL_STYLE, ::GetWindowLongPtrW(first, GWL_STYLE) | WS_GROUP);
}

// The group box goes before the options, where screen readers look for the group of a control.
void CTessalyDlg::GroupOptions() {
    RECT group = ChildRect(m_lblFeatureName);
    for (HWND part :
         {m_btnOn.GetSafeHwnd(), m_btnOff.GetSafeHwnd(), m_lblOn.GetSafeHwnd(), m_lblOff.GetSafeHwnd()}) {
        const RECT rc = ChildRect(part);
        ::UnionRect(&group, &group, &rc);
    }
    // The description is the group's, heard once on entering it, not again with each option.
    (void)m_grpOptions.Create(m_hWnd, IDC_OPTION_GROUP, group, m_strFuncName, m_strDesc, m_picBackground);
}

RECT CTessalyDlg::ChildRect(HWND child) const {
    RECT rc{};
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(HWND_DESKTOP, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// The platform sets the window's cues from the user's setting and the last input; the buttons, which draw
// their focus cues themselves, hear of it (WM_UPDATEUISTATE) or ask when they first paint (WM_QUERYUISTATE).
void CTessalyDlg::InitCues() {
    SendMessage(WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0));
}

void CTessalyDlg::ShowPolicy() {
    m_btnOn.EnableWindow(FALSE);
    m_btnOff.EnableWindow(FALSE);
    m_lblOn.EnableWindow(FALSE);
    m_lblOff.EnableWindow(FALSE);
    SetApplyEnabled(false);
    // Beside the program's picture, where the dialog has room for two lines.
    RECT rc{48, 46, 162, 68};
    ::MapDialogRect(m_hWnd, &rc);
    HWND line = ::CreateWindowExW(WS_EX_TRANSPARENT, L"Static", m_strPolicy.c_str(),
                                  WS_CHILD | WS_VISIBLE | SS_NOPREFIX, rc.left, rc.top, rc.right - rc.left,
                                  rc.bottom - rc.top, m_hWnd, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    // Without its own look the line still shows, in the dialog's colours.
    if (!line || !m_lblPolicy.SubclassWindow(line)) return;
    ::SetWindowPos(line, ::GetDlgItem(m_hWnd, IDC_PROGRAM_ICON), 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (IsRightToLeftLanguage(GetLanguageCode())) m_lblPolicy.SetRightToLeft();
    const LabelColours colours = ColoursOf(LabelRole::kFeatureName, false);
    m_lblPolicy.SetBackColor(colours.back);
    m_lblPolicy.SetTextColor(colours.text);
    m_lblPolicy.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_fontDescription.Get()), TRUE);
}

void CTessalyDlg::ChooseByLabel(CGraphicButton& option) {
    if (m_machinePolicy.Set()) return;  // the organization's choice stands
    SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(option.GetSafeHwnd()), TRUE);
    SendMessage(WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(option), BN_CLICKED),
                reinterpret_cast<LPARAM>(option.GetSafeHwnd()));
}

// High contrast: the user's system colours throughout and no picture behind any text; the options draw
// rings, the push buttons framed faces. Off: the designed look, as the dialog started.
void CTessalyDlg::ShowContrast(bool highContrast) {
    m_bHighContrast = highContrast;
    ColourLabels(highContrast);
    for (CGraphicButton* button : {&m_btnOn, &m_btnOff, &m_btnOK, &m_btnCancel, &m_btnApply, &m_btnHelp})
        button->SetHighContrast(highContrast);
    m_btnHelp.SetText(highContrast ? L"?" : L"");  // the question mark of its picture
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

// A change of theme while the dialog is open: Windows announces high contrast switched on or off with
// WM_SETTINGCHANGE (SPI_SETHIGHCONTRAST) and new colours with WM_SYSCOLORCHANGE.
LRESULT CTessalyDlg::OnThemeChange(WPARAM, LPARAM) {
    const bool highContrast = HighContrastOn();
    if (highContrast || m_bHighContrast) ShowContrast(highContrast);
    return 0;
}

// The background picture as its control paints itself, into the dialog's paint context: the same pixels as
// while the control was shown. The erasing is then left out.
bool CTessalyDlg::PaintsBackground() const {
    return m_bPaintsBackground && !m_bHighContrast && !::IsIconic(m_hWnd);
}

LRESULT CTessalyDlg::OnEraseBkgnd(WPARAM, LPARAM) {
    if (!PaintsBackground()) SetMsgHandled(false);
    return TRUE;
}

LRESULT CTessalyDlg::OnPaint(WPARAM, LPARAM) {
    if (!PaintsBackground()) {
        SetMsgHandled(false);
        return 0;
    }
    const fw::CPaintDC paint(m_hWnd);
    m_picBackground.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(paint.Get()), PRF_CLIENT);
    return 0;
}

LRESULT CTessalyDlg::OnCtlColorDlg(WPARAM, LPARAM) {
    if (!m_bHighContrast) SetMsgHandled(false);
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
}

// The program's picture stands on the window colour in high contrast; the labels answer for themselves.
LRESULT CTessalyDlg::OnCtlColorStatic(WPARAM, LPARAM lp) {
    if (!m_bHighContrast || reinterpret_cast<HWND>(lp) != ::GetDlgItem(m_hWnd, IDC_PROGRAM_ICON)) {
        SetMsgHandled(false);
        return 0;
    }
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
}

void CTessalyDlg::MarkChosenOption() {
    m_btnOn.SendMessage(BM_SETCHECK, m_nSelectedMode == 1 ? BST_CHECKED : BST_UNCHECKED);
    m_btnOff.SendMessage(BM_SETCHECK, m_nSelectedMode == 1 ? BST_UNCHECKED : BST_CHECKED);
}

void CTessalyDlg::NoteFailure(int exitCode) {
    if (m_nExitCode == velmora_exit::kDone) m_nExitCode = exitCode;
}

// The package's log is the one place its runs can say more than an exit code; a line that cannot be written
// there is lost, and the exit code still tells.
void CTessalyDlg::Report(const std::wstring& line) {
    (void)fw::ReportToCaller(line);
}

void CTessalyDlg::ShowMessage(const std::wstring& text) {
    if (m_bQuiet) return;  // the run's exit code tells instead
    // MB_OK: one OK button, no icon. Arabic and Hebrew texts read right to left from the right edge
    // (MB_RTLREADING | MB_RIGHT), as their own dialog does. (Wine lays out every box left to right, whatever
    // these flags ask.)
    ::MessageBoxW(m_hWnd, text.c_str(), kProgramTitle,
                  MB_OK | (m_bRightToLeft ? MB_RTLREADING | MB_RIGHT : 0));
}

void CTessalyDlg::ShowInitialState() {
    LoadButtonImages();
    ShowChosen(m_nSelectedMode == 1 ? m_btnOn : m_btnOff);
    MarkChosenOption();
    SetApplyEnabled(false);
}

// A picture that cannot be loaded leaves its place as the template drew it (the normal background) or
// unpainted; the dialog still works, so the program goes on.
void CTessalyDlg::LoadButtonImages() {
    if (m_bLargeLayout && m_bmpLargeBackground.LoadBitmap(IDB_BACKGROUND_LARGE)) {
        // The template's own background comes back and is released here.
        m_picBackground.SetBitmap(m_bmpLargeBackground.Get());
    }
    const PushImages& images = kPushImages[m_bLargeLayout ? 1 : 0];
    struct {
        CGraphicButton& button;
        const std::wstring& text;
    } const pushButtons[] = {{m_btnApply, m_strApply}, {m_btnOK, m_strOK}, {m_btnCancel, m_strCancel}};
    for (const auto& push : pushButtons) {
        if (m_bLargeLayout) push.button.SetLargeCaption(true);
        if (m_bRightToLeft) push.button.SetRightToLeft();
        push.button.SetText(push.text);
        (void)push.button.LoadBitmaps(images.normal, images.hover, images.pressed, images.inactive);
    }
    // What screen readers announce: the buttons' names, which nothing draws. The options are named by their
    // labels, which show their focus cues.
    for (const auto& push : pushButtons) push.button.SetName(push.text);
    m_btnOn.SetName(m_strOn);
    m_btnOff.SetName(m_strOff);
    m_btnHelp.SetName(m_strHelp);
    m_btnOn.SetOption(m_lblOn);
    m_btnOff.SetOption(m_lblOff);
    m_lblOn.ShowFocusOf(m_btnOn);
    m_lblOff.ShowFocusOf(m_btnOff);

    const OptionImages& option = kOptionImages[m_bLargeLayout ? 1 : 0];
    for (CGraphicButton* button : {&m_btnOn, &m_btnOff})
        (void)button->LoadBitmaps(option.notChosen, option.notChosen, option.chosen, option.inactive);
    (void)m_btnHelp.LoadBitmaps(IDB_HELP, IDB_HELP, IDB_HELP_PRESSED, IDB_HELP);
}

void CTessalyDlg::OnSelectOn() {
    if (m_machinePolicy.Set()) return;
    m_nSelectedMode = 1;
    ShowChosen(m_btnOn);
    ShowNotChosen(m_btnOff);
    MarkChosenOption();
    SetApplyEnabled(true);
}

void CTessalyDlg::OnSelectOff() {
    if (m_machinePolicy.Set()) return;
    m_nSelectedMode = 0;
    ShowChosen(m_btnOff);
    ShowNotChosen(m_btnOn);
    MarkChosenOption();
    SetApplyEnabled(true);
}

void CTessalyDlg::ShowChosen(CGraphicButton& option) {
    const OptionImages& images = kOptionImages[m_bLargeLayout ? 1 : 0];
    (void)option.ReloadBitmaps(images.chosen, images.chosen, images.chosen, images.inactive);
}

void CTessalyDlg::ShowNotChosen(CGraphicButton& option) {
    const UINT notChosen = kOptionImages[m_bLargeLayout ? 1 : 0].notChosen;
    (void)option.ReloadBitmaps(notChosen, notChosen, notChosen, notChosen);
    option.Invalidate(TRUE);
}

// Greyed out: the inactive look first, then disabled. Enabled: the other way round, and repainted.
void CTessalyDlg::SetApplyEnabled(bool enabled) {
    if (!enabled) {
        m_btnApply.SetInactive(true);
        m_btnApply.EnableWindow(FALSE);
        return;
    }
    m_btnApply.EnableWindow(TRUE);
    m_btnApply.SetInactive(false);
}

std::wstring CTessalyDlg::GetLanguageCode() {
    return LanguageCodeFor(::GetUserDefaultLangID());
}

void CTessalyDlg::LoadInterfaceTexts(const std::wstring& code) {
    const std::wstring file = m_strModuleDir + L"UIString.ini";
    const bool large = m_bLargeLayout != 0;
    const bool rightToLeft = IsRightToLeftLanguage(code);
    // Background, text colour, font, text: in this order, so each repaint already has what it needs. A text
    // of a right-to-left language reads right to left from the label's right edge. A font that cannot be
    // made leaves the label in the dialog's own. The labels show an '&' as it stands (SS_NOPREFIX in the
    // template), which is no access key either (Wine's dialog manager still takes it for one).
    auto setUp = [&](CStaticTrans& label, LabelRole role, fw::CFont& font, const std::wstring& value) {
        if (rightToLeft && role != LabelRole::kTitle) label.SetRightToLeft();
        const LabelColours colours = ColoursOf(role, false);
        label.SetBackColor(colours.back);
        label.SetTextColor(colours.text);
        const LabelStyle& style = StyleOf(role);
        // The On and Off labels share the option-label font: made once, never remade under the first label.
        if (font || font.CreateSegoeFont(style.Height(large), style.weight))
            label.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
        label.SetWindowText(value);
    };

    setUp(m_lblTitle, LabelRole::kTitle, m_fontTitle, kProgramTitle);
    m_strDesc = ReadText(file, code, L"Desc");
    setUp(m_lblDescription, LabelRole::kDescription, m_fontDescription, m_strDesc);
    m_strFuncName = ReadText(file, code, L"FuncName");
    setUp(m_lblFeatureName, LabelRole::kFeatureName, m_fontFeatureName, m_strFuncName);
    m_strState = ReadText(file, code, L"State");
    m_strOn = ReadText(file, code, L"On");
    m_strOff = ReadText(file, code, L"Off");
    setUp(m_lblOn, LabelRole::kOption, m_fontOption, m_strOn);
    setUp(m_lblOff, LabelRole::kOption, m_fontOption, m_strOff);

    m_strOK = ReadText(file, code, L"OK");
    m_strCancel = ReadText(file, code, L"CANCEL");
    m_strApply = ReadText(file, code, L"APPLY");
    m_strMsg1 = ReadText(file, code, L"MSG1");
    m_strMsg2 = ReadText(file, code, L"MSG2");
    m_strPolicy = ReadText(file, code, L"POLICY");
    if (m_strPolicy.empty()) m_strPolicy = ReadText(file, L"0409", L"POLICY");
    m_strHelp = ReadText(file, code, L"HELP");
    // A translation without the key (a maker's own file in the documented format has none) still names the
    // help button for screen readers: in English.
    if (m_strHelp.empty()) m_strHelp = ReadText(file, L"0409", L"HELP");
    if (m_strHelp.empty()) m_strHelp = L"Help";
}

// Each label may grow down to the next label or the picture's line.
void CTessalyDlg::FitLabels() {
    const bool large = m_bLargeLayout != 0;
    auto pictureY = [large](int y) { return large ? y * 6 / 5 : y; };
    const RECT on = ChildRect(m_lblOn), off = ChildRect(m_lblOff);
    const LabelRoom rooms[] = {
        {m_lblDescription, ChildRect(m_lblDescription), StyleOf(LabelRole::kDescription),
         pictureY(kDividerY) - 4},
        {m_lblFeatureName, ChildRect(m_lblFeatureName), StyleOf(LabelRole::kFeatureName), on.top - 2},
        {m_lblOn, on, StyleOf(LabelRole::kOption), off.top - 2},
        {m_lblOff, off, StyleOf(LabelRole::kOption), pictureY(kSeparatorY) - 2}};
    HDC dc = ::GetDC(m_hWnd);
    for (size_t i = 0; i < sizeof rooms / sizeof rooms[0]; ++i)
        FitLabelInRoom(dc, rooms[i], large, m_fontsFitted[i]);
    for (CGraphicButton* button : {&m_btnOK, &m_btnCancel, &m_btnApply}) FitCaption(dc, *button, large);
    ::ReleaseDC(m_hWnd, dc);
}

// The designed colours, or in high contrast the user's window colours.
void CTessalyDlg::ColourLabels(bool highContrast) {
    const struct {
        CStaticTrans& label;
        LabelRole role;
    } labels[] = {{m_lblTitle, LabelRole::kTitle},
                  {m_lblDescription, LabelRole::kDescription},
                  {m_lblFeatureName, LabelRole::kFeatureName},
                  {m_lblOn, LabelRole::kOption},
                  {m_lblOff, LabelRole::kOption}};
    for (const auto& l : labels) {
        const LabelColours colours = ColoursOf(l.role, highContrast);
        l.label.SetBackColor(colours.back);
        l.label.SetTextColor(colours.text);
    }
    if (m_lblPolicy.GetSafeHwnd()) {
        const LabelColours colours = ColoursOf(LabelRole::kFeatureName, highContrast);
        m_lblPolicy.SetBackColor(colours.back);
        m_lblPolicy.SetTextColor(colours.text);
    }
}

// Nothing to show, or no viewer that may be started: no window at all, rather than a viewer with an error.
void CTessalyDlg::OpenHelp() {
    (void)OpenHelpFile(HelpFileFor(m_strModuleDir, GetLanguageCode()), TheApp().ComSecured());
}

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

// The probe's status texts are shown; MSG2 is the caller's to show when the feature is not there.
BOOL CTessalyDlg::ReadQuickResumeMode() {
    const ProbeOutcome probe = m_quickResume.Probe();
    for (const std::wstring& message : probe.messages) ShowMessage(message);
    if (!probe.available) return FALSE;
    const DWORD stored = m_modeRecord.ReadModeValue();
    if (stored > 1) return FALSE;
    m_nSelectedMode = static_cast<int>(stored);
    return TRUE;
}

void CTessalyDlg::ShowOutcome(const FirmwareOutcome& outcome) {
    for (const std::wstring& message : outcome.messages) ShowMessage(message);
    // The package's log learns what was written for whom; a person sees the dialog itself.
    if (m_bQuiet)
        for (const std::wstring& line : outcome.log) Report(L"Velmora: " + line);
    if (outcome.exitCode != velmora_exit::kDone) NoteFailure(outcome.exitCode);
}

bool CTessalyDlg::SwitchMode(int mode, const wchar_t* invalidAnswerText) {
    const std::wstring before = m_modeRecord.ReadModeValue() == 1 ? L"on" : L"off";
    SwitchOutcome outcome;
    {
        // The commands take a while (ten per scheme); the dialog stays painted meanwhile but takes no input.
        CBusy busy(*this);
        outcome = m_quickResume.Switch(mode, invalidAnswerText, m_policy, m_modeRecord);
    }
    m_bSwitchTried = true;
    // Every switch and every failed one is an entry of the event log; a log that does not take it loses
    // nothing the person or the exit code is not told.
    CEventLog events;
    if (outcome.switched) (void)events.Switched(mode, before, m_route);
    if (outcome.exitCode != velmora_exit::kDone) (void)events.Failed(mode, m_route, outcome.exitCode);
    ShowOutcome(outcome);
    return outcome.switched;
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
        if (m_modeRecord.ReadModeValue() == 0 &&
            !SwitchMode(1, L"ERROR! Invalid Enable Setting value is returned "))
            return;
    } else {
        if (m_modeRecord.ReadModeValue() == 1 &&
            !SwitchMode(0, L"ERROR! Invalid Disable Setting value is returned"))
            return;
    }
    OnOK();
}
