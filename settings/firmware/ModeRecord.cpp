#include "ModeRecord.h"

#include <handles.h>
#include <registry.h>
#include <text.h>

namespace {
const wchar_t kModeKey[] = L"Software\\Corvane\\Velmora";
const wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
// Where a profile's registry is loaded while it is read: a name of our own, never the SID under which the
// system loads it when the user signs in.
const wchar_t kLoadedPrefix[] = L"CorvaneVelmora_";

// A user's own account: local and domain accounts (S-1-5-21-...) and cloud accounts (S-1-12-1-...), not
// their classes hives nor the system's own accounts.
bool IsUserAccount(const std::wstring& name) {
    const std::wstring classes = L"_Classes";
    const bool isClasses = name.size() > classes.size() &&
                           name.compare(name.size() - classes.size(), classes.size(), classes) == 0;
    return !isClasses && (name.rfind(L"S-1-5-21-", 0) == 0 || name.rfind(L"S-1-12-1-", 0) == 0);
}

// A value's four bytes, whatever its type. A missing key or value is no record at all; one that cannot be
// read as four bytes (too long, say) is unreadable.
struct Dword {
    bool readable = true;
    DWORD value = 0;  // 0 when missing or unreadable
};
Dword QueryDword(HKEY root, const std::wstring& path, const wchar_t* name) {
    fw::CRegKey key;
    const LONG opened = key.Open(root, path.c_str(), KEY_READ);
    if (opened != ERROR_SUCCESS) return {opened == ERROR_FILE_NOT_FOUND, 0};
    DWORD data = 0;
    DWORD size = sizeof data;
    const LONG read =
        ::RegQueryValueExW(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size);
    if (read != ERROR_SUCCESS) return {read == ERROR_FILE_NOT_FOUND, 0};
    return {true, data};
}

DWORD ReadDword(HKEY root, const std::wstring& path, const wchar_t* name) {
    return QueryDword(root, path, name).value;
}

bool WriteDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value) {
    fw::CRegKey key;
    return key.Create(root, path.c_str(), KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY) == ERROR_SUCCESS &&
           key.SetDword(name, value) == ERROR_SUCCESS;
}

// Loading and unloading a registry file need the backup and restore privileges, which the system account
// holds but does not enable by itself.
void EnableHiveLoading() {
    fw::CKernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Receive()))
        return;
    for (const wchar_t* privilege : {SE_BACKUP_NAME, SE_RESTORE_NAME}) {
        TOKEN_PRIVILEGES enable{};
        enable.PrivilegeCount = 1;
        enable.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (::LookupPrivilegeValueW(nullptr, privilege, &enable.Privileges[0].Luid))
            ::AdjustTokenPrivileges(token.Get(), FALSE, &enable, 0, nullptr, nullptr);
    }
}

// The registry file of a profile: NTUSER.DAT in the profile's folder (its path may hold variables of the
// system's own, such as %SystemDrive%).
std::wstring ProfileHiveFile(const std::wstring& sid) {
    const std::wstring key = std::wstring(kProfileList) + L"\\" + sid;
    // A stored REG_EXPAND_SZ comes back expanded (as REG_SZ); the size asked for may grow with that.
    std::wstring folder(MAX_PATH, L'\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(folder.size() * sizeof(wchar_t));
        const LONG read = ::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"ProfileImagePath", RRF_RT_REG_SZ,
                                         nullptr, folder.data(), &size);
        if (read == ERROR_MORE_DATA && size > folder.size() * sizeof(wchar_t)) {
            folder.assign(size / sizeof(wchar_t) + 1, L'\0');
            continue;
        }
        if (read != ERROR_SUCCESS) return std::wstring();
        break;
    }
    folder.resize(folder.find(L'\0'));
    if (folder.empty()) return std::wstring();
    if (folder.back() != L'\\') folder += L'\\';
    return folder + L"NTUSER.DAT";
}
}  // namespace

