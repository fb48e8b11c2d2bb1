#include "TessalyDlg.h"

#include <app.h>

#include "../resources/settings/resource.h"
#include "TessalyApp.h"
#include "VelmoraExitCodes.h"

namespace {
const wchar_t kCaption[] = L"Corvane Velmora";
constexpr int kNormalLayoutWidth = 364;
}  // namespace

CTessalyDlg::CTessalyDlg() : fw::CDialog(IDD_VELMORA_DIALOG, nullptr) {
    m_hIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
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
                               L" could not be read; whether quick resume "
                               L"is on for that user is not known.");
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
    ArrangeTabOrder();
    return TRUE;
}

// Tab goes round Help, On, Off, OK, Cancel, Apply, in the order the eye reads them. The round starts at the
// chosen option, so the dialog manager gives it the focus first, as it would the chosen button of an option
// group. Only the order of these buttons among themselves changes (they overlap no other control but the
// background, which stays first), so nothing is drawn differently.
void CTessalyDlg::ArrangeTabOrder() {
    HWND round[] = {m_btnHelp, m_btnOn, m_btnOff, m_btnOK, m_btnCancel, m_btnApply};
    const size_t count = sizeof round / sizeof round[0];
    const size_t first = m_nSelectedMode == 1 ? 1 : 2;
    HWND previous = m_picBackground;
    for (size_t i = 0; i < count; ++i) {
        HWND control = round[(first + i) % count];
        ::SetWindowPos(control, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = control;
    }
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
    ::MessageBoxW(m_hWnd, text.c_str(), kCaption, MB_OK);
}

void CTessalyDlg::ShowInitialState() {
    LoadButtonImages();
    CGraphicButton& chosen = m_nSelectedMode == 1 ? m_btnOn : m_btnOff;
    if (m_bLargeLayout)
        chosen.ReloadBitmaps(IDB_OPTION_CHOSEN_LARGE, IDB_OPTION_CHOSEN_LARGE, IDB_OPTION_CHOSEN_LARGE,
                             IDB_OPTION_INACTIVE_LARGE);
    else
        chosen.ReloadBitmaps(IDB_OPTION_CHOSEN, IDB_OPTION_CHOSEN, IDB_OPTION_CHOSEN, IDB_OPTION_INACTIVE);
    MarkChosenOption();
    m_btnApply.m_bInactive = 1;
    m_btnApply.EnableWindow(FALSE);
}

void CTessalyDlg::LoadButtonImages() {
    if (m_bLargeLayout) {
        m_bmpLargeBackground.LoadBitmap(IDB_BACKGROUND_LARGE);
        // The template's own background comes back and is released here.
        m_picBackground.SetBitmap(m_bmpLargeBackground.Get());
    }
    const UINT normal = m_bLargeLayout ? IDB_BUTTON_NORMAL_LARGE : IDB_BUTTON_NORMAL;
    const UINT hover = m_bLargeLayout ? IDB_BUTTON_HOVER_LARGE : IDB_BUTTON_HOVER;
    const UINT pressed = m_bLargeLayout ? IDB_BUTTON_PRESSED_LARGE : IDB_BUTTON_PRESSED;
    const UINT inactive = m_bLargeLayout ? IDB_BUTTON_INACTIVE_LARGE : IDB_BUTTON_INACTIVE;
    struct {
        CGraphicButton& button;
        const std::wstring& text;
    } const pushButtons[] = {{m_btnApply, m_strApply}, {m_btnOK, m_strOK}, {m_btnCancel, m_strCancel}};
    for (const auto& push : pushButtons) {
        if (m_bLargeLayout) push.button.m_bLargeFont = 1;
        push.button.SetText(push.text);
        push.button.LoadBitmaps(normal, hover, pressed, inactive);
    }
    // What screen readers announce: the buttons' window texts, which nothing draws. The options are named by
    // their labels.
    for (const auto& push : pushButtons) push.button.SetWindowText(push.text);
    m_btnOn.SetWindowText(m_strOn);
    m_btnOff.SetWindowText(m_strOff);
    m_btnHelp.SetWindowText(m_strHelp);
    m_btnOn.m_bOption = 1;
    m_btnOff.m_bOption = 1;

    if (m_bLargeLayout) {
        m_btnOn.LoadBitmaps(IDB_OPTION_NOT_CHOSEN_LARGE, IDB_OPTION_NOT_CHOSEN_LARGE, IDB_OPTION_CHOSEN_LARGE,
                            IDB_OPTION_INACTIVE_LARGE);
        m_btnOff.LoadBitmaps(IDB_OPTION_NOT_CHOSEN_LARGE, IDB_OPTION_NOT_CHOSEN_LARGE,
                             IDB_OPTION_CHOSEN_LARGE, IDB_OPTION_INACTIVE_LARGE);
    } else {
        m_btnOn.LoadBitmaps(IDB_OPTION_NOT_CHOSEN, IDB_OPTION_NOT_CHOSEN, IDB_OPTION_CHOSEN,
                            IDB_OPTION_INACTIVE);
        m_btnOff.LoadBitmaps(IDB_OPTION_NOT_CHOSEN, IDB_OPTION_NOT_CHOSEN, IDB_OPTION_CHOSEN,
                             IDB_OPTION_INACTIVE);
    }
    m_btnHelp.LoadBitmaps(IDB_HELP, IDB_HELP, IDB_HELP_PRESSED, IDB_HELP);
}

void CTessalyDlg::OnSelectOn() {
    m_nSelectedMode = 1;
    if (m_bLargeLayout) {
        m_btnOn.ReloadBitmaps(IDB_OPTION_CHOSEN_LARGE, IDB_OPTION_CHOSEN_LARGE, IDB_OPTION_CHOSEN_LARGE,
                              IDB_OPTION_INACTIVE_LARGE);
        m_btnOff.ReloadBitmaps(IDB_OPTION_NOT_CHOSEN_LARGE, IDB_OPTION_NOT_CHOSEN_LARGE,
                               IDB_OPTION_NOT_CHOSEN_LARGE, IDB_OPTION_NOT_CHOSEN_LARGE);
    } else {
        m_btnOn.ReloadBitmaps(IDB_OPTION_CHOSEN, IDB_OPTION_CHOSEN, IDB_OPTION_CHOSEN, IDB_OPTION_INACTIVE);
        m_btnOff.ReloadBitmaps(IDB_OPTION_NOT_CHOSEN, IDB_OPTION_NOT_CHOSEN, IDB_OPTION_NOT_CHOSEN,
                               IDB_OPTION_NOT_CHOSEN);
    }
    m_btnOff.Invalidate(TRUE);
    MarkChosenOption();
    m_btnApply.EnableWindow(TRUE);
    m_btnApply.m_bInactive = 0;
    m_btnApply.Invalidate(TRUE);
}

void CTessalyDlg::OnSelectOff() {
    m_nSelectedMode = 0;
    if (m_bLargeLayout)
        m_btnOff.ReloadBitmaps(IDB_OPTION_CHOSEN_LARGE, IDB_OPTION_CHOSEN_LARGE, IDB_OPTION_CHOSEN_LARGE,
                               IDB_OPTION_INACTIVE_LARGE);
    else
        m_btnOff.ReloadBitmaps(IDB_OPTION_CHOSEN, IDB_OPTION_CHOSEN, IDB_OPTION_CHOSEN, IDB_OPTION_INACTIVE);
    m_btnOn.Invalidate(TRUE);
    if (m_bLargeLayout)
        m_btnOn.ReloadBitmaps(IDB_OPTION_NOT_CHOSEN_LARGE, IDB_OPTION_NOT_CHOSEN_LARGE,
                              IDB_OPTION_NOT_CHOSEN_LARGE, IDB_OPTION_NOT_CHOSEN_LARGE);
    else
        m_btnOn.ReloadBitmaps(IDB_OPTION_NOT_CHOSEN, IDB_OPTION_NOT_CHOSEN, IDB_OPTION_NOT_CHOSEN,
                              IDB_OPTION_NOT_CHOSEN);
    MarkChosenOption();
    m_btnApply.EnableWindow(TRUE);
    m_btnApply.m_bInactive = 0;
    m_btnApply.Invalidate(TRUE);
}
