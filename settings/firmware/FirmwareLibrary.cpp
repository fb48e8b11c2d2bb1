#include "FirmwareLibrary.h"

#include <handles.h>

#include <cstdio>

namespace {
constexpr unsigned short kInterfaceSignature = 0x5843;
constexpr size_t kDataBlockSize = 11;
}  // namespace

bool CFirmwareLibrary::Load(const std::wstring& path, std::wstring& failure) {
    // Freed on every way out but success.
    fw::CModule library(::LoadLibraryW(path.c_str()));
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
