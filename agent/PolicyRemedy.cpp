#include "PolicyRemedy.h"

#include <windows.h>

#include <framework/app.h>
#include <framework/childprocess.h>
#include <framework/handles.h>

#include <optional>
#include <string>

#include "ProgramFolders.h"

namespace {
const wchar_t kPolicyKey[] = L"Software\\Policies\\Corvane\\Velmora";
const wchar_t kVelmoraKey[] = L"Software\\Corvane\\Velmora";

// A REG_DWORD value; nothing when it is missing, of another type or another size.
std::optional<DWORD> ReadDword(HKEY root, const wchar_t* path, const wchar_t* name, REGSAM view) {
    fw::CRegKey key;
    if (key.Open(root, path, KEY_QUERY_VALUE | view) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0, data = 0, size = sizeof data;
    if (::RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data)
        return std::nullopt;
    return data;
}

// Velmora's path as the package recorded it (the 64-bit view, where the 64-bit package writes); empty when it
// is missing or not a full path of an existing file inside the program folders.
std::wstring RecordedVelmora() {
    fw::CRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kVelmoraKey, KEY_QUERY_VALUE | KEY_WOW64_64KEY) != ERROR_SUCCESS)
        return {};
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD bytes = static_cast<DWORD>(path.size() * sizeof(wchar_t));
        const LSTATUS read = ::RegGetValueW(key.Get(), nullptr, L"Program", RRF_RT_REG_SZ | RRF_NOEXPAND,
                                            nullptr, path.data(), &bytes);
        if (read == ERROR_MORE_DATA) {
            path.assign(bytes / sizeof(wchar_t) + 1, L'\0');
            continue;
        }
        if (read != ERROR_SUCCESS) return {};
        path.resize(path.find(L'\0'));
        const std::wstring folder = fw::DirectoryOf(path);
        if (folder.empty() || !IsInsideProgramFolders(folder, MachineProgramFolders()) ||
            ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            return {};
        return path;
    }
    return {};
}
}  // namespace

bool BringModeBackToPolicy() {
    const std::optional<DWORD> policy =
        ReadDword(HKEY_LOCAL_MACHINE, kPolicyKey, L"QuickResume", KEY_WOW64_64KEY);
    if (!policy || *policy > 1) return false;
    // The user's record; a missing one reads as off, as Velmora reads it.
    const DWORD recorded = ReadDword(HKEY_CURRENT_USER, kVelmoraKey, L"VelmoraMode", 0).value_or(0);
    if (recorded == *policy) return false;
    const std::wstring velmora = RecordedVelmora();
    if (velmora.empty()) return false;
    fw::ChildOptions options;
    options.application = velmora.c_str();
    options.creationFlags = CREATE_NO_WINDOW;
    // Velmora runs its powercfg commands for a while; the agent, which ends after its few ticks, does not
    // wait.
    return fw::StartChild(L"\"" + velmora + L"\" " + (*policy == 1 ? L"ON" : L"OFF") + L" /policy", options);
}
