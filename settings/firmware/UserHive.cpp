#include "UserHive.h"

#include <framework/app.h>
#include <framework/registry.h>

namespace {
using RegLoadAppKeyFn = LSTATUS(WINAPI*)(LPCWSTR, PHKEY, REGSAM, DWORD, DWORD);
constexpr DWORD kProcessAppKey = 0x1;  // REG_PROCESS_APPKEY: nobody else opens the hive while it is loaded

std::wstring ErrorText(LONG error) {
    return L"error " + std::to_wstring(error);
}

// The backup and restore privileges, which loading and unloading a hive under HKEY_USERS need, enabled for
// as long as the object lives and then put back as they were: nothing else of the run has them.
class CHiveLoadingPrivileges {
public:
    CHiveLoadingPrivileges() {
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                                m_token.Receive()))
            return;
        TOKEN_PRIVILEGES* wanted = reinterpret_cast<TOKEN_PRIVILEGES*>(m_wanted);
        wanted->PrivilegeCount = 2;
        const wchar_t* names[] = {SE_BACKUP_NAME, SE_RESTORE_NAME};
        for (DWORD i = 0; i < 2; ++i) {
            if (!::LookupPrivilegeValueW(nullptr, names[i], &wanted->Privileges[i].Luid)) return;
            wanted->Privileges[i].Attributes = SE_PRIVILEGE_ENABLED;
        }
        DWORD size = sizeof m_previous;
        // Success with ERROR_NOT_ALL_ASSIGNED means the account lacks one of them.
        ::SetLastError(ERROR_SUCCESS);
        m_bEnabled = ::AdjustTokenPrivileges(m_token.Get(), FALSE, wanted, sizeof m_previous,
                                             reinterpret_cast<TOKEN_PRIVILEGES*>(m_previous), &size) &&
                     ::GetLastError() == ERROR_SUCCESS;
        m_bAdjusted = true;
    }
    ~CHiveLoadingPrivileges() {
        // Best effort: the process ends soon after, and its privileges with it.
        if (m_bAdjusted)
            (void)::AdjustTokenPrivileges(
                m_token.Get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(m_previous), 0, nullptr, nullptr);
    }
    CHiveLoadingPrivileges(const CHiveLoadingPrivileges&) = delete;
    CHiveLoadingPrivileges& operator=(const CHiveLoadingPrivileges&) = delete;
    bool Enabled() const { return m_bEnabled; }

private:
    fw::CKernelHandle m_token;
    alignas(TOKEN_PRIVILEGES) BYTE m_wanted[sizeof(TOKEN_PRIVILEGES) + sizeof(LUID_AND_ATTRIBUTES)] = {};
    alignas(TOKEN_PRIVILEGES) BYTE m_previous[sizeof(TOKEN_PRIVILEGES) + sizeof(LUID_AND_ATTRIBUTES)] = {};
    bool m_bEnabled = false;
    bool m_bAdjusted = false;
};

LONG UnloadHive(const std::wstring& name) {
    CHiveLoadingPrivileges privileges;
    return ::RegUnLoadKeyW(HKEY_USERS, name.c_str());
}
}  // namespace

CUserHive::~CUserHive() {
    std::wstring ignored;
    // A caller that wants to know whether the hive went calls Close itself.
    (void)Close(ignored);
}

