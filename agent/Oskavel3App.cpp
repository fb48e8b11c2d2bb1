#include "Oskavel3App.h"

#include <commctrl.h>

#include "Oskavel3Dlg.h"

namespace {
const wchar_t kMutexName[] = L"MHOskavel";
const wchar_t kProfileKey[] = L"로컬 응용 프로그램 마법사에서 생성된 응용 프로그램";
}  // namespace

BOOL COskavel3App::InitInstance() {
    INITCOMMONCONTROLSEX icc{8, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);

    fw::CWinApp::InitInstance();
    EnableControlContainer();
    SetRegistryKey(kProfileKey);

    // Any outcome but "already exists", a failed creation included, lets this agent run.
    m_hInstanceMutex.Reset(::CreateMutexW(nullptr, TRUE, kMutexName));
    if (::GetLastError() == ERROR_ALREADY_EXISTS) return FALSE;

    COskavel3Dlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
