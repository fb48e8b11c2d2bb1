// Importing a power scheme file into the store, shared by PowerImportPowerScheme and "powercfg -import".
#include "simcommon.h"

#include "plan_file.h"

namespace sim {
namespace power {

namespace {

std::wstring widen(const std::u16string& s) {
    return std::wstring(s.begin(), s.end());
}

std::wstring systemMessage(DWORD rc) {
    wchar_t* text = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        rc, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = text ? text : L"error " + std::to_wstring(rc);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.'))
        message.pop_back();
    return message;
}

// The file's bytes, at most one more than a plan file may have (the reader refuses such a file).
DWORD readFile(const std::wstring& path, std::vector<uint8_t>& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    bytes.resize(plan::kMaxFileSize + 1);
    DWORD total = 0, n = 0, rc = ERROR_SUCCESS;
    while (total < bytes.size()) {
        if (!ReadFile(h, bytes.data() + total, static_cast<DWORD>(bytes.size() - total), &n, nullptr)) {
            rc = GetLastError();
            break;
        }
        if (n == 0) break;
        total += n;
    }
    CloseHandle(h);
    bytes.resize(total);
    return rc;
}

DWORD writePlan(const plan::Plan& plan, const std::wstring& scheme) {
    const std::wstring path = schemePath(scheme);
    RegKey root = RegKey::open(HKEY_LOCAL_MACHINE, path, KEY_READ | KEY_WRITE);
    if (!root) return ERROR_ACCESS_DENIED;
    // The names are kept as the file has them; an indirect name is resolved only for display.
    if (!root.writeString(L"FriendlyName", widen(plan.name)) ||
        !root.writeString(L"Description", widen(plan.description)))
        return ERROR_ACCESS_DENIED;
    for (const plan::Setting& s : plan.settings) {
        const std::wstring sub =
            s.subgroup.empty() ? widen(s.setting) : widen(s.subgroup) + L"\\" + widen(s.setting);
        RegKey key = RegKey::create(root.get(), sub);
        if (!key || (s.hasAc && !key.writeDword(L"ACSettingIndex", s.ac)) ||
            (s.hasDc && !key.writeDword(L"DCSettingIndex", s.dc)))
            return ERROR_ACCESS_DENIED;
    }
    return ERROR_SUCCESS;
}

// Writes the battery value of every setting of the plan at `from` into the plan at `to` (keys created as
// needed): what a plan takes from the plan its battery personality names.
bool copyBatteryValues(const std::wstring& from, const std::wstring& to) {
    RegKey source = RegKey::open(HKEY_LOCAL_MACHINE, from);
    if (!source) return false;
    DWORD value = 0;
    if (source.readDword(L"DCSettingIndex", value) &&
        !RegKey::create(HKEY_LOCAL_MACHINE, to).writeDword(L"DCSettingIndex", value))
        return false;
    for (const std::wstring& sub : source.subkeys())
        if (!copyBatteryValues(from + L"\\" + sub, to + L"\\" + sub)) return false;
    return true;
}

}  // namespace

std::wstring displayName(const std::wstring& stored) {
    return widen(plan::displayName(std::u16string(stored.begin(), stored.end())));
}

DWORD importScheme(const std::wstring& file, const std::wstring& scheme, std::wstring& fault) {
    fault.clear();
    if (!isGuidText(scheme)) return ERROR_INVALID_PARAMETER;
    std::vector<uint8_t> bytes;
    if (DWORD rc = readFile(file, bytes)) {
        fault = L"the file cannot be read (" + systemMessage(rc) + L")";
        return rc;
    }
    const plan::Result read = plan::read(bytes.data(), bytes.size());
    if (read.outcome != plan::Result::Imported) {
        fault = fromUtf8(read.message);
        return read.outcome == plan::Result::Damaged ? ERROR_BADDB : ERROR_INVALID_DATA;
    }

    // The new plan starts as a copy of the Windows plan its mains personality names (Balanced when it names
    // none), with the battery values of the plan its battery personality names, so whatever the file leaves
    // out is those plans'; a plan of the same identifier is replaced.
    const wchar_t* const byPersonality[] = {kPowerSaver, kHighPerformance, kBalanced};  // plan::Personality
    const std::wstring base = byPersonality[read.plan.acPersonality];
    const std::wstring batteryBase = byPersonality[read.plan.dcPersonality];
    const std::wstring target = lower(scheme);
    bool based = false;
    if (target == base)
        based = static_cast<bool>(RegKey::create(HKEY_LOCAL_MACHINE, schemePath(target)));
    else if (schemeExists(base))
        based = copyTree(HKEY_LOCAL_MACHINE, schemePath(base), schemePath(target));
    else
        based = deleteTree(HKEY_LOCAL_MACHINE, schemePath(target)) &&
                RegKey::create(HKEY_LOCAL_MACHINE, schemePath(target));
    if (based && batteryBase != base && batteryBase != target && schemeExists(batteryBase))
        based = copyBatteryValues(schemePath(batteryBase), schemePath(target));
    if (!based) {
        fault = L"the plan cannot be created in the store";
        return ERROR_ACCESS_DENIED;
    }
    DWORD rc = writePlan(read.plan, target);
    if (rc != ERROR_SUCCESS) {
        if (target != base) deleteTree(HKEY_LOCAL_MACHINE, schemePath(target));
        fault = L"the plan cannot be written to the store";
    }
    return rc;
}

}  // namespace power
}  // namespace sim
