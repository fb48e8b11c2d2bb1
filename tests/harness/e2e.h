// Test harness for end-to-end tests: runs the real programs under Wine on the simulated machine and
// observes them from outside (windows, message boxes, registry, the simulated machine's log).
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace e2e {

// ---- the power-scheme store ----

// One setting of a plan: subgroup (empty for a setting of no subgroup), setting, AC and DC index.
struct PlanSetting {
    std::wstring subgroup;
    std::wstring setting;
    DWORD ac = 0;
    DWORD dc = 0;
};
// Whether the plan `scheme` in the store holds exactly these AC and DC indexes.
::testing::AssertionResult SchemeHolds(const std::wstring& scheme, const std::vector<PlanSetting>& settings);

// Sets the Windows version Wine reports to programs started afterwards ("win7", "winxp", ...; empty =
// default).
::testing::AssertionResult SetWineVersion(const std::wstring& name);

// Sets the display resolution programs started afterwards get (LogPixels). At 120 dpi the machine's "System"
// font is the 120-dpi one that wine-env installs, named as Windows names it (FONTS.FON), once Wine has set up
// its own fonts for the new resolution. False when that could not be done.
bool SetResolution(DWORD dpi);

// The user's choice of high contrast as Windows keeps it (HKCU\Control Panel\Accessibility\HighContrast),
// which the harness's window hook shows the programs it starts as Windows answers SPI_GETHIGHCONTRAST (Wine
// itself keeps high contrast off). Off at first; the choice as it was is put back at the end.
class HighContrastTheme {
public:
    HighContrastTheme();
    ~HighContrastTheme();
    HighContrastTheme(const HighContrastTheme&) = delete;
    HighContrastTheme& operator=(const HighContrastTheme&) = delete;
    // Switches it and tells the window, as Windows tells every top-level window.
    ::testing::AssertionResult Switch(bool on, HWND window = nullptr);

private:
    std::optional<std::wstring> m_saved;
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

// The harness's library that writes the event log entries a program reports (Wine keeps none) to the file
// CORVANE_EVENT_LOG names, for RunConsole's `inject`.
std::wstring EventHookLibrary();

}  // namespace e2e
