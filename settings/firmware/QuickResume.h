// Quick resume as the firmware and the records hold it: whether the firmware offers it, and a switch with the
// power policy and the record that follow it. Nothing here shows anything: each operation returns what came
// of it, and whoever runs it (the dialog, or a run without a window) tells it in its own way.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "FirmwareLibrary.h"
#include "ModeRecord.h"
#include "PowerPolicy.h"
#include <ExitCodes.h>

// The texts a person is to be told, in the order things happened, the lines for a log (what was written for
// whom), and the first failure's exit code.
struct FirmwareOutcome {
    std::vector<std::wstring> messages;
    std::vector<std::wstring> log;
    int exitCode = velmora_exit::kDone;
    void Fail(int code) {
        if (exitCode == velmora_exit::kDone) exitCode = code;
    }
};

struct ProbeOutcome : FirmwareOutcome {
    bool available = false;
};

struct SwitchOutcome : FirmwareOutcome {
    bool switched = false;  // the firmware took the switch; the policy and the record followed
};

class CQuickResume {
public:
    explicit CQuickResume(const CFirmwareLibrary& firmware) : m_firmware(firmware) {}

    // The capability probe: available when the answer is not 0xFF and its bit 0x20 is clear.
    ProbeOutcome Probe() const;
    // Switches the firmware to `mode` (1 on, 0 off). When it takes the switch, the policy of that mode is
    // written and then the record's users get the mode; when it refuses, nothing else changes. An answer of
    // 0xFF is told with `invalidAnswerText`, the caller's own.
    SwitchOutcome Switch(int mode, const std::wstring& invalidAnswerText, CPowerPolicy& policy,
                         const CModeRecord& record) const;

private:
    // Sends one request; a failing status is told first, and the answer byte is judged whatever it was.
    BYTE CallFirmware(BYTE function, BYTE request, FirmwareOutcome& outcome) const;

    const CFirmwareLibrary& m_firmware;
};
