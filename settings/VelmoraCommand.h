// What Velmora's command tail asks for. Every tail is compared as a whole, letter case included, as
// "UNINSTALL" always was: anything else opens the dialog.
//   (anything else)       the dialog
//   UNINSTALL             switches off without a window, as OK with Off chosen would
//   UNINSTALL /package    the installer package's switch-off for every user whose mode is on
//   ON, OFF               switch for scripts and deployment tools: no window, no box, lines on standard
//   output ON /package, ...      the same for the package's QUICKRESUME property: every user's record ON
//   /policy, ...       the same for the agent's logon run that brings the mode back to the machine policy
//   STATUS                tells, by lines and exit code, whether quick resume is on
// Pure, so it also builds natively.
#pragma once
#include <string>

enum class VelmoraRun { kDialog, kUninstall, kPackageUninstall, kSwitch, kStatus };

// Whoever asked for a switch, as the event log names the route.
enum class SwitchRoute { kDialog, kCommand, kPackage, kPolicy };

struct VelmoraCommand {
    VelmoraRun run = VelmoraRun::kDialog;
    int mode = 0;  // kSwitch: 1 on, 0 off
    SwitchRoute route = SwitchRoute::kDialog;
};

VelmoraCommand ReadVelmoraCommand(const std::wstring& tail);

// "dialog", "command", "package", "policy".
const wchar_t* RouteName(SwitchRoute route);
