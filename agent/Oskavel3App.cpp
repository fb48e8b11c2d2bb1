#include "Oskavel3App.h"

#include "Oskavel3Dlg.h"

namespace {
const wchar_t kMutexName[] = L"MHOskavel";
}  // namespace

BOOL COskavel3App::InitInstance() {
    fw::CWinApp::InitInstance();

    // "Already exists", or access denied to a mutex an agent of another integrity level holds, means an agent
    // runs. Any other outcome, a failed creation included, lets this one run.
    m_hInstanceMutex.Reset(::CreateMutexW(nullptr, TRUE, kMutexName));
    const DWORD error = ::GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) return FALSE;

    COskavel3Dlg dlg;
    RunMainDialog(dlg);
    return FALSE;
}
