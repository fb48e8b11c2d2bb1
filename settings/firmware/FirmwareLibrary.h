// The maker's firmware-call library KOLU3.DLL: its two entry points and the call record every firmware
// request uses. It shows nothing itself; the dialog reports what went wrong.
#pragma once
#include <windows.h>

#include <string>

class CFirmwareLibrary {
public:
    // Loads the library and resolves InitBIOSInterface and CallBIOSInterfaceEx. On failure the library is
    // not loaded and `failure` holds the text to show.
    bool Load(const std::wstring& path, std::wstring& failure);
    // What InitBIOSInterface returns: 0 when the interface is ready, a status code otherwise.
    int Init() const;
    // Sends one request: the answer is byte 0 of the data block after the call, whatever `status` is.
    BYTE Call(BYTE function, BYTE request, int& status) const;

private:
    using InitEntry = int(__cdecl*)();
    using CallEntry = int(__cdecl*)(unsigned short signature, unsigned char function, unsigned char* block);

    // Never freed once loaded: the library has no shutdown entry, so nothing would undo what
    // InitBIOSInterface set up before an unload; it stays until the process ends.
    HMODULE m_hLibrary = nullptr;
    InitEntry m_pfnInitBIOSInterface = nullptr;
    CallEntry m_pfnCallBIOSInterfaceEx = nullptr;
};
