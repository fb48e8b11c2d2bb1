// COM on the calling thread for as long as the object lives.
#pragma once
#include <objbase.h>
#include <oleauto.h>

namespace fw {

// Single-threaded apartment, as the shell's objects and the accessibility proxies want it. A thread that
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

// The process's COM security, set once before any object crosses a process boundary: calls out identify
// this process but let no server act as it, and no object reaching it may bring its own marshalling code
// (EOAC_NO_CUSTOM_MARSHAL), whoever controls the process at the other end. False when it could not be set
// (then COM's defaults hold, and custom marshalling is not ruled out).
[[nodiscard]] inline bool SecureProcessCom() {
    return SUCCEEDED(::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                            RPC_C_IMP_LEVEL_IDENTIFY, nullptr, EOAC_NO_CUSTOM_MARSHAL,
                                            nullptr));
}

// Owns one reference to a COM object.
template <class T>
class CComPtr {
public:
    CComPtr() = default;
    ~CComPtr() { Reset(); }
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;

    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // Where a call that hands out a reference puts it; whatever was held before is released.
    T** Receive() {
        Reset();
        return &m_p;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
    void Reset() {
        if (m_p) m_p->Release();
        m_p = nullptr;
    }

private:
    T* m_p = nullptr;
};

// A BSTR owned for as long as the object lives.
class CBstr {
public:
    explicit CBstr(const wchar_t* text) : m_b(::SysAllocString(text)) {}
    ~CBstr() { ::SysFreeString(m_b); }
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    BSTR Get() const { return m_b; }

private:
    BSTR m_b;
};

}  // namespace fw
