// Binding of the maker's firmware-call library and the one call wrapper every firmware request uses.
#include <cstdio>

#include "../TessalyDlg.h"
#include "StatusTexts.h"

namespace {
constexpr unsigned short kInterfaceSignature = 0x5843;
constexpr size_t kDataBlockSize = 11;
}  // namespace

BOOL CTessalyDlg::LoadFirmwareLibrary() {
    const std::wstring path = m_strModuleDir + L"Win7_Driver\\x64\\KOLU3.DLL";
    m_hFirmwareLib = ::LoadLibraryW(path.c_str());
    if (!m_hFirmwareLib) {
        wchar_t text[96];
        std::swprintf(text, 96, L"Can't Find or Load KOLU DLL file! Error=%u\r\n", ::GetLastError());
        ShowMessage(text);
        return FALSE;
    }
    m_pfnInitBIOSInterface = fw::GetProc<InitEntry>(m_hFirmwareLib, "InitBIOSInterface");
    if (!m_pfnInitBIOSInterface) {
        ::FreeLibrary(m_hFirmwareLib);
        m_hFirmwareLib = nullptr;
        ShowMessage(L"Can't Find InitBIOSInteface from KOLU DLL\r\n");
        return FALSE;
    }
    m_pfnCallBIOSInterfaceEx = fw::GetProc<CallEntry>(m_hFirmwareLib, "CallBIOSInterfaceEx");
    if (!m_pfnCallBIOSInterfaceEx) {
        m_pfnCallBIOSInterfaceEx = nullptr;
        ::FreeLibrary(m_hFirmwareLib);
        m_hFirmwareLib = nullptr;
        ShowMessage(L"Can't Find CallBIOSInteface from KOLU DLL\r\n");
        return FALSE;
    }
    // The library stays loaded until the process ends.
    return TRUE;
}

BOOL CTessalyDlg::InitFirmwareInterface() {
    const int status = m_pfnInitBIOSInterface();
    if (status == 0) return TRUE;
    ShowMessage(InitStatusText(status));
    return FALSE;
}

BYTE CTessalyDlg::CallFirmware(BYTE function, BYTE request) {
    unsigned char block[kDataBlockSize] = {};
    block[0] = request;
    const int status = m_pfnCallBIOSInterfaceEx(kInterfaceSignature, function, block);
    // The caller judges the outcome by the answer byte, whatever the status was.
    if (status != 0) ShowMessage(CallStatusText(status));
    return block[0];
}
