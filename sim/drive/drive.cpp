#include "drive.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace drive {

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return {};
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                  nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                          nullptr);
    return out;
}

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::wstring FromUnixPath(const std::string& unixPath) {
    std::wstring path = L"Z:" + Widen(unixPath);
    for (auto& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

bool FileExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

COLORREF BitmapResourcePixel(HMODULE module, UINT id, int x, int y) {
    HBITMAP bmp = ::LoadBitmapW(module, MAKEINTRESOURCEW(id));
    if (!bmp) return CLR_INVALID;
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, bmp);
    const COLORREF color = ::GetPixel(dc, x, y);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::DeleteObject(bmp);
    return color;
}

namespace reg {

LSTATUS Write(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const void* data,
              DWORD size, REGSAM view) {
    HKEY key;
    LSTATUS status =
        ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return status;
    status = ::RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(key);
    return status;
}

LSTATUS DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view) {
    HKEY key;
    LSTATUS status = ::RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE | view, &key);
    if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    status = ::RegDeleteValueW(key, name.c_str());
    ::RegCloseKey(key);
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

namespace {
// RegGetValueW on a key opened in the given view.
LSTATUS GetValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD flags, DWORD* type,
                 void* data, DWORD* size, REGSAM view) {
    HKEY key;
    LSTATUS rc = ::RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | view, &key);
    if (rc != ERROR_SUCCESS) return rc;
    rc = ::RegGetValueW(key, nullptr, name.c_str(), flags, type, data, size);
    ::RegCloseKey(key);
    return rc;
}
}  // namespace

std::optional<DWORD> GetDword(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view) {
    DWORD value = 0, size = sizeof value;
    if (GetValue(root, path, name, RRF_RT_REG_DWORD, nullptr, &value, &size, view) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

std::optional<std::wstring> GetString(HKEY root, const std::wstring& path, const std::wstring& name,
                                      DWORD* type, REGSAM view) {
    DWORD size = 0;
    DWORD t = 0;
    const DWORD flags = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    if (GetValue(root, path, name, flags, &t, nullptr, &size, view) != ERROR_SUCCESS) return std::nullopt;
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (GetValue(root, path, name, flags, &t, value.data(), &size, view) != ERROR_SUCCESS)
        return std::nullopt;
    value.resize(wcslen(value.c_str()));
    if (type) *type = t;
    return value;
}

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view) {
    HKEY key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
}

std::vector<std::wstring> SubKeys(HKEY root, const std::wstring& path, REGSAM view) {
    std::vector<std::wstring> names;
    HKEY key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = 256;
        if (::RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, len);
    }
    ::RegCloseKey(key);
    return names;
}
}  // namespace reg

namespace {
const wchar_t kHighContrastKey[] = L"Control Panel\\Accessibility\\HighContrast";
}  // namespace

HighContrastTheme::HighContrastTheme()
    : m_saved(reg::GetString(HKEY_CURRENT_USER, kHighContrastKey, L"Flags")) {
    m_ready = Switch(false);
}

HighContrastTheme::~HighContrastTheme() {
    // A caller that wants to know whether it went calls Restore itself.
    (void)Restore();
}

bool HighContrastTheme::Restore() {
    if (m_restored) return true;
    m_restored = true;
    const LSTATUS status =
        m_saved ? reg::Write(HKEY_CURRENT_USER, kHighContrastKey, L"Flags", REG_SZ, m_saved->c_str(),
                             static_cast<DWORD>((m_saved->size() + 1) * sizeof(wchar_t)))
                : reg::DeleteValue(HKEY_CURRENT_USER, kHighContrastKey, L"Flags");
    return status == ERROR_SUCCESS;
}

// Windows keeps the flags as decimal text: 126 is off with the hot key available, 127 the same on.
bool HighContrastTheme::Switch(bool on, HWND window) {
    const wchar_t* flags = on ? L"127" : L"126";
    if (reg::Write(HKEY_CURRENT_USER, kHighContrastKey, L"Flags", REG_SZ, flags, 4 * sizeof(wchar_t)) !=
        ERROR_SUCCESS)
        return false;
    DWORD_PTR ignored = 0;
    // The window reads the choice when it hears of it; one that does not answer in time reads it later.
    if (window)
        (void)::SendMessageTimeoutW(window, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST,
                                    reinterpret_cast<LPARAM>(kHighContrastKey), SMTO_NORMAL, 10000, &ignored);
    return true;
}

