#include "FirmwareLibrary.h"

#include <framework/app.h>
#include <framework/handles.h>

#include <cstdio>

namespace {
constexpr unsigned short kInterfaceSignature = 0x5843;
constexpr size_t kDataBlockSize = 11;
constexpr DWORD kSearchLibraryFolder = 0x00000100;  // LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR
constexpr DWORD kSearchSystemFolder = 0x00000800;   // LOAD_LIBRARY_SEARCH_SYSTEM32

// The library's own dependencies come from its folder and the system folder, never from a search path. The
// search flags that say so exist where SetDefaultDllDirectories does (6.2, and 6.0 and 6.1 with the update
// that brings it); elsewhere the library's folder is searched first (the altered search path), the current
// folder is out of the search already (the program's start-up), and only PATH, which nothing takes out
// there, is still searched after the system's folders.
HMODULE LoadFromItsFolder(const std::wstring& path) {
    const bool searchFlags = fw::GetProc<fw::SetDefaultDllDirectoriesFn>(
                                 ::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories") != nullptr;
    return ::LoadLibraryExW(
        path.c_str(), nullptr,
        searchFlags ? kSearchLibraryFolder | kSearchSystemFolder : LOAD_WITH_ALTERED_SEARCH_PATH);
}
}  // namespace

bool CFirmwareLibrary::Load(const std::wstring& path, std::wstring& failure) {
    // Freed on every way out but success.
    fw::CModule library(LoadFromItsFolder(path));
    if (!library) {
        wchar_t text[96];
        std::swprintf(text, 96, L"Can't Find or Load KOLU DLL file! Error=%u\r\n", ::GetLastError());
        failure = text;
        return false;
    }
    const auto init = fw::GetProc<InitEntry>(library.Get(), "InitBIOSInterface");
    if (!init) {
        failure = L"Can't Find InitBIOSInteface from KOLU DLL\r\n";
        return false;
    }
    const auto call = fw::GetProc<CallEntry>(library.Get(), "CallBIOSInterfaceEx");
    if (!call) {
        failure = L"Can't Find CallBIOSInteface from KOLU DLL\r\n";
        return false;
    }
    m_hLibrary = library.Detach();
    m_pfnInitBIOSInterface = init;
    m_pfnCallBIOSInterfaceEx = call;
    return true;
}

int CFirmwareLibrary::Init() const {
    return m_pfnInitBIOSInterface();
}

BYTE CFirmwareLibrary::Call(BYTE function, BYTE request, int& status) const {
    unsigned char block[kDataBlockSize] = {};
    block[0] = request;
    status = m_pfnCallBIOSInterfaceEx(kInterfaceSignature, function, block);
    return block[0];
}
