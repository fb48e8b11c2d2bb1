#include "e2e.h"

#include "machine.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace e2e {

::testing::AssertionResult SchemeHolds(const std::wstring& scheme, const std::vector<PlanSetting>& settings) {
    if (settings.empty()) return ::testing::AssertionFailure() << "no settings to look for";
    for (const PlanSetting& s : settings) {
        const std::wstring key = std::wstring(machine::kSchemesKey) + L"\\" + scheme + L"\\" +
                                 (s.subgroup.empty() ? L"" : s.subgroup + L"\\") + s.setting;
        const auto ac = reg::GetDword(HKEY_LOCAL_MACHINE, key, L"ACSettingIndex");
        const auto dc = reg::GetDword(HKEY_LOCAL_MACHINE, key, L"DCSettingIndex");
        if (ac != s.ac || dc != s.dc)
            return ::testing::AssertionFailure()
                   << Narrow(key) << ": AC " << (ac ? std::to_string(*ac) : "none") << ", DC "
                   << (dc ? std::to_string(*dc) : "none") << "; expected " << s.ac << ", " << s.dc;
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult SetWineVersion(const std::wstring& name) {
    if (name.empty()) return reg::DeleteValue(HKEY_CURRENT_USER, L"Software\\Wine", L"Version");
    return reg::SetString(HKEY_CURRENT_USER, L"Software\\Wine", L"Version", name);
}

namespace {
const wchar_t kHighContrastKey[] = L"Control Panel\\Accessibility\\HighContrast";
}  // namespace

HighContrastTheme::HighContrastTheme()
    : m_saved(reg::GetString(HKEY_CURRENT_USER, kHighContrastKey, L"Flags")) {
    EXPECT_TRUE(Switch(false));
}

HighContrastTheme::~HighContrastTheme() {
    EXPECT_TRUE(m_saved ? reg::SetString(HKEY_CURRENT_USER, kHighContrastKey, L"Flags", *m_saved)
                        : reg::DeleteValue(HKEY_CURRENT_USER, kHighContrastKey, L"Flags"));
}

// Windows keeps the flags as decimal text: 126 is off with the hot key available, 127 the same on.
::testing::AssertionResult HighContrastTheme::Switch(bool on, HWND window) {
    ::testing::AssertionResult done =
        reg::SetString(HKEY_CURRENT_USER, kHighContrastKey, L"Flags", on ? L"127" : L"126");
    DWORD_PTR ignored = 0;
    if (done && window)
        ::SendMessageTimeoutW(window, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST,
                              reinterpret_cast<LPARAM>(kHighContrastKey), SMTO_NORMAL, 10000, &ignored);
    return done;
}

bool SetResolution(DWORD dpi) {
    reg::SetDword(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", dpi);
    if (dpi != 120) return true;
    // Wine redoes its font set-up, FONTS.FON included, in the first program started at a new resolution,
    // and notes the resolution it did it for.
    const wchar_t wineFonts[] = L"Software\\Wine\\Fonts";
    const bool wineSetUp =
        RunConsole(L"C:\\windows\\system32\\reg.exe query \"HKCU\\Software\\Wine\\Fonts\"") == 0 &&
        reg::GetDword(HKEY_CURRENT_USER, wineFonts, L"LogPixels") == dpi;
    if (!wineSetUp || !FileExists(L"C:\\windows\\Fonts\\sys120.fon")) return false;
    reg::SetString(HKEY_LOCAL_MACHINE,
                   L"System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts", L"FONTS.FON",
                   L"sys120.fon");
    return true;
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
    HMODULE library = ::LoadLibraryW(FromUnixPath(E2E_WATCH_HOOK_DLL).c_str());
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

std::wstring EventHookLibrary() {
    return FromUnixPath(E2E_EVENT_HOOK_DLL);
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

}  // namespace e2e