bool SetResolution(DWORD dpi) {
    if (reg::Write(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, sizeof dpi) !=
        ERROR_SUCCESS)
        return false;
    if (dpi != 120) return true;
    // Wine redoes its font set-up, FONTS.FON included, in the first program started at a new resolution,
    // and notes the resolution it did it for.
    const wchar_t wineFonts[] = L"Software\\Wine\\Fonts";
    const bool wineSetUp =
        RunConsole(L"C:\\windows\\system32\\reg.exe query \"HKCU\\Software\\Wine\\Fonts\"") == 0 &&
        reg::GetDword(HKEY_CURRENT_USER, wineFonts, L"LogPixels") == dpi;
    if (!wineSetUp || !FileExists(L"C:\\windows\\Fonts\\sys120.fon")) return false;
    const wchar_t font[] = L"sys120.fon";
    return reg::Write(HKEY_LOCAL_MACHINE,
                      L"System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts", L"FONTS.FON",
                      REG_SZ, font, sizeof font) == ERROR_SUCCESS;
}

// ---- the simulated machine's log ----

SimLog::SimLog(std::wstring path) : m_path(std::move(path)) {
    Clear();
    ::SetEnvironmentVariableW(L"CORVANE_SIM_LOG", m_path.c_str());
}

SimLog::~SimLog() {
    ::SetEnvironmentVariableW(L"CORVANE_SIM_LOG", nullptr);
}

void SimLog::Clear() {
    ::DeleteFileW(m_path.c_str());
}

std::vector<std::string> SimLog::Lines() const {
    std::vector<std::string> lines;
    std::ifstream in(fs::path(m_path), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> SimLog::Lines(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& line : Lines())
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line.substr(prefix.size()));
    return out;
}

// ---- running a program ----

namespace {
std::vector<wchar_t> EnvironmentBlock(const Environment& overrides) {
    // Names compare without regard to case on Windows; keep the first spelling.
    auto key = [](std::wstring name) {
        for (auto& c : name) c = static_cast<wchar_t>(towupper(c));
        return name;
    };
    std::map<std::wstring, std::pair<std::wstring, std::wstring>> byKey;
    wchar_t* block = ::GetEnvironmentStringsW();
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
        std::wstring entry = p;
        size_t eq = entry.find(L'=', 1);
        if (eq == std::wstring::npos) continue;
        byKey[key(entry.substr(0, eq))] = {entry.substr(0, eq), entry.substr(eq + 1)};
    }
    ::FreeEnvironmentStringsW(block);
    for (const auto& [name, value] : overrides) {
        if (value.empty())
            byKey.erase(key(name));
        else
            byKey[key(name)] = {name, value};
    }
    std::vector<wchar_t> out;
    for (const auto& [k, entry] : byKey) {
        std::wstring line = entry.first + L"=" + entry.second;
        out.insert(out.end(), line.begin(), line.end());
        out.push_back(L'\0');
    }
    out.push_back(L'\0');
    return out;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[128] = L"";
    ::GetClassNameW(hwnd, name, 128);
    return name;
}

std::wstring TextOf(HWND hwnd) {
    wchar_t text[2048] = L"";
    ::GetWindowTextW(hwnd, text, 2048);
    return text;
}

// A message box: a dialog holding the platform's message-text control.
bool IsMessageBox(HWND hwnd) {
    return ClassOf(hwnd) == L"#32770" && ::GetDlgItem(hwnd, 0xFFFF) != nullptr;
}

struct EnumContext {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindows(HWND hwnd, LPARAM lp) {
    auto* ctx = reinterpret_cast<EnumContext*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == ctx->pid) ctx->windows.push_back(hwnd);
    return TRUE;
}
}  // namespace

const wchar_t kWatcherClass[] = L"CorvaneE2eWatcher";

AppUnderTest::AppUnderTest(const std::wstring& exe, const std::wstring& commandTail, const Environment& env,
                           const std::wstring& workDir) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!commandTail.empty()) commandLine += L" " + commandTail;
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    std::vector<wchar_t> environment = EnvironmentBlock(env);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE,
                          CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED, environment.data(),
                          workDir.empty() ? nullptr : workDir.c_str(), &si, &pi))
        return;
    m_process = pi.hProcess;
    m_pid = pi.dwProcessId;
    // The hook lives as long as the thread that set it: the watcher sets it, and the program runs once it
    // is in place.
    std::promise<bool> hooked;
    std::future<bool> ready = hooked.get_future();
    m_watcher = std::thread([this, &hooked, tid = pi.dwThreadId] { Watch(tid, &hooked); });
    if (ready.get()) {
        ::ResumeThread(pi.hThread);
    } else {
        ::TerminateProcess(m_process, 1);
        ::WaitForSingleObject(m_process, 5000);
        m_stop = true;
        m_watcher.join();
        ::CloseHandle(m_process);
        m_process = nullptr;
    }
    ::CloseHandle(pi.hThread);
}

