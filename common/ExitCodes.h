// What the two programs' runs without a window report by exit code, in the one place the programs and the
// installer package's actions read them from. When several steps of a run fail, the first one's code is
// reported; the run still does its other steps.
//   The agent: "/install" and "/uninstall" (a run without a verb ends with 0 whatever happened); the package
//   logs the code with its meaning.
//   Velmora: the package's switch-off ("UNINSTALL /package", logged with its meaning like the agent's) and
//   the commands ON, OFF and STATUS (CommandRun.h). The dialog and a plain "UNINSTALL" end with 0.
#pragma once

namespace agent_exit {

enum Code : int {
    kDone = 0,
    kAlreadyRunning = 1,
    kNoWindow = 2,
    kNoPowerLibrary = 3,
    kImportFailed = 4,
    kPowerSettingFailed = 5,
    kRecordFailed = 6,
    kTaskFailed = 7,
    kNoTimer = 8,
};

// The first failure of a run.
struct Outcome {
    int code = kDone;
    void Fail(int failure) {
        if (code == kDone) code = failure;
    }
};

}  // namespace agent_exit

namespace velmora_exit {

enum Code : int {
    kDone = 0,                // switched off, or no user's recorded mode was on: nothing to do
    kAlreadyRunning = 1,      // no longer reported: the switch-off does not stop for a window of our title
    kUnsupportedSystem = 2,   // not a system Velmora runs on
    kNoFirmwareLibrary = 3,   // KOLU3.DLL is missing or lacks its functions
    kFirmwareInitFailed = 4,  // the firmware interface did not start
    kModeUnavailable = 5,     // the firmware offers no quick resume, or a recorded mode is unreadable
    kSwitchRefused = 6,       // the firmware refused the switch
    kNoWindow = 7,            // Velmora's window could not be created: nothing was done
    kProfileUnreadable = 8,   // done for everyone else, but a user's registry could not be read
    kPolicyIncomplete = 9,    // switched, but a powercfg.exe of the power policy could not be run
    kRecordNotWritten = 10,   // switched, but a user's record could not be written
    kStatusOff = 11,          // STATUS: quick resume is off (0: it is on)
    kRefusedByPolicy = 12,    // ON or OFF against the machine policy: nothing was done
};

}  // namespace velmora_exit

namespace exit_codes {

enum class Program { kAgent, kVelmora };

struct Meaning {
    Program program;
    int code;
    const wchar_t* text;
};

// A row a code: the code, then its meaning.
// clang-format off
inline constexpr Meaning kMeanings[] = {
    {Program::kAgent, agent_exit::kDone,
     L"done"},
    {Program::kAgent, agent_exit::kAlreadyRunning,
     L"another Oskavel3 was running; nothing was done"},
    {Program::kAgent, agent_exit::kNoWindow,
     L"the agent's window could not be created; nothing was done"},
    {Program::kAgent, agent_exit::kNoPowerLibrary,
     L"powrprof or one of its power functions is missing"},
    {Program::kAgent, agent_exit::kImportFailed,
     L"the plan file corvane.pow could not be imported"},
    {Program::kAgent, agent_exit::kPowerSettingFailed,
     L"a power plan could not be activated, renamed or deleted, or a setting written"},
    {Program::kAgent, agent_exit::kRecordFailed,
     L"the record HKLM\\Software\\Corvane\\Oskavel could not be written or removed"},
    {Program::kAgent, agent_exit::kTaskFailed,
     L"the task Oskavel could not be registered or deleted, or the agent runs outside the program folders"},
    {Program::kAgent, agent_exit::kNoTimer,
     L"the agent's timer could not be started; nothing was done"},
    {Program::kVelmora, velmora_exit::kDone,
     L"done"},
    {Program::kVelmora, velmora_exit::kAlreadyRunning,
     L"a Velmora window was open; nothing was done"},
    {Program::kVelmora, velmora_exit::kUnsupportedSystem,
     L"this system is not one Velmora supports; quick resume was left as it is"},
    {Program::kVelmora, velmora_exit::kNoFirmwareLibrary,
     L"the firmware library KOLU3.DLL is missing or incomplete"},
    {Program::kVelmora, velmora_exit::kFirmwareInitFailed,
     L"the firmware interface did not start"},
    {Program::kVelmora, velmora_exit::kModeUnavailable,
     L"the firmware offers no quick resume, or a recorded mode is unreadable"},
    {Program::kVelmora, velmora_exit::kSwitchRefused,
     L"the firmware refused the switch"},
    {Program::kVelmora, velmora_exit::kNoWindow,
     L"Velmora's window could not be created; nothing was done"},
    {Program::kVelmora, velmora_exit::kProfileUnreadable,
     L"switched off where a user's recorded mode was on, but a user's registry could not be read"},
    {Program::kVelmora, velmora_exit::kPolicyIncomplete,
     L"quick resume was switched, but the power policy could not be written whole"},
    {Program::kVelmora, velmora_exit::kRecordNotWritten,
     L"quick resume was switched, but a user's recorded mode could not be written"},
    {Program::kVelmora, velmora_exit::kStatusOff,
     L"quick resume is off"},
    {Program::kVelmora, velmora_exit::kRefusedByPolicy,
     L"the organization's policy sets quick resume the other way; nothing was done"},
};
// clang-format on

inline const wchar_t* MeaningOf(Program program, int code) {
    for (const Meaning& meaning : kMeanings)
        if (meaning.program == program && meaning.code == code) return meaning.text;
    return L"unknown exit code";
}

}  // namespace exit_codes

namespace agent_exit {
inline const wchar_t* Meaning(int code) {
    return exit_codes::MeaningOf(exit_codes::Program::kAgent, code);
}
}  // namespace agent_exit

namespace velmora_exit {
inline const wchar_t* Meaning(int code) {
    return exit_codes::MeaningOf(exit_codes::Program::kVelmora, code);
}
}  // namespace velmora_exit
