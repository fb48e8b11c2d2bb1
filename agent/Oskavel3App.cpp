#include "Oskavel3App.h"

#include "AgentExitCodes.h"
#include "CommandTail.h"
#include "Oskavel3Dlg.h"

namespace {
const wchar_t kMutexName[] = L"MHOskavel";
}  // namespace

BOOL COskavel3App::InitInstance() {
    fw::CWinApp::InitInstance();

    // "Already exists", or access denied to a mutex an agent of another integrity level holds, means an agent
    // runs. Any other outcome, a failed creation included, lets this one run.
    // A verb's run reports what kept it from its work.
    const bool reports = ReadAgentVerb(m_lpCmdLine).kind != AgentVerb::kDefault;
    m_hInstanceMutex.Reset(::CreateMutexW(nullptr, TRUE, kMutexName));
    const DWORD error = ::GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) {
        if (reports) m_nExitCode = agent_exit::kAlreadyRunning;
        return FALSE;
    }

    COskavel3Dlg dlg;
    if (!RunMainDialog(dlg))
        m_nExitCode = reports ? agent_exit::kNoWindow : agent_exit::kDone;
    else
        m_nExitCode = dlg.m_nExitCode;
    return FALSE;
}