AppUnderTest::~AppUnderTest() {
    if (m_process && ::WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(m_process, 1);
        ::WaitForSingleObject(m_process, 5000);
    }
    m_stop = true;
    if (m_watcher.joinable()) m_watcher.join();
    if (m_process) ::CloseHandle(m_process);
}

LRESULT CALLBACK AppUnderTest::WatcherProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COPYDATA) {
        auto* self = reinterpret_cast<AppUnderTest*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
        if (self && data->cbData == sizeof(HWND)) {
            HWND shown;
            memcpy(&shown, data->lpData, sizeof shown);
            self->RecordShownNormal(shown);
        }
        return TRUE;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

void AppUnderTest::RecordShownNormal(HWND hwnd) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid != m_pid) return;
    std::lock_guard<std::mutex> guard(m_lock);
    WindowSeen& seen = m_windows[hwnd];
    seen.title = TextOf(hwnd);
    seen.className = ClassOf(hwnd);
    seen.everShownNormal = true;
}

void AppUnderTest::Watch(DWORD threadId, std::promise<bool>* hooked) {
    // A message-only window named after the program's process id, where the hook reports.
    WNDCLASSW wc{};
    wc.lpfnWndProc = WatcherProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kWatcherClass;
    ::RegisterClassW(&wc);
    HWND window = ::CreateWindowExW(0, kWatcherClass, std::to_wstring(m_pid).c_str(), 0, 0, 0, 0, 0,
                                    HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    HMODULE library = ::LoadLibraryW(FromUnixPath(DRIVE_WATCH_HOOK_DLL).c_str());
    auto proc = library ? reinterpret_cast<HOOKPROC>(
                              reinterpret_cast<void (*)()>(::GetProcAddress(library, "WatchHookProc")))
                        : nullptr;
    HHOOK hook = window && proc ? ::SetWindowsHookExW(WH_CALLWNDPROCRET, proc, library, threadId) : nullptr;
    hooked->set_value(hook != nullptr);  // the constructor's promise: not to be touched afterwards

    while (hook && !m_stop) {
        Poll();
        const DWORD woken = ::MsgWaitForMultipleObjects(1, &m_process, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        if (woken == WAIT_OBJECT_0) {
            Poll();
            break;
        }
    }
    if (hook) ::UnhookWindowsHookEx(hook);
    if (window) ::DestroyWindow(window);
    if (library) ::FreeLibrary(library);
    std::lock_guard<std::mutex> guard(m_lock);
    for (auto& [hwnd, seen] : m_windows) m_closedWindows.push_back(seen);
    m_windows.clear();
}

void AppUnderTest::Poll() {
    EnumContext ctx{m_pid, {}};
    ::EnumWindows(CollectWindows, reinterpret_cast<LPARAM>(&ctx));
    {
        std::lock_guard<std::mutex> guard(m_lock);
        for (auto it = m_windows.begin(); it != m_windows.end();) {
            if (!::IsWindow(it->first)) {
                m_closedWindows.push_back(it->second);
                it = m_windows.erase(it);
            } else {
                ++it;
            }
        }
        for (HWND hwnd : ctx.windows) {
            WindowSeen& seen = m_windows[hwnd];
            seen.title = TextOf(hwnd);
            seen.className = ClassOf(hwnd);
            if (::IsWindowVisible(hwnd) && !::IsIconic(hwnd)) seen.everShownNormal = true;
        }
    }
    // Message boxes are read and answered without the lock: the program may report a window meanwhile.
    m_answered.erase(
        std::remove_if(m_answered.begin(), m_answered.end(), [](HWND h) { return !::IsWindow(h); }),
        m_answered.end());
    for (HWND hwnd : ctx.windows) {
        if (!m_answerBoxes || !::IsWindowVisible(hwnd) || !IsMessageBox(hwnd)) continue;
        if (std::find(m_answered.begin(), m_answered.end(), hwnd) != m_answered.end()) continue;
        MessageBoxSeen box;
        box.caption = TextOf(hwnd);
        box.text = TextOf(::GetDlgItem(hwnd, 0xFFFF));
        box.style = static_cast<LONG>(::GetWindowLongPtrW(hwnd, GWL_STYLE));
        // The icon control of a message box has the id 1088; it holds an icon only when the box has one.
        HWND icon = ::GetDlgItem(hwnd, 1088);
        DWORD_PTR iconHandle = 0;
        if (icon) ::SendMessageTimeoutW(icon, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &iconHandle);
        box.hasIcon = iconHandle != 0;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_boxes.push_back(box);
        }
        m_answered.push_back(hwnd);
        ::PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(hwnd, IDOK)));
    }
}

