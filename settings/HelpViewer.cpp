#include "HelpViewer.h"

#include "HelpStart.h"

#include <windows.h>

#include <exdisp.h>
#include <sddl.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlobj.h>

#include <framework/childprocess.h>
#include <framework/com.h>
#include <framework/handles.h>

#include <vector>

namespace {
std::wstring SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text)) return std::wstring();
    std::wstring result = text;
    ::LocalFree(text);
    return result;
}

// The account a process runs as, as a SID text; empty when it cannot be read.
std::wstring ProcessAccount(HANDLE process) {
    fw::CKernelHandle token;
    if (!::OpenProcessToken(process, TOKEN_QUERY, token.Receive())) return std::wstring();
    DWORD size = 0;
    // The first call only asks for the size; the second one's result counts.
    (void)::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !::GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size))
        return std::wstring();
    return SidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
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
    return ProcessAccount(::GetCurrentProcess());
}

// The desktop's user is whoever runs its shell: compared by account identifier, which every account has,
// also one whose name does not resolve here (a directory account on a machine away from its directory).
std::wstring DesktopAccount() {
    HWND shell = ::GetShellWindow();
    // Without a shell window (Wine sets none; on Windows the shell is not running) the desktop window's
    // process stands for it: Wine's is its explorer.exe, run as the desktop's user; Windows' belongs to the
    // system, whose token this program may not read or which is not the desktop's user, so no viewer is
    // started as this program then.
    if (!shell) shell = ::GetDesktopWindow();
    DWORD pid = 0;
    if (!shell || !::GetWindowThreadProcessId(shell, &pid) || pid == 0) return std::wstring();
    constexpr DWORD kQueryLimited = 0x1000;  // PROCESS_QUERY_LIMITED_INFORMATION, from 6.0 on
    fw::CKernelHandle process(::OpenProcess(kQueryLimited, FALSE, pid));
    if (!process) process.Reset(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid));
    return process ? ProcessAccount(process.Get()) : std::wstring();
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

namespace {
// The system's help viewer in the machine's own Windows folder (also for a user of a terminal server).
std::wstring HelpViewerPath() {
    wchar_t windows[MAX_PATH] = L"";
    const UINT n = ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::wstring();
    std::wstring dir = windows;
    if (dir.back() != L'\\') dir += L'\\';
    return dir + L"hh.exe";
}

bool Exists(const std::wstring& file) {
    return ::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
}
}  // namespace

std::wstring HelpFileFor(const std::wstring& moduleDir, const std::wstring& languageCode) {
    const std::wstring own = moduleDir + L"Help\\" + languageCode + L".chm";
    if (Exists(own)) return own;
    const std::wstring english = moduleDir + L"Help\\0409.chm";
    return Exists(english) ? english : std::wstring();
}

bool OpenHelpFile(const std::wstring& file, bool mayAskTheShell) {
    const std::wstring viewer = HelpViewerPath();
    if (file.empty() || viewer.empty() || !Exists(viewer)) return false;
    switch (ChooseHelpStart(ProgramAccount(), DesktopAccount())) {
        case HelpStart::kAsThisProgram: {
            fw::ChildOptions options;
            options.application = viewer.c_str();
            return fw::StartChild(L"\"" + viewer + L"\" \"" + file + L"\"", options);
        }
        case HelpStart::kAsDesktopUser:
            return mayAskTheShell && StartAsDesktopUser(viewer, file);
        case HelpStart::kNotAtAll:
            break;
    }
    return false;
}
