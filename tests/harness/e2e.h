// Test harness for end-to-end tests: runs the real programs under Wine on the simulated machine and
// observes them from outside (windows, message boxes, registry, the simulated machine's log).
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <drive.h>
#include <screenshot.h>

#include <optional>
#include <string>
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

// Sets the display resolution, keeps the machine's log, runs programs: the simulated machine's driver.
using drive::AppUnderTest;
using drive::Environment;
using drive::MessageBoxSeen;
using drive::RunConsole;
using drive::SetResolution;
using drive::SimLog;
using drive::WaitForNoProcess;
using drive::WindowSeen;

// The user's high-contrast choice (drive::HighContrastTheme), and a test that fails when it cannot be set
// or put back.
class HighContrastTheme : public drive::HighContrastTheme {
public:
    HighContrastTheme() { EXPECT_TRUE(Ready()) << "high contrast could not be switched off"; }
    ~HighContrastTheme() { EXPECT_TRUE(Restore()) << "the high-contrast choice could not be put back"; }
};

// What the screen shows (screenshot.h).
using drive::Layout;
using drive::LayoutName;
using drive::SaveWindowShot;
using drive::ScreenPixel;
using drive::ShownLayout;
using drive::WaitForStillWindow;

// The harness's library that writes the event log entries a program reports (Wine keeps none) to the file
// CORVANE_EVENT_LOG names, for RunConsole's `inject`.
std::wstring EventHookLibrary();

}  // namespace e2e
