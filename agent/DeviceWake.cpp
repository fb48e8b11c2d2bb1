#include "DeviceWake.h"

#include <windows.h>

#include <framework/app.h>
#include <framework/handles.h>
#include <framework/registry.h>
#include <framework/text.h>

#include <algorithm>
#include <cwchar>
#include <optional>
#include <vector>

#include "AgentCommand.h"

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
[[nodiscard]] bool ReadText(const std::wstring& path, const wchar_t* value, std::wstring& text) {
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

// Where "Control" turns up below the key (a path under HKEY_LOCAL_MACHINE): the first subkey, in walk order,
// that is "Control" or holds it at any depth, and the key itself when that subkey is "Control". Nothing when
// there is none; a key that cannot be opened holds nothing. The platform keeps "Control" below a device
// instance only while the device is present, so walked from a hardware key this is the present device's
// instance key (or the hardware key itself, for a device kept right there).
std::optional<std::wstring> WalkDeviceKey(const std::wstring& path, int depth = 0) {
    if (depth > kMaxWalkDepth) return std::nullopt;
    std::vector<std::wstring> names;
    {
        fw::CRegKey key;
        if (key.Open(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ) != ERROR_SUCCESS) return std::nullopt;
        names = fw::SubkeyNames(key.Get());
    }
    std::optional<std::wstring> found;
    for (const std::wstring& name : names) {
        const std::wstring child = path + L"\\" + name;
        const bool isControl = name == L"Control";
        const bool below = WalkDeviceKey(child, depth + 1).has_value();
        if (!found && (isControl || below)) found = isControl ? path : child;
    }
    return found;
}

// The first present device of the hardware keys under the enumerator whose names start with the prefix (both
// upper-cased); every such hardware key is walked.
std::optional<std::wstring> FindDeviceUnderEnumerator(const std::wstring& enumerator,
                                                      const std::wstring& prefix) {
    const std::wstring enumPath = kEnumRoot + enumerator;
    std::vector<std::wstring> hardwareKeys;
    {
        fw::CRegKey key;
        if (key.Open(HKEY_LOCAL_MACHINE, enumPath.c_str(), KEY_READ) != ERROR_SUCCESS) return std::nullopt;
        for (const std::wstring& name : fw::SubkeyNames(key.Get())) {
            if (UpperAscii(name).compare(0, prefix.size(), prefix) == 0)
                hardwareKeys.push_back(enumPath + L"\\" + name);
        }
    }
    std::optional<std::wstring> found;
    for (const std::wstring& path : hardwareKeys) {
        std::optional<std::wstring> instance = WalkDeviceKey(path);
        if (!found) found = std::move(instance);
    }
    return found;
}

// Each present entry is named from its own instance key, so every command names the device that was found.
void EnableWakeForListedDevices(const std::vector<std::wstring>& entries) {
    for (const std::wstring& entry : entries) {
        const std::optional<std::wstring> instance = FindListedDevice(entry);
        if (!instance) continue;
        const std::wstring name = ReadDeviceName(*instance);
        if (!IsUsableDeviceName(name)) continue;
        // The default sequence reports nothing (it ends with 0), and each device is tried on its own.
        (void)RunAgentCommand(BuildWakeCommand(name));
    }
}

}  // namespace

void ConfigureDeviceWake() {
    const std::wstring dir = fw::ModuleDirectory();
    // The wake commands inherit the agent's folder as their current folder; they name nothing relative to it,
    // so they run the same from any other.
    (void)::SetCurrentDirectoryW(dir.c_str());
    const std::wstring listPath = dir + L"list.ini";
    std::vector<std::wstring> entries;
    for (int i = 0; i < kMaxListEntries; ++i) {
        wchar_t key[16] = L"";
        std::swprintf(key, 16, L"ID%d", i);
        wchar_t value[kListValueChars] = L"";
        if (::GetPrivateProfileStringW(kListSection, key, L"", value, kListValueChars, listPath.c_str()) == 0)
            break;
        entries.push_back(value);
    }
    EnableWakeForListedDevices(entries);
}

std::optional<std::wstring> FindListedDevice(const std::wstring& entry) {
    std::optional<std::wstring> found;
    for (const std::wstring& pattern : SplitDevicePatterns(entry)) {
        const DevicePattern parsed = ParseDevicePattern(pattern);
        if (parsed.NamesNoDevice()) continue;
        std::optional<std::wstring> instance = FindDeviceUnderEnumerator(parsed.enumerator, parsed.prefix);
        if (!found) found = std::move(instance);
    }
    return found;
}

std::wstring ReadDeviceName(const std::wstring& path) {
    std::wstring text;
    if (ReadText(path, L"FriendlyName", text)) return text;
    if (ReadText(path, L"DeviceDesc", text)) return NameFromDeviceDesc(text);
    return std::wstring();
}
