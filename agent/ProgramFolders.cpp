#include "ProgramFolders.h"

#include <windows.h>

#include <framework/handles.h>

#include "PathWithin.h"

namespace {

const wchar_t kWindowsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const wchar_t* const kFolderValues[] = {L"ProgramFilesDir", L"ProgramFilesDir (x86)"};
constexpr int kReadAttempts = 4;

// The file system's comparison of names: ordinal, without regard to letter case.
bool SameName(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The path with "." and ".." resolved and short names (PROGRA~1) expanded where its folders exist; empty when
// it has no full form.
std::wstring FullLongPath(const std::wstring& path) {
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) return std::wstring();
        if (n < full.size()) {
            full.resize(n);
            break;
        }
        full.resize(n);  // the size asked for, terminator included
    }
    std::wstring longer(full.size() + 1, L'\0');
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        const DWORD n = ::GetLongPathNameW(full.c_str(), longer.data(), static_cast<DWORD>(longer.size()));
        // Not expanded (a folder that is gone): compared as it is, a short name in it matches no long one.
        if (n == 0) return full;
        if (n < longer.size()) {
            longer.resize(n);
            return longer;
        }
        longer.resize(n);
    }
    return full;
}

// A REG_SZ value of the key; empty when there is none. A REG_EXPAND_SZ one is not expanded: the environment
// it would be expanded in is not the system's record.
std::wstring RecordedFolder(HKEY key, const wchar_t* value) {
    std::wstring text(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        const LSTATUS rc =
            ::RegGetValueW(key, nullptr, value, RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, text.data(), &bytes);
        if (rc == ERROR_MORE_DATA) {
            text.assign(bytes / sizeof(wchar_t) + 1, L'\0');
            continue;
        }
        if (rc != ERROR_SUCCESS) return std::wstring();
        text.resize(bytes / sizeof(wchar_t));
        while (!text.empty() && text.back() == L'\0') text.pop_back();
        return text;
    }
    return std::wstring();
}

}  // namespace

std::vector<std::wstring> MachineProgramFolders() {
    std::vector<std::wstring> folders;
    // The 64-bit view: a 32-bit agent's own view names the 32-bit folder under both names.
    fw::CRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kWindowsKey, KEY_QUERY_VALUE | KEY_WOW64_64KEY) != ERROR_SUCCESS)
        return folders;
    for (const wchar_t* value : kFolderValues) {
        const std::wstring recorded = RecordedFolder(key.Get(), value);
        const std::wstring folder = recorded.empty() ? recorded : FullLongPath(recorded);
        if (!folder.empty()) folders.push_back(folder);
    }
    return folders;
}

bool IsInsideProgramFolders(const std::wstring& folder, const std::vector<std::wstring>& programFolders) {
    const std::wstring path = FullLongPath(folder);
    for (const std::wstring& programFolder : programFolders) {
        if (IsWithinFolder(path, programFolder, SameName)) return true;
    }
    return false;
}