class CModeRecord::CLoadedHive {
public:
    explicit CLoadedHive(std::wstring name) : m_name(std::move(name)) {}
    ~CLoadedHive() { ::RegUnLoadKeyW(HKEY_USERS, m_name.c_str()); }
    CLoadedHive(const CLoadedHive&) = delete;
    CLoadedHive& operator=(const CLoadedHive&) = delete;

private:
    std::wstring m_name;
};

CModeRecord::CModeRecord() : m_hives{{HKEY_CURRENT_USER, L"", L"", nullptr}} {}

CModeRecord CModeRecord::UsersWithModeOn(std::vector<std::wstring>& unreadable) {
    std::vector<Hive> on;
    // Whether the user's record says on; a record that says neither on nor off is named in `unreadable`.
    auto isOn = [&](const std::wstring& prefix, const std::wstring& user) {
        const Dword mode = QueryDword(HKEY_USERS, prefix + kModeKey, kModeValue);
        if (!mode.readable || mode.value > 1)
            unreadable.push_back(user + L" (its VelmoraMode is neither 0 nor 1)");
        return mode.readable && mode.value == 1;
    };
    // Users who are signed in: their registries are loaded under their SIDs.
    for (const std::wstring& user : fw::SubkeyNames(HKEY_USERS)) {
        if (IsUserAccount(user) && isOn(user + L"\\", user))
            on.push_back({HKEY_USERS, user + L"\\", user, nullptr});
    }

    // Every other profile of the machine: its registry is loaded from its file while it is read, and stays
    // loaded while the record needs it.
    fw::CRegKey profiles;
    if (profiles.Open(HKEY_LOCAL_MACHINE, kProfileList, KEY_READ) != ERROR_SUCCESS)
        return CModeRecord(std::move(on));
    bool privileged = false;
    for (const std::wstring& user : fw::SubkeyNames(profiles.Get())) {
        fw::CRegKey signedIn;
        if (!IsUserAccount(user) || signedIn.Open(HKEY_USERS, user.c_str(), KEY_READ) == ERROR_SUCCESS)
            continue;
        const std::wstring file = ProfileHiveFile(user);
        if (file.empty() || ::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES)
            continue;  // a profile without a registry of its own records nothing
        if (!privileged) EnableHiveLoading();
        privileged = true;
        const std::wstring name = kLoadedPrefix + user;
        const LONG loaded = ::RegLoadKeyW(HKEY_USERS, name.c_str(), file.c_str());
        if (loaded != ERROR_SUCCESS) {
            unreadable.push_back(user + L" (" + file + L", error " + std::to_wstring(loaded) + L")");
            continue;
        }
        auto hive = std::make_shared<CLoadedHive>(name);
        if (isOn(name + L"\\", user)) on.push_back({HKEY_USERS, name + L"\\", user, std::move(hive)});
    }
    return CModeRecord(std::move(on));
}

DWORD CModeRecord::ReadModeValue(const wchar_t* name) const {
    return m_hives.empty() ? 0 : ReadDword(m_hives.front().root, m_hives.front().prefix + kModeKey, name);
}

bool CModeRecord::WriteModeValue(const wchar_t* name, DWORD value) const {
    bool written = true;
    for (const Hive& hive : m_hives)
        written = WriteDword(hive.root, hive.prefix + kModeKey, name, value) && written;
    return written;
}

bool CModeRecord::WriteUserDword(const wchar_t* key, const wchar_t* name, DWORD value) const {
    bool written = false;
    for (const Hive& hive : m_hives)
        written = WriteDword(hive.root, hive.prefix + key, name, value) || written;
    return written;
}

std::vector<std::wstring> CModeRecord::Describe(const wchar_t* key, const wchar_t* name) const {
    std::vector<std::wstring> lines;
    for (const Hive& hive : m_hives) {
        lines.push_back((hive.user.empty() ? L"this user" : hive.user) +
                        (hive.loaded ? L" (not signed in)" : L"") + L": " + kModeValue + L" " +
                        std::to_wstring(ReadDword(hive.root, hive.prefix + kModeKey, kModeValue)) + L", " +
                        name + L" " + std::to_wstring(ReadDword(hive.root, hive.prefix + key, name)));
    }
    return lines;
}
