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

// ---- paths and files ----

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

std::wstring DistDir() {
    const char* dist = std::getenv("CORVANE_DIST");
    std::wstring path = dist ? FromUnixPath(dist) : L".";
    if (path.back() != L'\\') path += L'\\';
    return path;
}

std::wstring MakeSandbox(const std::wstring& name) {
    const fs::path dir = fs::path(L"C:\\corvane-tests") / name;
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir);
    return dir.wstring() + L"\\";
}

::testing::AssertionResult CopyFileTo(const std::wstring& from, const std::wstring& to) {
    std::error_code ec;
    fs::create_directories(fs::path(to).parent_path(), ec);
    // Replaced by deleting first: copy_file with overwrite_existing refuses an existing file under Wine.
    ::DeleteFileW(to.c_str());
    if (!::CopyFileW(from.c_str(), to.c_str(), FALSE))
        return ::testing::AssertionFailure() << "cannot copy " << Narrow(from) << " to " << Narrow(to)
                                             << " (error " << ::GetLastError() << ")";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult CopyTree(const std::wstring& from, const std::wstring& to) {
    const std::wstring source = from.back() == L'\\' ? from : from + L'\\';
    const std::wstring target = to.back() == L'\\' ? to : to + L'\\';
    ::CreateDirectoryW(target.c_str(), nullptr);
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((source + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return ::testing::AssertionFailure() << "nothing to copy in " << Narrow(source);
    ::testing::AssertionResult result = ::testing::AssertionSuccess();
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        result = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                     ? CopyTree(source + name, target + name)
                     : CopyFileTo(source + name, target + name);
    } while (result && ::FindNextFileW(search, &found));
    ::FindClose(search);
    return result;
}

::testing::AssertionResult WriteTextFile(const std::wstring& path, const std::string& utf8) {
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    std::ofstream out(fs::path(path), std::ios::binary | std::ios::trunc);
    out << utf8;
    out.close();
    if (!out) return ::testing::AssertionFailure() << "cannot write " << Narrow(path);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult WriteUtf16File(const std::wstring& path, const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return WriteTextFile(path, bytes);
}

bool FileExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    std::ifstream in(fs::path(path), std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<BYTE> Utf16Bytes(const std::wstring& text) {
    std::vector<BYTE> bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>((c >> 8) & 0xFF));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

RestoredFile::RestoredFile(std::wstring path) : m_path(std::move(path)), m_saved(ReadFileBytes(m_path)) {}

RestoredFile::~RestoredFile() {
    if (m_saved) {
        EXPECT_TRUE(WriteTextFile(m_path, *m_saved));
    } else {
        ::DeleteFileW(m_path.c_str());
    }
}

MovedAside::MovedAside(std::wstring path) : m_path(std::move(path)) {
    m_moved = ::MoveFileExW(m_path.c_str(), (m_path + L".aside").c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

MovedAside::~MovedAside() {
    if (m_moved) ::MoveFileExW((m_path + L".aside").c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING);
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

// ---- registry ----

namespace reg {
namespace {
::testing::AssertionResult Failed(const char* what, const std::wstring& path, LSTATUS status) {
    return ::testing::AssertionFailure() << what << " " << Narrow(path) << ": error " << status;
}
}  // namespace

::testing::AssertionResult DeleteTree(HKEY root, const std::wstring& path, REGSAM view) {
    HKEY key;
    LSTATUS status = ::RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS | view, &key);
    if (status == ERROR_FILE_NOT_FOUND) return ::testing::AssertionSuccess();
    if (status != ERROR_SUCCESS) return Failed("cannot open", path, status);
    status = ::RegDeleteTreeW(key, nullptr);
    ::RegCloseKey(key);
    if (status == ERROR_SUCCESS) status = ::RegDeleteKeyExW(root, path.c_str(), view, 0);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        return Failed("cannot delete", path, status);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name,
                                       REGSAM view) {
    HKEY key;
    LSTATUS status = ::RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE | view, &key);
    if (status == ERROR_FILE_NOT_FOUND) return ::testing::AssertionSuccess();
    if (status != ERROR_SUCCESS) return Failed("cannot open", path, status);
    status = ::RegDeleteValueW(key, name.c_str());
    ::RegCloseKey(key);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        return Failed("cannot delete a value of", path, status);
    return ::testing::AssertionSuccess();
}

namespace {
::testing::AssertionResult Write(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                                 const void* data, DWORD size, REGSAM view) {
    HKEY key;
    LSTATUS status =
        ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return Failed("cannot create", path, status);
    status = ::RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(key);
    if (status != ERROR_SUCCESS) return Failed("cannot write a value of", path, status);
    return ::testing::AssertionSuccess();
}
}  // namespace

::testing::AssertionResult SetRaw(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                                  const std::vector<BYTE>& data, REGSAM view) {
    return Write(root, path, name, type, data.data(), static_cast<DWORD>(data.size()), view);
}

::testing::AssertionResult SetRawPart(HKEY root, const std::wstring& path, const std::wstring& name,
                                      DWORD type, const std::vector<BYTE>& data, size_t size) {
    if (size > data.size())
        return ::testing::AssertionFailure() << "only " << data.size() << " bytes to write";
    return Write(root, path, name, type, data.data(), static_cast<DWORD>(size), 0);
}

::testing::AssertionResult SetDword(HKEY root, const std::wstring& path, const std::wstring& name,
                                    DWORD value, REGSAM view) {
    return Write(root, path, name, REG_DWORD, &value, sizeof value, view);
}

::testing::AssertionResult SetString(HKEY root, const std::wstring& path, const std::wstring& name,
                                     const std::wstring& value, DWORD type, REGSAM view) {
    return Write(root, path, name, type, value.c_str(),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)), view);
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

DWORD RunConsole(const std::wstring& commandLine, std::string* output, const Environment& env) {
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
    const BOOL ok = ::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, TRUE,
                                     CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, environment.data(),
                                     nullptr, &si, &pi);
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
