// The power-scheme store: the layout Windows uses under HKLM, plus the simulator's own bookkeeping.
#include "simcommon.h"

#include <sddl.h>

namespace sim {
namespace power {

const wchar_t kSchemesPath[] = L"SYSTEM\\CurrentControlSet\\Control\\Power\\User\\PowerSchemes";
const wchar_t kSimPath[] = L"SOFTWARE\\CorvaneSim\\PowerCfg";
const wchar_t kBalanced[] = L"381b4222-f694-41f0-9685-ff5bb260df2e";
const wchar_t kHighPerformance[] = L"8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c";
const wchar_t kPowerSaver[] = L"a1841308-3541-4fab-bc81-f71556f20b4a";

namespace {

const wchar_t kButtons[] = L"4f971e89-eebd-4455-a8de-9e59040e7347";
const wchar_t kSleep[] = L"238c9fa8-0aad-41ed-83f4-97be242c8f20";
const wchar_t kDisplay[] = L"7516b95f-f776-4464-8c53-06167f40cc99";
const wchar_t kProcessor[] = L"54533251-82be-4824-96c1-47b60b740d00";

struct Plan {
    const wchar_t* guid;
    const wchar_t* name;
    const wchar_t* description;
};

const Plan kPlans[] = {
    {kBalanced, L"Balanced",
     L"Automatically balances performance with energy consumption on capable hardware."},
    {kHighPerformance, L"High performance", L"Favors performance, but may use more energy."},
    {kPowerSaver, L"Power saver", L"Saves energy by reducing your computer's performance where possible."},
};

// Values per plan, in the order of kPlans.
struct Seed {
    const wchar_t* sub;
    const wchar_t* setting;
    DWORD ac[3];
    DWORD dc[3];
};

const Seed kSeeds[] = {
    {kButtons, L"96996bc0-ad50-47ec-923b-6f41874dd9eb", {1, 1, 1}, {1, 1, 1}},
    {kButtons, L"7648efa3-dd9c-4e3e-b566-50f929386280", {3, 3, 3}, {3, 3, 3}},
    {kButtons, L"5ca83367-6e45-459f-a27b-476b1d01c936", {1, 1, 1}, {1, 1, 1}},
    {kSleep, L"29f6c1db-86da-48c5-9fdb-f2b67b1f44da", {1800, 0, 900}, {900, 3600, 600}},
    {kSleep, L"9d7815a6-7ee4-497e-8888-515a05f02364", {0, 0, 0}, {1080, 1080, 1080}},
    {kSleep, L"94ac6d29-73ce-41a6-809f-6363ba21b47e", {0, 0, 0}, {0, 0, 0}},
    {kDisplay, L"3c0bc021-c8a8-4e07-a973-6b14cbcb2b7e", {600, 900, 300}, {300, 600, 120}},
    {kDisplay, L"f1fbfde2-a960-4165-9f88-50667911ce96", {50, 50, 50}, {50, 50, 50}},
    {kProcessor, L"bc5038f7-23e0-4960-96da-33abaf5935ec", {100, 100, 100}, {100, 100, 100}},
    {kProcessor, L"893dee8e-2bef-41e0-89c6-b55d0929964c", {5, 100, 5}, {5, 100, 5}},
};

const struct {
    const wchar_t* guid;
    const wchar_t* name;
} kNames[] = {
    {kButtons, L"Power buttons and lid"},
    {kSleep, L"Sleep"},
    {kDisplay, L"Display"},
    {kProcessor, L"Processor power management"},
    {L"96996bc0-ad50-47ec-923b-6f41874dd9eb", L"Sleep button action"},
    {L"7648efa3-dd9c-4e3e-b566-50f929386280", L"Power button action"},
    {L"5ca83367-6e45-459f-a27b-476b1d01c936", L"Lid close action"},
    {L"29f6c1db-86da-48c5-9fdb-f2b67b1f44da", L"Sleep after"},
    {L"9d7815a6-7ee4-497e-8888-515a05f02364", L"Hibernate after"},
    {L"94ac6d29-73ce-41a6-809f-6363ba21b47e", L"Allow hybrid sleep"},
    {L"3c0bc021-c8a8-4e07-a973-6b14cbcb2b7e", L"Turn off display after"},
    {L"f1fbfde2-a960-4165-9f88-50667911ce96", L"Dimmed display brightness"},
    {L"bc5038f7-23e0-4960-96da-33abaf5935ec", L"Maximum processor state"},
    {L"893dee8e-2bef-41e0-89c6-b55d0929964c", L"Minimum processor state"},
    // Further settings a plan file may hold.
    {L"fea3413e-7e05-4911-9a71-700331f1c294", L"Settings belonging to no subgroup"},
    {L"0e796bdb-100d-47d6-a2d5-f7d2daa51f51", L"Require a password on wakeup"},
    {L"245d8541-3943-4422-b025-13a784f679b7", L"Power Scheme Personality"},
    {L"bd3b718a-0680-4d9d-8ab2-e1d2b4ac806d", L"Allow wake timers"},
    {L"2a737441-1930-4402-8d77-b2bebba308a3", L"USB settings"},
    {L"48e6b7a6-50f5-4782-a5d4-53bb8f07e226", L"USB selective suspend setting"},
    {L"501a4d13-42af-4429-9fd1-a8218c268e20", L"PCI Express"},
    {L"ee12f906-d277-404b-b6da-e5fa1a576df5", L"Link State Power Management"},
    {L"19cbb8fa-5279-450e-9fac-8a3d5fedd0c1", L"Wireless Adapter Settings"},
    {L"12bbebe6-58d6-4636-95bb-3217ef867c1a", L"Power Saving Mode"},
};

std::wstring simPath(const wchar_t* sub) {
    return std::wstring(kSimPath) + L"\\" + sub;
}

bool knownScheme(const std::wstring& scheme) {
    return isGuidText(scheme) && schemeExists(scheme);
}

}  // namespace

std::wstring schemePath(const std::wstring& scheme) {
    return std::wstring(kSchemesPath) + L"\\" + lower(scheme);
}

std::wstring knownName(const std::wstring& guid) {
    for (const auto& n : kNames)
        if (lower(guid) == n.guid) return n.name;
    return {};
}

bool schemeExists(const std::wstring& scheme) {
    return !scheme.empty() && static_cast<bool>(RegKey::open(HKEY_LOCAL_MACHINE, schemePath(scheme)));
}

std::vector<std::wstring> schemes() {
    RegKey k = RegKey::open(HKEY_LOCAL_MACHINE, kSchemesPath);
    return k ? k.subkeys() : std::vector<std::wstring>();
}

std::wstring activeScheme() {
    std::wstring value;
    RegKey k = RegKey::open(HKEY_LOCAL_MACHINE, kSchemesPath);
    if (k) k.readString(L"ActivePowerScheme", value);
    return value;
}

static std::wstring schemeString(const std::wstring& scheme, const wchar_t* name) {
    std::wstring value;
    RegKey k = RegKey::open(HKEY_LOCAL_MACHINE, schemePath(scheme));
    if (k) k.readString(name, value);
    return value;
}

std::wstring schemeName(const std::wstring& scheme) {
    return schemeString(scheme, L"FriendlyName");
}
std::wstring schemeDescription(const std::wstring& scheme) {
    return schemeString(scheme, L"Description");
}

void seed(int count) {
    deleteTree(HKEY_LOCAL_MACHINE, kSchemesPath);
    deleteTree(HKEY_LOCAL_MACHINE, kSimPath);
    RegKey root = RegKey::create(HKEY_LOCAL_MACHINE, kSchemesPath);
    for (int p = 0; p < count && p < 3; ++p) {
        RegKey scheme = RegKey::create(root.get(), kPlans[p].guid);
        scheme.writeString(L"FriendlyName", kPlans[p].name);
        scheme.writeString(L"Description", kPlans[p].description);
        for (const auto& s : kSeeds) {
            RegKey setting = RegKey::create(scheme.get(), std::wstring(s.sub) + L"\\" + s.setting);
            setting.writeDword(L"ACSettingIndex", s.ac[p]);
            setting.writeDword(L"DCSettingIndex", s.dc[p]);
        }
    }
    for (int k = 1; k <= count - 3; ++k)
        copyScheme(kBalanced, newGuidText(), L"Extra plan " + std::to_wstring(k), L"A copy of Balanced.");
    root.writeString(L"ActivePowerScheme", kBalanced);
}

DWORD setActive(const std::wstring& scheme) {
    if (!knownScheme(scheme)) return ERROR_INVALID_PARAMETER;
    RegKey k = RegKey::create(HKEY_LOCAL_MACHINE, kSchemesPath);
    return k.writeString(L"ActivePowerScheme", lower(scheme)) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

DWORD setIndex(const std::wstring& scheme, const std::wstring& sub, const std::wstring& setting, bool ac,
               DWORD value) {
    if (!knownScheme(scheme) || !isGuidText(sub) || !isGuidText(setting)) return ERROR_INVALID_PARAMETER;
    RegKey k =
        RegKey::create(HKEY_LOCAL_MACHINE, schemePath(scheme) + L"\\" + lower(sub) + L"\\" + lower(setting));
    return k && k.writeDword(ac ? L"ACSettingIndex" : L"DCSettingIndex", value) ? ERROR_SUCCESS
                                                                                : ERROR_ACCESS_DENIED;
}

DWORD setNames(const std::wstring& scheme, const std::wstring& name, const std::wstring* description) {
    if (!knownScheme(scheme)) return ERROR_INVALID_PARAMETER;
    RegKey k = RegKey::open(HKEY_LOCAL_MACHINE, schemePath(scheme), KEY_READ | KEY_WRITE);
    if (!k || !k.writeString(L"FriendlyName", name)) return ERROR_ACCESS_DENIED;
    if (description && !k.writeString(L"Description", *description)) return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

DWORD copyScheme(const std::wstring& from, const std::wstring& to, const std::wstring& name,
                 const std::wstring& description) {
    if (!knownScheme(from) || !isGuidText(to)) return ERROR_INVALID_PARAMETER;
    if (!copyTree(HKEY_LOCAL_MACHINE, schemePath(from), schemePath(to))) return ERROR_ACCESS_DENIED;
    return setNames(to, name, &description);
}

DWORD deleteScheme(const std::wstring& scheme) {
    if (!knownScheme(scheme)) return ERROR_INVALID_PARAMETER;
    if (lower(scheme) == lower(activeScheme())) return ERROR_ACCESS_DENIED;
    return deleteTree(HKEY_LOCAL_MACHINE, schemePath(scheme)) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

DWORD replaceDefaults() {
    if (!RegKey::open(HKEY_LOCAL_MACHINE, kSchemesPath)) return ERROR_FILE_NOT_FOUND;
    return copyTree(HKEY_LOCAL_MACHINE, kSchemesPath, simPath(L"DefaultSchemes")) ? ERROR_SUCCESS
                                                                                  : ERROR_ACCESS_DENIED;
}

DWORD setDescriptor(const std::wstring& setting, const std::wstring& sddl) {
    if (!isGuidText(setting)) return ERROR_INVALID_PARAMETER;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &sd, nullptr))
        return ERROR_INVALID_SECURITY_DESCR;
    LocalFree(sd);
    RegKey k = RegKey::create(HKEY_LOCAL_MACHINE, simPath(L"Descriptors"));
    return k && k.writeString(lower(setting).c_str(), sddl) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

bool descriptor(const std::wstring& setting, std::wstring& sddl) {
    RegKey k = RegKey::open(HKEY_LOCAL_MACHINE, simPath(L"Descriptors"));
    return k && k.readString(lower(setting).c_str(), sddl);
}

DWORD armWake(const std::wstring& device) {
    if (device.empty()) return ERROR_INVALID_PARAMETER;
    RegKey k = RegKey::create(HKEY_LOCAL_MACHINE, simPath(L"WakeArmed"));
    return k && k.writeDword(device.c_str(), 1) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

std::vector<std::wstring> armedDevices() {
    RegKey k = RegKey::open(HKEY_LOCAL_MACHINE, simPath(L"WakeArmed"));
    return k ? k.valueNames() : std::vector<std::wstring>();
}

}  // namespace power
}  // namespace sim
