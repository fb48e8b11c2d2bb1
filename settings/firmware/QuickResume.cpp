#include "QuickResume.h"

#include "StatusTexts.h"

namespace {
constexpr BYTE kProbeFunction = 0x0B;
constexpr BYTE kProbeRequest = 0x20;
constexpr BYTE kSwitchFunction = 0x6E;
constexpr BYTE kSwitchOn = 0x81;
constexpr BYTE kSwitchOff = 0x80;
constexpr BYTE kInvalidAnswer = 0xFF;
constexpr BYTE kUnavailableBit = 0x20;
}  // namespace

BYTE CQuickResume::CallFirmware(BYTE function, BYTE request, FirmwareOutcome& outcome) const {
    int status = 0;
    const BYTE answer = m_firmware.Call(function, request, status);
    if (status != 0) outcome.messages.push_back(CallStatusText(status));
    return answer;
}

ProbeOutcome CQuickResume::Probe() const {
    ProbeOutcome outcome;
    const BYTE answer = CallFirmware(kProbeFunction, kProbeRequest, outcome);
    outcome.available = answer != kInvalidAnswer && !(answer & kUnavailableBit);
    if (!outcome.available) outcome.Fail(velmora_exit::kModeUnavailable);
    return outcome;
}

SwitchOutcome CQuickResume::Switch(int mode, const std::wstring& invalidAnswerText, CPowerPolicy& policy,
                                   const CModeRecord& record) const {
    SwitchOutcome outcome;
    const BYTE expected = mode == 1 ? 1 : 0;
    const BYTE answer = CallFirmware(kSwitchFunction, mode == 1 ? kSwitchOn : kSwitchOff, outcome);
    if (answer != expected) {
        outcome.messages.push_back(answer == kInvalidAnswer
                                       ? invalidAnswerText
                                       : (mode == 1 ? L"Fail to set Enable" : L"Fail to set Disable"));
        outcome.Fail(velmora_exit::kSwitchRefused);
        return outcome;
    }
    // Firmware first, then the policy, then the record: the record never claims a mode the firmware refused.
    outcome.switched = true;
    if (!policy.SetPowerPolicy(mode == 1 ? CPowerPolicy::kPolicyOn : CPowerPolicy::kPolicyOff, record,
                               &outcome.log))
        outcome.Fail(velmora_exit::kPolicyIncomplete);
    // A person is not told of a record that could not be written; a run that reports by exit code is.
    if (!record.WriteModeValue(expected, &outcome.log)) outcome.Fail(velmora_exit::kRecordNotWritten);
    return outcome;
}