bool CUserHive::Open(std::wstring& why) {
    if (m_strFile.empty()) {
        const LONG opened = m_root.Open(HKEY_USERS, m_strSid.c_str(), KEY_READ | KEY_SET_VALUE);
        if (opened != ERROR_SUCCESS)
            why = L"its loaded registry could not be opened (" + ErrorText(opened) + L")";
        return opened == ERROR_SUCCESS;
    }
    // From 6.0 on the hive is loaded for this process alone and goes with the handle, or with the process.
    const auto loadPrivately =
        fw::GetProc<RegLoadAppKeyFn>(::GetModuleHandleW(L"advapi32.dll"), "RegLoadAppKeyW");
    if (loadPrivately) {
        HKEY root = nullptr;
        const LONG loaded =
            loadPrivately(m_strFile.c_str(), &root, KEY_READ | KEY_SET_VALUE, kProcessAppKey, 0);
        if (loaded == ERROR_SUCCESS) {
            m_root.Reset(root);
            // Wine: RegLoadAppKeyW answers success with a handle that names no key; the shared load below
            // stands in for it there. On Windows the handle always answers.
            DWORD subkeys = 0;
            if (::RegQueryInfoKeyW(root, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr) != ERROR_INVALID_HANDLE)
                return true;
            (void)m_root.Detach();  // not a handle to close
        } else {
            why = m_strFile + L" could not be loaded (" + ErrorText(loaded) + L")";
            return false;
        }
    }
    const std::wstring name = kLoadedHivePrefix + m_strSid;
    LONG loaded;
    {
        CHiveLoadingPrivileges privileges;
        loaded = ::RegLoadKeyW(HKEY_USERS, name.c_str(), m_strFile.c_str());
    }
    if (loaded != ERROR_SUCCESS) {
        why = m_strFile + L" could not be loaded (" + ErrorText(loaded) + L")";
        return false;
    }
    m_strLoadedAs = name;
    const LONG opened = m_root.Open(HKEY_USERS, name.c_str(), KEY_READ | KEY_SET_VALUE);
    if (opened != ERROR_SUCCESS) {
        why = m_strFile + L" was loaded but could not be opened (" + ErrorText(opened) + L")";
        std::wstring unloaded;
        (void)Close(unloaded);  // `why` already names the first failure
        return false;
    }
    return true;
}

bool CUserHive::Close(std::wstring& why) {
    m_root.Reset();
    if (m_strLoadedAs.empty()) return true;
    const LONG unloaded = UnloadHive(m_strLoadedAs);
    if (unloaded != ERROR_SUCCESS) {
        why = L"HKEY_USERS\\" + m_strLoadedAs + L" (" + m_strFile + L") stayed loaded (" +
              ErrorText(unloaded) + L")";
        m_strLoadedAs.clear();
        return false;
    }
    m_strLoadedAs.clear();
    return true;
}

void CUserHive::UnloadStaleHives(std::vector<std::wstring>& report) {
    const std::wstring prefix = kLoadedHivePrefix;
    for (const std::wstring& name : fw::SubkeyNames(HKEY_USERS)) {
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        const LONG unloaded = UnloadHive(name);
        report.push_back(L"HKEY_USERS\\" + name + L", left loaded by an earlier run, " +
                         (unloaded == ERROR_SUCCESS
                              ? std::wstring(L"was unloaded")
                              : L"could not be unloaded (" + ErrorText(unloaded) + L")"));
    }
}

RecordKey OpenRecordKey(HKEY root, const std::wstring& path, REGSAM access, fw::CRegKey& key, LONG& error,
                        bool create) {
    fw::CRegKey parent;
    HKEY at = root;
    size_t start = 0;
    for (;;) {
        const size_t end = path.find(L'\\', start);
        const std::wstring name =
            path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        const bool last = end == std::wstring::npos;
        fw::CRegKey next;
        const REGSAM wanted = last ? access | KEY_QUERY_VALUE : KEY_QUERY_VALUE;
        error = ::RegOpenKeyExW(at, name.c_str(), REG_OPTION_OPEN_LINK, wanted, next.Receive());
        // A key made here below a parent just checked is an ordinary key of ours; should a link of that name
        // appear meanwhile, the check below finds it.
        if (error == ERROR_FILE_NOT_FOUND && create)
            error = ::RegCreateKeyExW(at, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, wanted, nullptr,
                                      next.Receive(), nullptr);
        if (error == ERROR_FILE_NOT_FOUND) return RecordKey::kMissing;
        if (error != ERROR_SUCCESS) return RecordKey::kFailed;
        // A link key holds its target in this value; opened as a link, its own values are read.
        DWORD type = 0;
        if (::RegQueryValueExW(next.Get(), L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) ==
                ERROR_SUCCESS &&
            type == REG_LINK)
            return RecordKey::kLink;
        if (last) {
            key = std::move(next);
            return RecordKey::kOpened;
        }
        parent = std::move(next);
        at = parent.Get();
        start = end + 1;
    }
}
