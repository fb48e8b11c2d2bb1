#include "app.h"

#include <commctrl.h>

#include <utility>

#include "dialog.h"
#include "handles.h"
#include "text.h"

namespace fw {

CWinApp* CWinApp::s_app = nullptr;

CWinApp::CWinApp() {
    s_app = this;
}

CWinApp::~CWinApp() {
    if (s_app == this) s_app = nullptr;
}

BOOL CWinApp::InitInstance() {
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    return TRUE;
}

void CWinApp::Start(HINSTANCE instance, std::wstring commandTail, std::wstring appName) {
    m_hInstance = instance;
    m_strCmdTail = std::move(commandTail);
    m_strAppName = std::move(appName);
}

HMODULE CWinApp::SystemLibrary(const wchar_t* name) {
    for (const auto& [loaded, module] : m_systemLibraries)
        if (loaded == name) return module.Get();
    const std::wstring dir = SystemDirectory();
    if (dir.empty()) return nullptr;
    CModule module(::LoadLibraryExW((dir + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module) return nullptr;
    const HMODULE handle = module.Get();
    m_systemLibraries.emplace_back(name, std::move(module));
    return handle;
}

bool CWinApp::RunMainDialog(CDialog& dlg) {
    return dlg.DoModal() != -1;
}

int CWinApp::DoMessageBox(const std::wstring& text, UINT type) const {
    if ((type & MB_ICONMASK) == 0 && (type & MB_TYPEMASK) == MB_OK) type |= MB_ICONEXCLAMATION;
    return ::MessageBoxW(nullptr, text.c_str(), m_strAppName.c_str(), type);
}

std::wstring ModulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

namespace {
std::wstring ExecutableBaseName() {
    std::wstring path = ModulePath(nullptr);
    size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? name : name.substr(0, dot);
}
}  // namespace

bool InteractiveSession() {
    USEROBJECTFLAGS flags{};
    if (::GetUserObjectInformationW(::GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags, nullptr) &&
        !(flags.dwFlags & WSF_VISIBLE))
        return false;
    DWORD session = 0;
    if (!::ProcessIdToSessionId(::GetCurrentProcessId(), &session) || session != 0) return true;
    // Session 0 is the console user's own before 6.0. The version check is the one call of its kind here.
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return ::GetVersionExW(&version) && version.dwMajorVersion < 6;
#pragma GCC diagnostic pop
}

bool ReportToCaller(const std::wstring& line) {
    const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (!output || output == INVALID_HANDLE_VALUE) return true;
    std::string text(static_cast<size_t>(line.size()) * 3 + 2, '\0');
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), text.data(),
                                        static_cast<int>(text.size()), nullptr, nullptr);
    text.resize(static_cast<size_t>(n > 0 ? n : 0));
    text += "\r\n";
    // A pipe may take a long line in parts.
    for (size_t done = 0; done < text.size();) {
        DWORD written = 0;
        if (!::WriteFile(output, text.data() + done, static_cast<DWORD>(text.size() - done), &written,
                         nullptr) ||
            written == 0)
            return false;
        done += written;
    }
    return true;
}

std::wstring DirectoryOf(const std::wstring& path) {
    size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring ModuleDirectory(HMODULE module) {
    return DirectoryOf(ModulePath(module));
}

std::wstring SystemDirectory() {
    std::wstring dir(MAX_PATH, L'\0');
    for (;;) {
        const UINT n = ::GetSystemDirectoryW(dir.data(), static_cast<UINT>(dir.size()));
        if (n == 0) return std::wstring();
        if (n < dir.size()) {
            dir.resize(n);
            break;
        }
        dir.resize(n);  // the size asked for, terminator included
    }
    if (dir.back() != L'\\') dir += L'\\';
    return dir;
}

bool RestrictDllSearch() {
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    return RestrictDllSearchWith(GetProc<SetDefaultDllDirectoriesFn>(kernel, "SetDefaultDllDirectories"),
                                 GetProc<SetDllDirectoryFn>(kernel, "SetDllDirectoryW"));
}

bool RestrictDllSearchWith(SetDefaultDllDirectoriesFn setDefaultDllDirectories,
                           SetDllDirectoryFn setDllDirectory) {
    constexpr DWORD kSearchDefaultDirs = 0x00001000;  // LOAD_LIBRARY_SEARCH_DEFAULT_DIRS
    if (setDefaultDllDirectories && setDefaultDllDirectories(kSearchDefaultDirs)) return true;
    // An empty DLL directory removes the current directory from the search (5.1 SP1 and later).
    return setDllDirectory && setDllDirectory(L"");
}

}  // namespace fw

// The process entry: the application object does all its work in InitInstance.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    // A system too old for either way of restricting the search still runs the program: nothing of ours is
    // loaded by a bare name before the libraries bound from the system folder by their paths.
    (void)fw::RestrictDllSearch();
    fw::CWinApp* app = fw::CWinApp::Get();
    if (!app) return 0;
    app->Start(instance, fw::CommandTail(::GetCommandLineW()), fw::ExecutableBaseName());
    // Both programs do their work in it and say how it went through their exit code.
    (void)app->InitInstance();
    return app->ExitCode();
}
