#include "ModeRecord.h"

#include <handles.h>
#include <text.h>

namespace {
const wchar_t kModeKey[] = L"Software\\Corvane\\Velmora";

// A user's own hive under HKEY_USERS: local and domain accounts (S-1-5-21-...) and cloud accounts
// (S-1-12-1-...), not their classes hives nor the system's own accounts.
bool IsUserHive(const std::wstring& name) {
    const std::wstring classes = L"_Classes";
    const bool isClasses = name.size() > classes.size() &&
                           name.compare(name.size() - classes.size(), classes.size(), classes) == 0;
    return !isClasses && (name.rfind(L"S-1-5-21-", 0) == 0 || name.rfind(L"S-1-12-1-", 0) == 0);
}

DWORD ReadDword(HKEY root, const std::wstring& path, const wchar_t* name) {
    fw::CRegKey key;
    if (key.Open(root, path.c_str(), KEY_READ) != ERROR_SUCCESS) return 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    if (::RegQueryValueExW(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size) !=
        ERROR_SUCCESS)
        return 0;
    return data;
}

bool WriteDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value) {
    fw::CRegKey key;
    return key.Create(root, path.c_str(), KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY) == ERROR_SUCCESS &&
           key.SetDword(name, value) == ERROR_SUCCESS;
}
}  // namespace

CModeRecord::CModeRecord() : m_hives{{HKEY_CURRENT_USER, L""}} {}

CModeRecord CModeRecord::UsersWithModeOn() {
    std::vector<Hive> on;
    for (const std::wstring& user : fw::SubkeyNames(HKEY_USERS)) {
        if (IsUserHive(user) && ReadDword(HKEY_USERS, user + L"\\" + kModeKey, kModeValue) == 1)
            on.push_back({HKEY_USERS, user + L"\\"});
    }
    return CModeRecord(std::move(on));
}

DWORD CModeRecord::ReadModeValue(const wchar_t* name) const {
    return m_hives.empty() ? 0 : ReadDword(m_hives.front().root, m_hives.front().prefix + kModeKey, name);
}

void CModeRecord::WriteModeValue(const wchar_t* name, DWORD value) const {
    for (const Hive& hive : m_hives) WriteDword(hive.root, hive.prefix + kModeKey, name, value);
}

bool CModeRecord::WriteUserDword(const wchar_t* key, const wchar_t* name, DWORD value) const {
    bool written = false;
    for (const Hive& hive : m_hives)
        written = WriteDword(hive.root, hive.prefix + key, name, value) || written;
    return written;
}
