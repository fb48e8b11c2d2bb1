// What Velmora's runs without a window report by exit code: the installer package's switch-off
// ("UNINSTALL /package", whose code the package logs with its meaning) and the commands ON, OFF and STATUS
// (CommandRun.h). The dialog and a plain "UNINSTALL" end with 0. When several steps fail, the first one's
// code is reported.
#pragma once

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
            return L"the firmware refused the switch";
        case kNoWindow:
            return L"Velmora's window could not be created; nothing was done";
        case kProfileUnreadable:
            return L"switched off where a user's recorded mode was on, but a user's registry could not be "
                   L"read";
        case kPolicyIncomplete:
            return L"quick resume was switched, but the power policy could not be written whole";
        case kRecordNotWritten:
            return L"quick resume was switched, but a user's recorded mode could not be written";
        case kStatusOff:
            return L"quick resume is off";
        case kRefusedByPolicy:
            return L"the organization's policy sets quick resume the other way; nothing was done";
        default:
            return L"unknown exit code";
    }
}

}  // namespace velmora_exit
