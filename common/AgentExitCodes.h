// What the agent's "/install" and "/uninstall" report by exit code; the installer package logs the code with
// its meaning. A run without a verb ends with 0 whatever happened. When several steps fail, the first one's
// code is reported; the sequence still runs its other steps.
#pragma once

namespace agent_exit {

// Meaning() says what each stands for.
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
            return L"a power plan could not be activated, renamed or deleted, or a setting written";
        case kRecordFailed:
            return L"the record HKLM\\Software\\Corvane\\Oskavel could not be written or removed";
        case kTaskFailed:
            return L"the scheduled task Oskavel could not be registered or deleted, or was not registered "
                   L"because the agent runs outside the machine's program folders";
        case kNoTimer:
            return L"the agent's timer could not be started; nothing was done";
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
