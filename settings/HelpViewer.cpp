#include "HelpViewer.h"

#include <windows.h>

#include <exdisp.h>
#include <sddl.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlobj.h>
#include <wtsapi32.h>

#include <com.h>
#include <handles.h>

#include <vector>

namespace {
std::wstring SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text)) return std::wstring();
    std::wstring result = text;
    ::LocalFree(text);
    return result;
}

// One text of the session's record, such as the name of the user signed in there.
std::wstring SessionText(WTS_INFO_CLASS what) {
    wchar_t* text = nullptr;
    DWORD bytes = 0;
    if (!::WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, what, &text, &bytes))
        return std::wstring();
    std::wstring result = text ? text : L"";
    ::WTSFreeMemory(text);
    return result;
}

// A variant holding a text, or nothing.
struct Variant {
    VARIANT v;
    explicit Variant(const wchar_t* text = nullptr) {
        ::VariantInit(&v);
        if (text) {
            v.vt = VT_BSTR;
            v.bstrVal = ::SysAllocString(text);
        }
    }
    explicit Variant(long number) {
        ::VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = number;
    }
    ~Variant() { ::VariantClear(&v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};
}  // namespace

std::wstring ProgramAccount() {
    fw::CKernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return std::wstring();
    DWORD size = 0;
    ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !::GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size))
        return std::wstring();
    return SidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
}

std::wstring DesktopAccount() {
    const std::wstring user = SessionText(WTSUserName);
    if (user.empty()) return std::wstring();  // nobody is signed in at this session's desktop
    const std::wstring account = SessionText(WTSDomainName) + L"\\" + user;
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof sid;
    wchar_t domain[256];
    DWORD domainSize = 256;
    SID_NAME_USE use;
    if (!::LookupAccountNameW(nullptr, account.c_str(), sid, &sidSize, domain, &domainSize, &use))
        return std::wstring();
    return SidText(sid);
}

// The desktop's shell view answers for Explorer's own ShellExecute, which starts the program in Explorer, as
// the desktop's user, with that user's rights.
bool StartAsDesktopUser(const std::wstring& viewer, const std::wstring& file) {
    fw::CComPtr<IShellWindows> windows;
    if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, __uuidof(IShellWindows),
                                  windows.ReceiveVoid())))
        return false;
    Variant location, root;
    long window = 0;
    fw::CComPtr<IDispatch> desktop;
    if (windows->FindWindowSW(&location.v, &root.v, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                              desktop.Receive()) != S_OK ||
        !desktop)
        return false;
    fw::CComPtr<IServiceProvider> services;
    fw::CComPtr<IShellBrowser> browser;
    fw::CComPtr<IShellView> view;
    fw::CComPtr<IDispatch> background;
    fw::CComPtr<IShellFolderViewDual> folderView;
    fw::CComPtr<IDispatch> application;
    fw::CComPtr<IShellDispatch2> shell;
    if (FAILED(desktop->QueryInterface(__uuidof(IServiceProvider), services.ReceiveVoid())) ||
        FAILED(
            services->QueryService(SID_STopLevelBrowser, __uuidof(IShellBrowser), browser.ReceiveVoid())) ||
        FAILED(browser->QueryActiveShellView(view.Receive())) ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, __uuidof(IDispatch), background.ReceiveVoid())) ||
        FAILED(background->QueryInterface(__uuidof(IShellFolderViewDual), folderView.ReceiveVoid())) ||
        FAILED(folderView->get_Application(application.Receive())) ||
        FAILED(application->QueryInterface(__uuidof(IShellDispatch2), shell.ReceiveVoid())))
        return false;
    const fw::CBstr program(viewer.c_str());
    Variant arguments((L"\"" + file + L"\"").c_str()), folder, verb(L"open"),
        show(static_cast<long>(SW_SHOWNORMAL));
    return SUCCEEDED(shell->ShellExecute(program.Get(), arguments.v, folder.v, verb.v, show.v));
}
