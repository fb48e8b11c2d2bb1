// What the agent's "/install" and "/uninstall" report by exit code; the installer package logs the code with
// its meaning. A run without a verb ends with 0 whatever happened. When several steps fail, the first one's
// code is reported; the sequence still runs its other steps.
#pragma once

namespace agent_exit {

enum Code : int {
    kDone = 0,
    kAlreadyRunning = 1,  // another agent holds the mutex: this one did nothing
    kNoWindow = 2,        // the hidden dialog could not be created (no desktop): nothing was done
    kNoPowerLibrary = 3,  // powrprof, or one of the power functions it needs, is missing
    kImportFailed = 4,    // corvane.pow could not be imported
    kPowerSettingFailed =
        5,              // a plan could not be activated or deleted, or a setting or the defaults written
    kRecordFailed = 6,  // the record CorvaneMode could not be written or removed
    kTaskFailed = 7,    // schtasks did not register or delete the task
};

inline const wchar_t* Meaning(int code) {
    switch (code) {
        case kDone:
            return L"done";
        case kAlreadyRunning:
            return L"another Oskavel3 was running; nothing was done";
        case kNoWindow:
            return L"the agent's window could not be created; nothing was done";
        case kNoPowerLibrary:
            return L"powrprof or one of its power functions is missing";
        case kImportFailed:
            return L"the plan file corvane.pow could not be imported";
        case kPowerSettingFailed:
            return L"a power plan could not be activated or deleted, or a setting written";
        case kRecordFailed:
            return L"the record HKLM\\Software\\Corvane\\Oskavel could not be written or removed";
        case kTaskFailed:
            return L"the scheduled task Oskavel could not be registered or deleted";
        default:
            return L"unknown exit code";
    }
}

// The first failure of a run.
struct Outcome {
    int code = kDone;
    void Fail(int failure) {
        if (code == kDone) code = failure;
    }
};

}  // namespace agent_exit
