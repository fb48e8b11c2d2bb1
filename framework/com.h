// COM on the calling thread for as long as the object lives.
#pragma once
#include <objbase.h>

namespace fw {

// Single-threaded apartment, as the shell wants for the extensions ShellExecuteW may load. A thread that
// already has COM in another mode keeps it, and then nothing is undone.
class CComScope {
public:
    CComScope() : m_hr(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~CComScope() {
        if (SUCCEEDED(m_hr)) ::CoUninitialize();
    }
    CComScope(const CComScope&) = delete;
    CComScope& operator=(const CComScope&) = delete;

private:
    HRESULT m_hr;
};

}  // namespace fw
