#include "Oskavel3App.h"

#include <ExitCodes.h>

#include "CommandTail.h"
#include "Oskavel3Dlg.h"

namespace {
const wchar_t kMutexName[] = L"MHOskavel";
// Longer than a genuine agent's whole run (four timer ticks and its tools); what holds the mutex for longer
// is not an agent at work.
constexpr DWORD kPackageWaitMs = 30000;
constexpr DWORD kRetryMs = 250;

// "Already exists", or access denied to a mutex an agent of another integrity level holds: an agent runs.
bool HeldElsewhere(DWORD error) {
    return error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED;
}
}  // namespace

BOOL COskavel3App::InitInstance() {
    // The common controls; the agent shows none of them, so their start's result changes nothing.
    (void)fw::CWinApp::InitInstance();

    // A verb's run reports what kept it from its work.
    const AgentVerb verb = ReadAgentVerb(CommandTail());
    const bool reports = verb.kind != AgentVerb::kDefault;
    if (!TakeInstanceMutex(verb.package)) {
        if (reports) SetExitCode(agent_exit::kAlreadyRunning);
        return FALSE;
    }

    COskavel3Dlg dlg;
    if (!RunMainDialog(dlg))
        SetExitCode(reports ? agent_exit::kNoWindow : agent_exit::kDone);
    else
        SetExitCode(dlg.ExitCode());
    return FALSE;
}

// A person's run and the logon task end at once when another agent of the session runs. The package's runs,
// as the system in session 0, share the global namespace with every user, any of whom may create the mutex:
// they wait for the holder to end and then do their work whether or not it did.
bool COskavel3App::TakeInstanceMutex(bool package) {
    m_hInstanceMutex.Reset(::CreateMutexW(nullptr, TRUE, kMutexName));
    if (!HeldElsewhere(::GetLastError())) return true;  // ours, or no mutex at all: nothing to keep out
    if (!package) return false;

    const DWORD start = ::GetTickCount();
    for (;;) {
        const DWORD waited = ::GetTickCount() - start;
        if (waited >= kPackageWaitMs) break;
        if (m_hInstanceMutex) {
            // An ended holder leaves the mutex abandoned: ours all the same.
            const DWORD wait = ::WaitForSingleObject(m_hInstanceMutex.Get(), kPackageWaitMs - waited);
            if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) return true;
            if (wait != WAIT_FAILED) break;
        }
        // A mutex this run may not open cannot be waited for: it is tried again until it is gone.
        ::Sleep(kRetryMs);
        m_hInstanceMutex.Reset(::CreateMutexW(nullptr, TRUE, kMutexName));
        if (!HeldElsewhere(::GetLastError())) return true;
    }
    // Said where the caller reads it, if anywhere: the work goes on either way.
    (void)fw::ReportToCaller(L"Oskavel3: the mutex MHOskavel stayed held by another process for " +
                             std::to_wstring(kPackageWaitMs / 1000) + L" s; the work is done without it.");
    return true;
}
