// RAII owners for the platform handles the two programs hold: GDI objects, registry keys, loaded
// libraries and kernel handles. Each owns exactly one handle and releases it when destroyed or reset.
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace fw {

template <class Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;
    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : m_h(h) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_h(other.Detach()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Detach());
        return *this;
    }

    Handle Get() const { return m_h; }
    explicit operator bool() const { return m_h != Traits::Invalid(); }
    void Reset(Handle h = Traits::Invalid()) {
        if (m_h != Traits::Invalid()) Traits::Close(m_h);
        m_h = h;
    }
    Handle Detach() { return std::exchange(m_h, Traits::Invalid()); }
    Handle* Receive() {
        Reset();
        return &m_h;
    }

private:
    Handle m_h = Traits::Invalid();
};

template <class H>
struct GdiTraits {
    using Handle = H;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};

struct KernelTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::CloseHandle(h); }
};

// Files, whose "no handle" is INVALID_HANDLE_VALUE rather than null.
struct FileTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};

struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::FreeLibrary(h); }
};

struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::RegCloseKey(h); }
};

struct MemoryDcTraits {
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DeleteDC(h); }
};

using CKernelHandle = UniqueHandle<KernelTraits>;
using CFileHandle = UniqueHandle<FileTraits>;
using CPen = UniqueHandle<GdiTraits<HPEN>>;
using CModule = UniqueHandle<ModuleTraits>;
using CMemoryDC = UniqueHandle<MemoryDcTraits>;

// A bitmap loaded from the program's resources.
class CBitmap : public UniqueHandle<GdiTraits<HBITMAP>> {
public:
    using UniqueHandle::UniqueHandle;
    [[nodiscard]] bool LoadBitmap(UINT id) {
        Reset(::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)));
        return static_cast<bool>(*this);
    }
    SIZE GetSize() const {
        BITMAP bm{};
        if (Get()) ::GetObjectW(Get(), sizeof bm, &bm);
        return SIZE{bm.bmWidth, bm.bmHeight};
    }
};

class CFont : public UniqueHandle<GdiTraits<HFONT>> {
public:
    // Every font of the programs is a "Segoe UI" face with ClearType quality.
    [[nodiscard]] bool CreateSegoeFont(int height, int weight) {
        Reset(::CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0,
                            CLEARTYPE_QUALITY, 0, L"Segoe UI"));
        return static_cast<bool>(*this);
    }
};

// Holds either a solid brush it created or a stock brush it must not delete.
class CBrush {
public:
    CBrush() = default;
    ~CBrush() { DeleteObject(); }
    CBrush(const CBrush&) = delete;
    CBrush& operator=(const CBrush&) = delete;

    [[nodiscard]] bool CreateSolidBrush(COLORREF color) {
        DeleteObject();
        m_h = ::CreateSolidBrush(color);
        m_owned = m_h != nullptr;
        return m_owned;
    }
    void SetStockBrush(int stockObject) {
        DeleteObject();
        m_h = static_cast<HBRUSH>(::GetStockObject(stockObject));
        m_owned = false;
    }
    void DeleteObject() {
        if (m_h && m_owned) ::DeleteObject(m_h);
        m_h = nullptr;
        m_owned = false;
    }
    HBRUSH Get() const { return m_h; }

private:
    HBRUSH m_h = nullptr;
    bool m_owned = false;
};

// A window's paint context from BeginPaint, ended with EndPaint.
class CPaintDC {
public:
    explicit CPaintDC(HWND window) : m_hWnd(window), m_hDC(::BeginPaint(window, &m_ps)) {}
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    HDC Get() const { return m_hDC; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps{};
    HDC m_hDC;
};

// An object selected into a device context for the guard's life; what was selected before comes back.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object) : m_hDC(dc), m_hOld(::SelectObject(dc, object)) {}
    ~CSelectObject() {
        if (m_hOld && m_hOld != HGDI_ERROR) ::SelectObject(m_hDC, m_hOld);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_hDC;
    HGDIOBJ m_hOld;
};

// A registry key with the few operations both programs need.
class CRegKey : public UniqueHandle<RegKeyTraits> {
public:
    [[nodiscard]] LONG Open(HKEY parent, const wchar_t* path, REGSAM access) {
        return ::RegOpenKeyExW(parent, path, 0, access, Receive());
    }
    [[nodiscard]] LONG Create(HKEY parent, const wchar_t* path, REGSAM access) {
        return ::RegCreateKeyExW(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                 Receive(), nullptr);
    }
    [[nodiscard]] LONG SetDword(const wchar_t* name, DWORD value) {
        return ::RegSetValueExW(Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                sizeof value);
    }
    [[nodiscard]] LONG SetString(const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
        return ::RegSetValueExW(Get(), name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
};

// An export of a loaded library as a function pointer of the given type (null when absent).
template <class Fn>
Fn GetProc(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

}  // namespace fw
