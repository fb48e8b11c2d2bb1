#include "MachinePolicy.h"

#include <framework/handles.h>

std::wstring MachinePolicy::Describe() const {
    if (kind == Kind::kOn) return L"on";
    if (kind == Kind::kOff) return L"off";
    if (kind == Kind::kInvalid)
        return L"none (the value " + std::to_wstring(value) + L" is neither 0 nor 1, so it sets nothing)";
    return L"none";
}

MachinePolicy ReadMachinePolicy() {
    MachinePolicy policy;
    fw::CRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kPolicyKey, KEY_QUERY_VALUE | KEY_WOW64_64KEY) != ERROR_SUCCESS)
        return policy;
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    const LONG read =
        ::RegQueryValueExW(key.Get(), kPolicyValue, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    if (read == ERROR_FILE_NOT_FOUND) return policy;
    policy.value = data;
    if (read != ERROR_SUCCESS || type != REG_DWORD || size != sizeof data || data > 1)
        policy.kind = MachinePolicy::Kind::kInvalid;
    else
        policy.kind = data == 1 ? MachinePolicy::Kind::kOn : MachinePolicy::Kind::kOff;
    return policy;
}
