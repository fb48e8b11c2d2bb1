#include "Oskavel3Dlg.h"

#include <framework/app.h>

#include "../resources/agent/resource.h"
#include "AgentTask.h"
#include "CommandTail.h"
#include "DeviceWake.h"
#include "FirstRun.h"
#include "PolicyRemedy.h"
#include "PowerScheme.h"

namespace {
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerPeriodMs = 1000;
constexpr int kDispatchTick = 1;
constexpr int kCloseTick = 4;
}  // namespace

COskavel3Dlg::COskavel3Dlg() : fw::CDialog(IDD_OSKAVEL3_DIALOG, nullptr) {
    SetIcon(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME)));
}

COskavel3Dlg::~COskavel3Dlg() = default;

// The system menu's about item, the minimised icon and the drag icon are the framework's.
bool COskavel3Dlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    static const fw::MessageMapEntry<COskavel3Dlg> map[] = {
        {WM_TIMER, &COskavel3Dlg::OnTimer},
    };
    return RouteMessage(this, map, msg, wp, lp, result) || fw::CDialog::OnMessage(msg, wp, lp, result);
}

BOOL COskavel3Dlg::OnInitDialog() {
    fw::CDialog::OnInitDialog();

    AppendAboutMenuItem(IDS_ABOUTBOX);
    SetIcons();

    m_strCmdTail = fw::CWinApp::Get()->CommandTail();
    // Only the taskbar shows the title; without it the work is the same.
    (void)SetWindowText(L"Oskavel3");

    // The agent works unseen: hidden, then minimised. (ShowWindow answers whether the window was visible
    // before, not whether it worked.)
    ::ShowWindow(m_hWnd, SW_HIDE);
    ::ShowWindow(m_hWnd, SW_MINIMIZE);
    // Wine: its dialog manager shows the minimised dialog in normal size once the queue runs empty (Windows
    // leaves a visible, minimised dialog as it is); the guard keeps it minimised. Without a guard (no hook
    // for this thread) the window may show for a moment; the work is the same.
    (void)m_keepIconic.Guard(m_hWnd);
    // The message only tells the window it was hidden; nothing waits for it.
    (void)fw::PostMessageRetrying(m_hWnd, WM_SHOWWINDOW, FALSE, SW_OTHERUNZOOM);

    m_strAgentDir = fw::ModuleDirectory();
    // Every file the agent opens is named by its full path; the current folder is only what its tools
    // inherit.
    (void)::SetCurrentDirectoryW(m_strAgentDir.c_str());
    // Paints nothing that anyone sees: the window is hidden.
    (void)::UpdateWindow(m_hWnd);
    // Without its timer the agent would never work and never end, holding its mutex for good.
    if (!::SetTimer(m_hWnd, kTimerId, kTimerPeriodMs, nullptr)) {
        if (ReadAgentVerb(m_strCmdTail).kind != AgentVerb::kDefault) m_nExitCode = agent_exit::kNoTimer;
        EndDialog(IDABORT);
        return TRUE;
    }
    m_nTimerTicks = 0;
    return TRUE;
}

void COskavel3Dlg::OnAbout() {
    CAboutDlg about(m_hWnd);
    // Its one button closes it; a box that cannot be shown changes nothing of the agent's work.
    (void)about.DoModal();
}

LRESULT COskavel3Dlg::OnTimer(WPARAM, LPARAM) {
    ++m_nTimerTicks;
    if (m_nTimerTicks == kDispatchTick) {
        DispatchCommand();
    } else if (m_nTimerTicks == kCloseTick) {
        OnOK();
    }
    SetMsgHandled(false);
    return 0;
}

void COskavel3Dlg::DispatchCommand() {
    // What every sequence starts from: the power library and the record.
    m_powerLibrary = LoadPowerLibrary();
    RecordedScheme recorded = ReadRecordedScheme();
    const AgentVerb verb = ReadAgentVerb(m_strCmdTail);
    // Nobody answers a box for the installer package, nor in a service's session.
    const bool askUser = !verb.package && fw::InteractiveSession();
    agent_exit::Outcome outcome;

    // A record whose plan is no longer in the store installs afresh: a lost plan is restored, and a
    // rollback or repair can rely on "/install".
    const bool installed = recorded.guid && SchemeExists(*recorded.guid);
    if (verb.kind == AgentVerb::kInstall && !installed) {
        // Recording and renaming need an imported identifier; without one a later install tries again.
        const ImportedGuid imported = InstallPowerScheme(m_powerLibrary.Get(), m_strAgentDir, outcome);
        if (imported && !RenamePlan(RecordSchemeIdentifier(*imported, askUser, outcome)))
            outcome.Fail(agent_exit::kPowerSettingFailed);
        if (!CreateAgentTask(m_strAgentDir, fw::ModulePath())) outcome.Fail(agent_exit::kTaskFailed);
        // Wine: the package's install that failed takes back what it did before it reports. The installation
        // is then rolled back; Windows Installer runs a rollback backwards, so that its AgentInstallRollback
        // finds this program still there, but Wine's msiexec runs it in the order it was written and removes
        // the files first, after which nothing could start this program to undo its work.
        if (verb.package && outcome.code != agent_exit::kDone) {
            if (imported) recorded.guid = *imported;
            agent_exit::Outcome undone;
            Uninstall(recorded, /*package=*/true, undone);
            // The run's exit code stays the install's; what the undo came to goes to the log beside it.
            (void)fw::ReportToCaller(
                undone.code == agent_exit::kDone
                    ? std::wstring(L"Oskavel3: the failed install took back what it had done.")
                    : L"Oskavel3: the failed install could not take back all it had done: " +
                          std::wstring(agent_exit::Meaning(undone.code)) + L" (exit code " +
                          std::to_wstring(undone.code) + L").");
        }
    } else if (verb.kind == AgentVerb::kUninstall) {
        Uninstall(recorded, verb.package, outcome);
    } else {
        if (!RenamePlan(recorded.text)) outcome.Fail(agent_exit::kPowerSettingFailed);
        // "/install" over an installed plan registers the task again (its files may be new), replacing the
        // one there in one step: a failing registration keeps the old task.
        if (verb.kind == AgentVerb::kInstall && !CreateAgentTask(m_strAgentDir, fw::ModulePath()))
            outcome.Fail(agent_exit::kTaskFailed);
        if (CheckFirstRun()) ConfigureDeviceWake();
        // At a logon (the default sequence): the mode as the organization's policy sets it, where one does.
        if (verb.kind == AgentVerb::kDefault) (void)BringModeBackToPolicy();  // nothing to report at a logon
    }
    // Only a verb's run reports its outcome; the default sequence ends with 0.
    m_nExitCode = verb.kind == AgentVerb::kDefault ? agent_exit::kDone : outcome.code;
}

void COskavel3Dlg::Uninstall(const RecordedScheme& recorded, bool package, agent_exit::Outcome& outcome) {
    RemovePowerScheme(m_powerLibrary.Get(), recorded, outcome);
    if (!DeleteAgentTask()) outcome.Fail(agent_exit::kTaskFailed);
    // The package's uninstall leaves nothing behind, so a later install starts over.
    if (package && !RemoveAgentRecord()) outcome.Fail(agent_exit::kRecordFailed);
}

CAboutDlg::CAboutDlg(HWND parent) : fw::CDialog(IDD_ABOUTBOX, parent) {}