HWND AppUnderTest::WaitForDialog(const std::wstring& title, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < timeoutMs) {
        EnumContext ctx{m_pid, {}};
        ::EnumWindows(CollectWindows, reinterpret_cast<LPARAM>(&ctx));
        for (HWND hwnd : ctx.windows)
            if (::IsWindowVisible(hwnd) && !IsMessageBox(hwnd) && TextOf(hwnd) == title) return hwnd;
        if (::WaitForSingleObject(m_process, 50) == WAIT_OBJECT_0) return nullptr;
    }
    return nullptr;
}

bool AppUnderTest::Click(HWND dialog, int controlId) {
    HWND control = ::GetDlgItem(dialog, controlId);
    if (!control || !::IsWindowEnabled(control) || !::IsWindowVisible(control)) return false;
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_NORMAL, 300000, &result) != 0;
}

LRESULT AppUnderTest::Send(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(window, msg, wp, lp, SMTO_NORMAL, 300000, &result);
    return static_cast<LRESULT>(result);
}

bool AppUnderTest::WaitExit(DWORD timeoutMs) {
    return m_process && ::WaitForSingleObject(m_process, timeoutMs) == WAIT_OBJECT_0;
}

DWORD AppUnderTest::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (m_process) ::GetExitCodeProcess(m_process, &code);
    return code;
}

std::vector<MessageBoxSeen> AppUnderTest::Boxes() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_boxes;
}

std::vector<WindowSeen> AppUnderTest::Windows() const {
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<WindowSeen> all = m_closedWindows;
    for (const auto& [hwnd, seen] : m_windows) all.push_back(seen);
    return all;
}

namespace {
// Whether a process of this executable name runs; a failed snapshot counts as one running.
bool ProcessRuns(const std::wstring& exeName) {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return true;
    bool running = false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more && !running;
         more = ::Process32NextW(snapshot, &entry))
        running = _wcsicmp(entry.szExeFile, exeName.c_str()) == 0;
    ::CloseHandle(snapshot);
    return running;
}
}  // namespace

bool WaitForNoProcess(const std::wstring& exeName, DWORD timeoutMs) {
    return WaitUntil([&] { return !ProcessRuns(exeName); }, timeoutMs);
}

namespace {
// Loads the library into a process created suspended, by a thread of its own there, and waits for it.
bool Inject(HANDLE process, const std::wstring& library) {
    const SIZE_T size = (library.size() + 1) * sizeof(wchar_t);
    void* remote = ::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote || !::WriteProcessMemory(process, remote, library.c_str(), size, nullptr)) return false;
    const auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
    HANDLE thread = ::CreateRemoteThread(process, nullptr, 0, load, remote, 0, nullptr);
    if (!thread) return false;
    DWORD loaded = 0;
    const bool done =
        ::WaitForSingleObject(thread, 30000) == WAIT_OBJECT_0 && ::GetExitCodeThread(thread, &loaded);
    ::CloseHandle(thread);
    return done && loaded != 0;
}
}  // namespace

DWORD RunConsole(const std::wstring& commandLine, std::string* output, const Environment& env,
                 const std::wstring& inject) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ::CreatePipe(&readEnd, &writeEnd, &sa, 0);
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    std::vector<wchar_t> environment = EnvironmentBlock(env);
    BOOL ok = ::CreateProcessW(
        nullptr, writable.data(), nullptr, nullptr, TRUE,
        CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT | (inject.empty() ? 0 : CREATE_SUSPENDED),
        environment.data(), nullptr, &si, &pi);
    if (ok && !inject.empty()) {
        if (!Inject(pi.hProcess, inject)) {
            ::TerminateProcess(pi.hProcess, static_cast<UINT>(-1));
            ::CloseHandle(pi.hProcess);
            ::CloseHandle(pi.hThread);
            ok = FALSE;
        } else {
            ::ResumeThread(pi.hThread);
        }
    }
    ::CloseHandle(writeEnd);
    std::string text;
    if (ok) {
        char buffer[4096];
        DWORD n = 0;
        while (::ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0) text.append(buffer, n);
        ::WaitForSingleObject(pi.hProcess, INFINITE);
    }
    ::CloseHandle(readEnd);
    DWORD code = static_cast<DWORD>(-1);
    if (ok) {
        ::GetExitCodeProcess(pi.hProcess, &code);
        ::CloseHandle(pi.hProcess);
        ::CloseHandle(pi.hThread);
    }
    if (output) *output = text;
    return code;
}

}  // namespace drive
