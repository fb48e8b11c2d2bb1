#include "DeviceWake.h"

#include <windows.h>

#include <app.h>
#include <handles.h>
#include <text.h>

#include <algorithm>
#include <cwchar>

#include "AgentCommand.h"
#include "Oskavel3Dlg.h"

namespace {

const wchar_t kEnumRoot[] = L"SYSTEM\\CurrentControlSet\\Enum\\";
const wchar_t kListSection[] = L"LAN";
constexpr int kMaxListEntries = 100;
constexpr DWORD kListValueChars = 260;
constexpr DWORD kNameChars = 256;

constexpr int kReadAttempts = 4;
// The registry nests keys at most 512 deep; a walk that goes deeper is following a symbolic link round in a
// circle, and stops there instead of exhausting the stack.
constexpr int kMaxWalkDepth = 512;

// A value of any type read whole as text; false when it cannot be read. The buffer grows to the size the
// platform asks for, a few times at most (a value that keeps growing meanwhile counts as unreadable).
bool ReadText(const std::wstring& path, const wchar_t* value, std::wstring& text) {
    std::vector<BYTE> buffer(kNameChars * sizeof(wchar_t));
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        DWORD bytes = static_cast<DWORD>(buffer.size());
        const LONG rc = ::RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), value, RRF_RT_ANY, nullptr,
                                       buffer.data(), &bytes);
        if (rc == ERROR_MORE_DATA) {
            buffer.assign(bytes + sizeof(wchar_t), 0);
            continue;
        }
        if (rc != ERROR_SUCCESS) return false;
        text = fw::RegistryText(buffer.data(), std::min<size_t>(bytes, buffer.size()));
        return true;
    }
    return false;
}

}  // namespace

void ConfigureDeviceWake(COskavel3Dlg& dlg) {
    const std::wstring dir = fw::ModuleDirectory();
    ::SetCurrentDirectoryW(dir.c_str());
    const std::wstring listPath = dir + L"list.ini";
    for (int i = 0; i < kMaxListEntries; ++i) {
        wchar_t key[16] = L"";
        std::swprintf(key, 16, L"ID%d", i);
        wchar_t value[kListValueChars] = L"";
        if (::GetPrivateProfileStringW(kListSection, key, L"", value, kListValueChars, listPath.c_str()) == 0)
            break;
        dlg.m_arrWakeIds.push_back(value);
    }
    EnableWakeForListedDevices(dlg, dlg.m_arrWakeIds);
}

void EnableWakeForListedDevices(COskavel3Dlg& dlg, const std::vector<std::wstring>& entries) {
    for (const std::wstring& entry : entries) {
        // Each present entry is named from its own instance key, found while its patterns are walked.
        dlg.ResetWakeDeviceKey();
        if (!IsListedDevicePresent(dlg, entry) || !dlg.m_bWakeDeviceKeySet) continue;
        const std::wstring name = ReadDeviceName(dlg.m_strWakeDeviceKey);
        if (!IsUsableDeviceName(name)) continue;
        RunAgentCommand(BuildWakeCommand(name));
    }
}

int IsListedDevicePresent(COskavel3Dlg& dlg, std::wstring entry) {
    int result = 0;
    for (const std::wstring& pattern : SplitDevicePatterns(entry)) {
        const DevicePattern parsed = ParseDevicePattern(pattern);
        if (parsed.NamesNoDevice()) continue;
        if (FindDeviceUnderEnumerator(dlg, parsed.enumerator, parsed.prefix)) result = 1;
    }
    return result;
}

int FindDeviceUnderEnumerator(COskavel3Dlg& dlg, std::wstring enumerator, std::wstring prefix) {
    const std::wstring enumPath = kEnumRoot + enumerator;
    std::vector<std::wstring> hardwareKeys;
    {
        fw::CRegKey key;
        if (key.Open(HKEY_LOCAL_MACHINE, enumPath.c_str(), KEY_READ) != ERROR_SUCCESS) return 0;
        for (const std::wstring& name : fw::SubkeyNames(key.Get())) {
            if (UpperAscii(name).compare(0, prefix.size(), prefix) == 0)
                hardwareKeys.push_back(enumPath + L"\\" + name);
        }
    }
    int result = 0;
    for (const std::wstring& path : hardwareKeys) {
        if (dlg.WalkDeviceKey(path)) result = 1;
    }
    return result;
}

std::wstring ReadDeviceName(std::wstring path) {
    std::wstring text;
    if (ReadText(path, L"FriendlyName", text)) return text;
    if (ReadText(path, L"DeviceDesc", text)) return NameFromDeviceDesc(text);
    return std::wstring();
}

void COskavel3Dlg::ResetWakeDeviceKey() {
    m_strWakeDeviceKey.clear();
    m_bWakeDeviceKeySet = 0;
}

int COskavel3Dlg::WalkDeviceKey(std::wstring path) {
    return WalkDeviceKeyAt(path, 0);
}

// Depth 0 is the hardware key; its children are the device instances, and the first instance below which
// "Control" turns up becomes the key the wake command's name is read from.
int COskavel3Dlg::WalkDeviceKeyAt(const std::wstring& path, int depth) {
    if (depth > kMaxWalkDepth) return 0;
    std::vector<std::wstring> names;
    {
        fw::CRegKey key;
        if (key.Open(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ) != ERROR_SUCCESS) return 0;
        names = fw::SubkeyNames(key.Get());
    }
    int result = 0;
    for (const std::wstring& name : names) {
        const std::wstring child = path + L"\\" + name;
        const bool isControl = name == L"Control";
        const bool below = WalkDeviceKeyAt(child, depth + 1) != 0;
        if (!isControl && !below) continue;
        result = 1;
        if (depth == 0 && !m_bWakeDeviceKeySet) {
            // A "Control" right under the hardware key makes the hardware key itself the device's key.
            m_strWakeDeviceKey = isControl ? path : child;
            m_bWakeDeviceKeySet = 1;
        }
    }
    return result;
}
