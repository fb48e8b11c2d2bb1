// What "Velmora.exe UNINSTALL /package", the installer package's switch-off, reports by exit code; the
// package logs the code with its meaning. Every other run ends with 0. When several steps fail, the first
// one's code is reported.
#pragma once

namespace velmora_exit {

enum Code : int {
    kDone = 0,                // switched off, or no user's recorded mode was on: nothing to do
    kAlreadyRunning = 1,      // no longer reported: the switch-off does not stop for a window of our title
    kUnsupportedSystem = 2,   // not a system Velmora runs on
    kNoFirmwareLibrary = 3,   // KOLU3.DLL is missing or lacks its functions
    kFirmwareInitFailed = 4,  // the firmware interface did not start
    kModeUnavailable = 5,     // the firmware offers no quick resume, or a recorded mode is unreadable
    kSwitchRefused = 6,       // the firmware refused to switch quick resume off
    kNoWindow = 7,            // Velmora's window could not be created: nothing was done
    kProfileUnreadable = 8,   // done for everyone else, but a user's registry could not be read
    kPolicyIncomplete = 9,    // switched off, but a powercfg.exe of the power policy could not be started
    kRecordNotWritten = 10,   // switched off, but a user's record could not be written
};

inline const wchar_t* Meaning(int code) {
    switch (code) {
        case kDone:
            return L"done";
        case kAlreadyRunning:
            return L"a Velmora window was open; nothing was done";
        case kUnsupportedSystem:
            return L"this system is not one Velmora supports; quick resume was left as it is";
        case kNoFirmwareLibrary:
            return L"the firmware library KOLU3.DLL is missing or incomplete";
        case kFirmwareInitFailed:
            return L"the firmware interface did not start";
        case kModeUnavailable:
            return L"the firmware offers no quick resume, or a recorded mode is unreadable";
        case kSwitchRefused:
            return L"the firmware refused to switch quick resume off";
        case kNoWindow:
            return L"Velmora's window could not be created; nothing was done";
        case kProfileUnreadable:
            return L"switched off where a user's recorded mode was on, but a user's registry could not be "
                   L"read";
        case kPolicyIncomplete:
            return L"quick resume was switched off, but the power policy could not be written whole";
        case kRecordNotWritten:
            return L"quick resume was switched off, but a user's recorded mode could not be written";
        default:
            return L"unknown exit code";
    }
}

}  // namespace velmora_exit
