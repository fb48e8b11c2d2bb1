#include "CommandRun.h"

#include <ExitCodes.h>
#include <framework/app.h>

#include "EventLog.h"
#include "HelpViewer.h"
#include "MachinePolicy.h"
#include "TessalyApp.h"
#include "firmware/FirmwareLibrary.h"
#include "firmware/ModeRecord.h"
#include "firmware/PowerPolicy.h"
#include "firmware/QuickResume.h"
#include "firmware/StatusTexts.h"

namespace {
constexpr wchar_t kLocalSystem[] = L"S-1-5-18";

void Say(const std::wstring& line) {
    // Standard output is whoever started the command's; a line it cannot take leaves the exit code to tell.
    (void)fw::ReportToCaller(L"Velmora: " + line);
}

const wchar_t* ModeName(int mode) {
    return mode == 1 ? L"on" : L"off";
}

// The records a run looks at: the running user's own, or, run as the system or for the package, every
// user's, the users signed in and those who are not.
struct Records {
    bool everyUser = false;
    CModeRecord::Survey survey;  // everyUser only
    CModeRecord own;             // otherwise
    int failure = velmora_exit::kDone;

    static Records Read(bool everyUser) {
        Records records;
        records.everyUser = everyUser;
        if (!everyUser) return records;
        records.survey = CModeRecord::EveryUser();
        for (const std::wstring& line : records.survey.report) Say(line);
        if (!records.survey.complete) records.failure = velmora_exit::kProfileUnreadable;
        return records;
    }
    // How many of the known records are on, and how many there are.
    std::pair<size_t, size_t> OnOfAll() const {
        if (!everyUser) return {own.ReadModeValue() == 1 ? 1u : 0u, 1u};
        size_t on = 0;
        for (const auto& entry : survey.users) on += entry.mode == 1 ? 1 : 0;
        return {on, survey.users.size()};
    }
    std::wstring Describe() const {
        const auto [on, all] = OnOfAll();
        if (all == 0) return L"no user's record";
        if (on == 0) return L"off";
        if (on == all) return L"on";
        return L"on for " + std::to_wstring(on) + L" of " + std::to_wstring(all) + L" users";
    }
};

// Loads and starts the firmware library and asks whether it offers quick resume; a failure is said and its
// exit code returned.
int OpenFirmware(CFirmwareLibrary& firmware, const std::wstring& moduleDir) {
    std::wstring failure;
    if (!firmware.Load(moduleDir + L"Win7_Driver\\x64\\KOLU3.DLL", failure)) {
        Say(L"firmware: " + failure);
        return velmora_exit::kNoFirmwareLibrary;
    }
    if (const int status = firmware.Init(); status != 0) {
        Say(L"firmware: " + InitStatusText(status));
        return velmora_exit::kFirmwareInitFailed;
    }
    const ProbeOutcome probe = CQuickResume(firmware).Probe();
    for (const std::wstring& message : probe.messages) Say(L"firmware: " + message);
    if (!probe.available) {
        Say(L"firmware: quick resume is not available on this machine");
        return velmora_exit::kModeUnavailable;
    }
    Say(L"firmware: quick resume is available");
    return velmora_exit::kDone;
}

int Switch(const VelmoraCommand& command, const std::wstring& moduleDir) {
    const int mode = command.mode;
    CEventLog events;
    auto fail = [&](int code) {
        Say(L"quick resume was not switched " + std::wstring(ModeName(mode)) + L": " +
            velmora_exit::Meaning(code));
        // The exit code tells even where no event log takes the entry.
        (void)events.Failed(mode, command.route, code);
        return code;
    };
    const MachinePolicy policy = ReadMachinePolicy();
    if (policy.Set() && policy.Mode() != mode) {
        Say(L"policy: the organization sets quick resume " + policy.Describe());
        return fail(velmora_exit::kRefusedByPolicy);
    }
    if (!TheApp().CheckOSVersion()) return fail(velmora_exit::kUnsupportedSystem);

    // The firmware cannot be asked for its mode: the records stand for it. Where every one already says the
    // mode, there is nothing to do.
    const bool everyUser = command.route == SwitchRoute::kPackage || ProgramAccount() == kLocalSystem;
    const Records records = Records::Read(everyUser);
    const std::wstring before = records.Describe();
    const auto [on, all] = records.OnOfAll();
    if (all > 0 && on == (mode == 1 ? all : 0)) {
        Say(L"quick resume is already recorded as " + before + L": nothing to do");
        return records.failure == velmora_exit::kDone ? velmora_exit::kDone : fail(records.failure);
    }

    CFirmwareLibrary firmware;
    if (const int opened = OpenFirmware(firmware, moduleDir); opened != velmora_exit::kDone)
        return fail(opened);
    CPowerPolicy powerPolicy;
    const SwitchOutcome outcome =
        CQuickResume(firmware).Switch(mode,
                                      mode == 1 ? L"ERROR! Invalid Enable Setting value is returned "
                                                : L"ERROR! Invalid Disable Setting value is returned",
                                      powerPolicy, everyUser ? records.survey.Without(mode) : records.own);
    for (const std::wstring& message : outcome.messages) Say(L"firmware: " + message);
    for (const std::wstring& line : outcome.log) Say(line);
    if (!outcome.switched) return fail(outcome.exitCode);
    // The records were known to differ: an entry for the switch, then one for what went wrong after it.
    (void)events.Switched(mode, before, command.route);
    Say(L"quick resume is now " + std::wstring(ModeName(mode)) + L" (it was recorded as " + before + L")");
    const int code = records.failure != velmora_exit::kDone ? records.failure : outcome.exitCode;
    return code == velmora_exit::kDone ? code : fail(code);
}

int Status(const std::wstring& moduleDir) {
    CFirmwareLibrary firmware;
    const int opened = OpenFirmware(firmware, moduleDir);
    const bool everyUser = ProgramAccount() == kLocalSystem;
    const Records records = Records::Read(everyUser);
    const auto [on, all] = records.OnOfAll();
    Say(std::wstring(L"recorded: ") + (everyUser ? L"every user's records: " : L"") + records.Describe());
    Say(L"policy: " + ReadMachinePolicy().Describe());
    if (opened != velmora_exit::kDone) return opened;
    return on > 0 ? velmora_exit::kDone : velmora_exit::kStatusOff;
}
}  // namespace

int RunCommand(const VelmoraCommand& command, const std::wstring& moduleDir) {
    return command.run == VelmoraRun::kStatus ? Status(moduleDir) : Switch(command, moduleDir);
}
