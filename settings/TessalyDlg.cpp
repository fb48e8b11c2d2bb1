#include "TessalyDlg.h"

#include <VelmoraExitCodes.h>
#include <app.h>

#include "../resources/settings/resource.h"
#include "Language.h"
#include "TessalyApp.h"

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

bool HighContrastOn() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}
}  // namespace

CTessalyDlg::CTessalyDlg() : fw::CDialog(IDD_VELMORA_DIALOG, nullptr) {
    m_hIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    // Arabic and Hebrew get the whole dialog mirrored, as Windows lays out the dialogs of those languages.
    SetMirrored(IsRightToLeftLanguage(GetLanguageCode()));
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

    const std::wstring tail = TheApp().m_lpCmdLine;
    const bool packageRun = tail == kPackageUninstallTail;
    m_bQuiet = packageRun || !fw::InteractiveSession();
    auto end = [this](int exitCode) {
        NoteFailure(exitCode);
        EndDialog(0);
        return TRUE;
    };
    // What the package's switch-off reports when it has done its work: whether every user's record could
    // be read.
    int doneCode = velmora_exit::kDone;
    if (packageRun) {
        // The package runs as the system: the users whose mode is on are found in their registries, those
        // signed in and those not, and where nobody's mode is on nothing is touched.
        std::vector<std::wstring> unreadable;
        m_modeRecord = CModeRecord::UsersWithModeOn(unreadable);
        for (const std::wstring& user : unreadable)
            fw::ReportToCaller(L"Velmora: the registry of " + user +
                               L" could not be read; whether quick resume is on for that user is not known.");
        if (!unreadable.empty()) doneCode = velmora_exit::kProfileUnreadable;
        if (m_modeRecord.Empty()) return end(doneCode);
    }

    if (!TheApp().CheckOSVersion()) return end(velmora_exit::kUnsupportedSystem);
    if (!LoadFirmwareLibrary()) return end(velmora_exit::kNoFirmwareLibrary);
    if (!InitFirmwareInterface()) return end(velmora_exit::kFirmwareInitFailed);
    if (!ReadQuickResumeMode()) {
        ShowMessage(m_strMsg2);
        return end(velmora_exit::kModeUnavailable);
    }

    if (tail == L"UNINSTALL" || packageRun) {
        if (m_nSelectedMode == 1) {
            m_nSelectedMode = 0;
            CommitSelectedMode();
        }
        if (packageRun) {
            for (const std::wstring& line :
                 m_modeRecord.Describe(CPowerPolicy::kStartMenuKey, CPowerPolicy::kStartMenuButton))
                fw::ReportToCaller(L"Velmora: " + line);
        }
        return end(doneCode);
    }

    ShowInitialState();
    ::SetWindowPos(m_picBackground, nullptr, 0, 0, client.right - client.left, client.bottom - client.top, 0);
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
    m_grpOptions.Create(m_hWnd, IDC_OPTION_GROUP, group, m_strFuncName, m_picBackground);
    m_btnOn.SetDescription(m_strDesc);
    m_btnOff.SetDescription(m_strDesc);
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

void CTessalyDlg::ChooseByLabel(CGraphicButton& option) {
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
    ::ShowWindow(m_picBackground, highContrast ? SW_HIDE : SW_SHOWNA);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

// A change of theme while the dialog is open: Windows announces high contrast switched on or off with
// WM_SETTINGCHANGE (SPI_SETHIGHCONTRAST) and new colours with WM_SYSCOLORCHANGE.
LRESULT CTessalyDlg::OnThemeChange(WPARAM, LPARAM) {
    const bool highContrast = HighContrastOn();
    if (highContrast || m_bHighContrast) ShowContrast(highContrast);
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

void CTessalyDlg::ShowMessage(const std::wstring& text) {
    if (m_bQuiet) return;  // the run's exit code tells instead
    ::MessageBoxW(m_hWnd, text.c_str(), kProgramTitle, MB_OK);
}

void CTessalyDlg::ShowInitialState() {
    LoadButtonImages();
    ShowChosen(m_nSelectedMode == 1 ? m_btnOn : m_btnOff);
    MarkChosenOption();
    SetApplyEnabled(false);
}

void CTessalyDlg::LoadButtonImages() {
    if (m_bLargeLayout) {
        m_bmpLargeBackground.LoadBitmap(IDB_BACKGROUND_LARGE);
        // The template's own background comes back and is released here.
        m_picBackground.SetBitmap(m_bmpLargeBackground.Get());
    }
    const PushImages& images = kPushImages[m_bLargeLayout ? 1 : 0];
    struct {
        CGraphicButton& button;
        const std::wstring& text;
    } const pushButtons[] = {{m_btnApply, m_strApply}, {m_btnOK, m_strOK}, {m_btnCancel, m_strCancel}};
    for (const auto& push : pushButtons) {
        if (m_bLargeLayout) push.button.m_bLargeFont = 1;
        push.button.SetText(push.text);
        push.button.LoadBitmaps(images.normal, images.hover, images.pressed, images.inactive);
    }
    // What screen readers announce: the buttons' window texts, which nothing draws. The options are named by
    // their labels.
    for (const auto& push : pushButtons) push.button.SetWindowText(push.text);
    m_btnOn.SetWindowText(m_strOn);
    m_btnOff.SetWindowText(m_strOff);
    m_btnHelp.SetWindowText(m_strHelp);
    m_btnOn.SetOption();
    m_btnOff.SetOption();

    const OptionImages& option = kOptionImages[m_bLargeLayout ? 1 : 0];
    for (CGraphicButton* button : {&m_btnOn, &m_btnOff})
        button->LoadBitmaps(option.notChosen, option.notChosen, option.chosen, option.inactive);
    m_btnHelp.LoadBitmaps(IDB_HELP, IDB_HELP, IDB_HELP_PRESSED, IDB_HELP);
}

void CTessalyDlg::OnSelectOn() {
    m_nSelectedMode = 1;
    ShowChosen(m_btnOn);
    ShowNotChosen(m_btnOff);
    MarkChosenOption();
    SetApplyEnabled(true);
}

void CTessalyDlg::OnSelectOff() {
    m_nSelectedMode = 0;
    ShowChosen(m_btnOff);
    ShowNotChosen(m_btnOn);
    MarkChosenOption();
    SetApplyEnabled(true);
}

void CTessalyDlg::ShowChosen(CGraphicButton& option) {
    const OptionImages& images = kOptionImages[m_bLargeLayout ? 1 : 0];
    option.ReloadBitmaps(images.chosen, images.chosen, images.chosen, images.inactive);
}

void CTessalyDlg::ShowNotChosen(CGraphicButton& option) {
    const UINT notChosen = kOptionImages[m_bLargeLayout ? 1 : 0].notChosen;
    option.ReloadBitmaps(notChosen, notChosen, notChosen, notChosen);
    option.Invalidate(TRUE);
}

// Greyed out: the inactive look first, then disabled. Enabled: the other way round, and repainted.
void CTessalyDlg::SetApplyEnabled(bool enabled) {
    if (!enabled) {
        m_btnApply.m_bInactive = 1;
        m_btnApply.EnableWindow(FALSE);
        return;
    }
    m_btnApply.EnableWindow(TRUE);
    m_btnApply.m_bInactive = 0;
    m_btnApply.Invalidate(TRUE);
}
