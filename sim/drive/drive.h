// Driving the simulated machine's programs from outside, as a person or a script would: starting a program
// and watching its windows and message boxes, running console programs, the machine's log, its resolution and
// high-contrast choice, and the registry values these need. The tests' harness (tests/harness) and the demo's
// driver (sim/demo) both build on it; it holds no test assertions.
#pragma once
#include <windows.h>

#include <atomic>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace drive {

// ---- text and paths ----

std::string Narrow(const std::wstring& text);  // UTF-8
std::wstring Widen(const std::string& text);   // from UTF-8
// A Unix path as Wine's Z: drive shows it.
std::wstring FromUnixPath(const std::string& unixPath);
bool FileExists(const std::wstring& path);

// The colour of a bitmap resource of `module` at a point (CLR_INVALID when there is no such bitmap).
COLORREF BitmapResourcePixel(HMODULE module, UINT id, int x, int y);

// Polls until the condition holds; false at the deadline.
template <class Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs = 10000) {
    const DWORD start = ::GetTickCount();
    while (!condition()) {
        if (::GetTickCount() - start >= timeoutMs) return false;
        ::Sleep(20);  // the polling interval; the deadline above bounds the wait
    }
    return true;
}

// ---- registry ----

// Each takes the registry view to use (KEY_WOW64_64KEY or KEY_WOW64_32KEY); 0 is the calling program's own.
namespace reg {
// Writes a value of any type, making the key where it is missing; the platform's status.
LSTATUS Write(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const void* data,
              DWORD size, REGSAM view = 0);
// A missing key or value counts as deleted.
LSTATUS DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view = 0);
std::optional<DWORD> GetDword(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view = 0);
std::optional<std::wstring> GetString(HKEY root, const std::wstring& path, const std::wstring& name,
                                      DWORD* type = nullptr, REGSAM view = 0);
bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0);
std::vector<std::wstring> SubKeys(HKEY root, const std::wstring& path, REGSAM view = 0);
}  // namespace reg

// ---- the machine ----

// Sets the display resolution programs started afterwards get (LogPixels). At 120 dpi the machine's "System"
// font is the 120-dpi one that wine-env installs, named as Windows names it (FONTS.FON), once Wine has set up
// its own fonts for the new resolution. False when that could not be done.
bool SetResolution(DWORD dpi);

// The user's choice of high contrast as Windows keeps it (HKCU\Control Panel\Accessibility\HighContrast),
// which the driver's window hook shows the programs it starts as Windows answers SPI_GETHIGHCONTRAST (Wine
// itself keeps high contrast off). Off at first; the choice as it was is put back at the end.
class HighContrastTheme {
public:
    HighContrastTheme();
    ~HighContrastTheme();
    HighContrastTheme(const HighContrastTheme&) = delete;
    HighContrastTheme& operator=(const HighContrastTheme&) = delete;
    // Switches it and tells the window, as Windows tells every top-level window; false when the choice
    // could not be written.
    bool Switch(bool on, HWND window = nullptr);
    // Whether it was switched off at the start, and puts the choice back as it was (also done at the end).
    bool Ready() const { return m_ready; }
    bool Restore();

private:
    std::optional<std::wstring> m_saved;
    bool m_ready = false;
    bool m_restored = false;
};

// ---- the simulated machine's log ----

class SimLog {
public:
    explicit SimLog(std::wstring path);
    ~SimLog();
    const std::wstring& Path() const { return m_path; }
    void Clear();
    std::vector<std::string> Lines() const;
    // The lines that start with `prefix`, with the prefix removed.
    std::vector<std::string> Lines(const std::string& prefix) const;

private:
    std::wstring m_path;
};

// ---- running a program ----

struct MessageBoxSeen {
    std::wstring caption;
    std::wstring text;
    LONG style = 0;  // the box window's style
    bool hasIcon = false;
};

struct WindowSeen {
    std::wstring title;
    std::wstring className;
    bool everShownNormal = false;  // seen visible and neither minimised nor hidden
};

using Environment = std::map<std::wstring, std::wstring>;

// A program started for a test. A watcher thread reads and closes (with OK) every message box the program
// opens, and keeps a record of its top-level windows. The process is killed if still running at the end.
//
// What the record can miss: the program starts suspended and runs only once a window hook is in place on
// its main thread, so every top-level window of that thread that becomes visible in normal size is on
// record before the program goes on, however briefly it stays so. Everything else is sampled every 20 ms:
// titles and classes as they change, message boxes (they wait for their answer, so none is missed), and
// windows of any other thread of the program, which are missed when they are shown normal and hidden,
// minimised or destroyed again within one interval, or never recorded at all when they live shorter.
class AppUnderTest {
public:
    AppUnderTest(const std::wstring& exe, const std::wstring& commandTail, const Environment& env = {},
                 const std::wstring& workDir = L"");
    ~AppUnderTest();
    AppUnderTest(const AppUnderTest&) = delete;
    AppUnderTest& operator=(const AppUnderTest&) = delete;

    // Started, with its window hook in place.
    bool Started() const { return m_process != nullptr; }
    DWORD ProcessId() const { return m_pid; }
    // The program's visible top-level window with exactly this title (message boxes excluded), or null.
    HWND WaitForDialog(const std::wstring& title, DWORD timeoutMs = 30000);
    // Clicks a control of a dialog as the user would (the click is refused for a disabled control) and
    // returns when the program has handled it, message boxes included.
    bool Click(HWND dialog, int controlId);
    // Sends a message and waits until it is handled.
    LRESULT Send(HWND window, UINT msg, WPARAM wp = 0, LPARAM lp = 0);
    // Waits for the end of the process; false on time-out.
    bool WaitExit(DWORD timeoutMs = 60000);
    DWORD ExitCode() const;
    std::vector<MessageBoxSeen> Boxes() const;
    std::vector<WindowSeen> Windows() const;
    // Whether the watcher should answer message boxes (on by default).
    void SetAnswerBoxes(bool answer) { m_answerBoxes = answer; }

private:
    void Watch(DWORD threadId, std::promise<bool>* hooked);
    void Poll();
    void RecordShownNormal(HWND hwnd);
    static LRESULT CALLBACK WatcherProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    HANDLE m_process = nullptr;
    DWORD m_pid = 0;
    std::thread m_watcher;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_answerBoxes{true};
    mutable std::mutex m_lock;
    std::vector<MessageBoxSeen> m_boxes;
    std::map<HWND, WindowSeen> m_windows;
    std::vector<WindowSeen> m_closedWindows;
    std::vector<HWND> m_answered;  // watcher thread only
};

// Waits until no process of this executable name (as "hh.exe") runs any more; false on time-out.
bool WaitForNoProcess(const std::wstring& exeName, DWORD timeoutMs = 30000);

// Runs a console program (such as the simulated powercfg) hidden and waits; returns its exit code. With
// `inject`, the library of that path is loaded into the program before any of its code runs.
DWORD RunConsole(const std::wstring& commandLine, std::string* output = nullptr, const Environment& env = {},
                 const std::wstring& inject = {});

}  // namespace drive
