// The organization's choice of quick resume for the machine, set through Group Policy
// (HKLM\Software\Policies\Corvane\Velmora, value QuickResume: 1 on, 0 off; absent: each user chooses). Only
// administrators and the system can write below Policies.
#pragma once
#include <windows.h>

#include <string>

struct MachinePolicy {
    enum class Kind { kNone, kOn, kOff, kInvalid };
    Kind kind = Kind::kNone;
    DWORD value = 0;  // what the value held, for a report of an invalid one

    bool Set() const { return kind == Kind::kOn || kind == Kind::kOff; }
    // The mode the policy sets (1 on, 0 off); only for a policy that is set.
    int Mode() const { return kind == Kind::kOn ? 1 : 0; }
    // For a report: "none", "on", "off", or what an invalid value held.
    std::wstring Describe() const;
};

inline constexpr wchar_t kPolicyKey[] = L"Software\\Policies\\Corvane\\Velmora";
inline constexpr wchar_t kPolicyValue[] = L"QuickResume";

// A value that is no REG_DWORD of 0 or 1 sets nothing (kInvalid): the users keep their own choice.
MachinePolicy ReadMachinePolicy();
