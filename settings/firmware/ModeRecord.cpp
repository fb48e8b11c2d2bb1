#include "ModeRecord.h"

#include <framework/handles.h>
#include <framework/registry.h>
#include <framework/text.h>

#include <sddl.h>

#include <algorithm>

#include "PowerPolicy.h"
#include "UserHive.h"

namespace {
const wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const wchar_t kSystemEnvironment[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

std::wstring ErrorText(LONG error) {
    return L"error " + std::to_wstring(error);
}

// A SID in its one canonical text: "S-1-5-21-...-1001", not "S-1-5-21-...-1001.bak" (the copy Windows keeps
// of a profile entry it had to rebuild) nor any other name a profile list may hold.
bool IsSidText(const std::wstring& name) {
    PSID sid = nullptr;
    if (!::ConvertStringSidToSidW(name.c_str(), &sid)) return false;
    wchar_t* text = nullptr;
    const bool canonical = ::ConvertSidToStringSidW(sid, &text) && name == text;
    ::LocalFree(text);
    ::LocalFree(sid);
    return canonical;
}

// A user's own account: local and domain accounts (S-1-5-21-...) and cloud accounts (S-1-12-1-...), not
// their classes hives nor the system's own accounts.
bool IsUserAccount(const std::wstring& name) {
    return (name.rfind(L"S-1-5-21-", 0) == 0 || name.rfind(L"S-1-12-1-", 0) == 0) && IsSidText(name);
}

// The system's own variables: the Windows folder's and the machine-wide ones, never the environment of
// whoever started this run (a person's elevated run could point a profile anywhere through it).
bool SystemVariable(const std::wstring& name, std::wstring& value) {
    wchar_t windows[MAX_PATH] = L"";
    const UINT n = ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        if (fw::EqualsFoldingAscii(name, L"SystemRoot") || fw::EqualsFoldingAscii(name, L"windir")) {
            value = windows;
            return true;
        }
        if (fw::EqualsFoldingAscii(name, L"SystemDrive") && n >= 2 && windows[1] == L':') {
            value.assign(windows, 2);
            return true;
        }
    }
    fw::CRegKey environment;
    if (environment.Open(HKEY_LOCAL_MACHINE, kSystemEnvironment, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return false;
    for (DWORD size = 256 * sizeof(wchar_t);;) {
        std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
        const LONG read =
            ::RegGetValueW(environment.Get(), nullptr, name.c_str(),
                           RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, data.data(), &size);
        if (read == ERROR_MORE_DATA) continue;
        if (read != ERROR_SUCCESS) return false;
        value = data.c_str();
        return true;
    }
}

// A profile's folder as the profile list records it, its variables expanded with the system's own.
bool ProfileFolder(HKEY profiles, const std::wstring& sid, std::wstring& folder, LONG& error) {
    for (DWORD size = MAX_PATH * sizeof(wchar_t);;) {
        std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
        error =
            ::RegGetValueW(profiles, sid.c_str(), L"ProfileImagePath",
                           RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, data.data(), &size);
        if (error == ERROR_MORE_DATA) continue;
        if (error != ERROR_SUCCESS) return false;
        folder = fw::ExpandVariables(data.c_str(), SystemVariable);
        if (folder.empty()) {
            error = ERROR_BAD_PATHNAME;
            return false;
        }
        if (folder.back() != L'\\') folder += L'\\';
        return true;
    }
}

bool FileExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A four-byte value read, with why it could not be.
struct Dword {
    enum { kRead, kMissing, kUnreadable } state = kMissing;
    DWORD value = 0;
    std::wstring why;
};

Dword QueryDword(HKEY key, const wchar_t* name) {
    Dword result;
    DWORD size = sizeof result.value;
    const LONG read =
        ::RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&result.value), &size);
    if (read == ERROR_SUCCESS) {
        result.state = Dword::kRead;
    } else if (read != ERROR_FILE_NOT_FOUND) {
        result.state = Dword::kUnreadable;
        result.why = std::wstring(name) + L" could not be read (" + ErrorText(read) + L")";
    }
    return result;
}

// How far a use of one of another user's keys got.
enum class Reached { kUsed, kKeyMissing, kFailed };

// Runs `use` on one of another user's keys: the user's registry is opened (a profile's hive loaded) for
// that one use only. `use` answers false, with why, when it failed; `why` also says what kept it from
// running, or that a hive stayed loaded afterwards.
template <class Use>
Reached WithUserKey(const std::wstring& sid, const std::wstring& hiveFile, const wchar_t* path, REGSAM access,
                    std::wstring& why, Use use, bool create = false) {
    CUserHive hive(sid, hiveFile);
    if (!hive.Open(why)) return Reached::kFailed;
    Reached reached = Reached::kFailed;
    {
        fw::CRegKey key;
        LONG error = ERROR_SUCCESS;
        switch (OpenRecordKey(hive.Root(), path, access, key, error, create)) {
            case RecordKey::kOpened:
                reached = use(key.Get(), why) ? Reached::kUsed : Reached::kFailed;
                break;
            case RecordKey::kMissing:
                reached = Reached::kKeyMissing;
                break;
            case RecordKey::kLink:
                why = std::wstring(path) + L" passes through a registry link, which is not followed";
                break;
            case RecordKey::kFailed:
                why = std::wstring(path) + L" could not be opened (" + ErrorText(error) + L")";
                break;
        }
    }
    std::wstring unloaded;
    if (!hive.Close(unloaded)) {
        why = why.empty() ? unloaded : why + L"; " + unloaded;
        return Reached::kFailed;
    }
    return reached;
}

// Reads another user's VelmoraMode.
Dword ReadUserMode(const std::wstring& sid, const std::wstring& hiveFile) {
    Dword mode;
    std::wstring why;
    const Reached reached = WithUserKey(sid, hiveFile, CModeRecord::kModeKey, KEY_QUERY_VALUE, why,
                                        [&](HKEY key, std::wstring& failure) {
                                            mode = QueryDword(key, CModeRecord::kModeValue);
                                            failure = mode.why;
                                            return mode.state != Dword::kUnreadable;
                                        });
    if (reached == Reached::kKeyMissing) return Dword{};
    if (reached == Reached::kFailed) {
        mode.state = Dword::kUnreadable;
        mode.why = why;
    }
    return mode;
}

// `create`: the key may be made where it is missing (the program's own record; never Explorer's keys).
bool WriteUserDword(const std::wstring& sid, const std::wstring& hiveFile, const wchar_t* path,
                    const wchar_t* name, DWORD value, std::wstring& why, bool create = false) {
    const Reached reached = WithUserKey(
        sid, hiveFile, path, KEY_SET_VALUE, why,
        [&](HKEY key, std::wstring& failure) {
            const LONG written = ::RegSetValueExW(key, name, 0, REG_DWORD,
                                                  reinterpret_cast<const BYTE*>(&value), sizeof value);
            if (written != ERROR_SUCCESS)
                failure = std::wstring(name) + L" could not be written (" + ErrorText(written) + L")";
            return written == ERROR_SUCCESS;
        },
        create);
    if (reached == Reached::kKeyMissing) why = std::wstring(path) + L" is missing";
    return reached == Reached::kUsed;
}

// The running user's own values: their own registry, where the program runs as them, so a missing key is
// created.
DWORD ReadOwnDword(const wchar_t* path, const wchar_t* name) {
    fw::CRegKey key;
    if (key.Open(HKEY_CURRENT_USER, path, KEY_READ) != ERROR_SUCCESS) return 0;
    const Dword read = QueryDword(key.Get(), name);
    return read.state == Dword::kRead ? read.value : 0;
}

bool WriteOwnDword(const wchar_t* path, const wchar_t* name, DWORD value) {
    fw::CRegKey key;
    return key.Create(HKEY_CURRENT_USER, path, KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY) ==
               ERROR_SUCCESS &&
           key.SetDword(name, value) == ERROR_SUCCESS;
}
}  // namespace

CModeRecord::CModeRecord() : m_users{{L"", L""}} {}

CModeRecord::Survey CModeRecord::EveryUser() {
    Survey survey;
    CUserHive::UnloadStaleHives(survey.report);
    // A record that cannot be read, or says neither on nor off, leaves that user's mode unknown.
    auto consider = [&](const std::wstring& sid, const std::wstring& hiveFile) {
        const Dword mode = ReadUserMode(sid, hiveFile);
        if (mode.state == Dword::kUnreadable) {
            survey.report.push_back(L"the record of " + sid + L" could not be read: " + mode.why);
            survey.complete = false;
        } else if (mode.state == Dword::kRead && mode.value > 1) {
            survey.report.push_back(L"the record of " + sid + L" holds VelmoraMode " +
                                    std::to_wstring(mode.value) + L", neither 0 nor 1");
            survey.complete = false;
        } else {
            survey.users.push_back({{sid, hiveFile}, mode.state == Dword::kRead ? mode.value : 0});
        }
    };

    // Users who are signed in: their registries are loaded under their SIDs.
    for (const std::wstring& name : fw::SubkeyNames(HKEY_USERS))
        if (IsUserAccount(name)) consider(name, L"");

    // Every other profile of the machine, each hive loaded while it is read.
    fw::CRegKey profiles;
    const LONG opened = profiles.Open(HKEY_LOCAL_MACHINE, kProfileList, KEY_READ);
    if (opened != ERROR_SUCCESS) {
        if (opened != ERROR_FILE_NOT_FOUND) {
            survey.report.push_back(L"the profile list could not be read (" + ErrorText(opened) + L")");
            survey.complete = false;
        }
        return survey;
    }
    std::vector<std::wstring> hiveFiles;  // each profile's registry is read once, whatever points at it
    for (const std::wstring& name : fw::SubkeyNames(profiles.Get())) {
        if (!IsSidText(name)) {
            survey.report.push_back(L"profile entry " + name + L" skipped: its name is not an account's");
            continue;
        }
        fw::CRegKey signedIn;
        if (!IsUserAccount(name) || signedIn.Open(HKEY_USERS, name.c_str(), KEY_READ) == ERROR_SUCCESS)
            continue;
        std::wstring folder;
        LONG error = ERROR_SUCCESS;
        if (!ProfileFolder(profiles.Get(), name, folder, error)) {
            survey.report.push_back(L"profile " + name + L" skipped: its folder could not be read (" +
                                    ErrorText(error) + L"); whether quick resume is on for it is not known");
            survey.complete = false;
            continue;
        }
        const std::wstring file = folder + L"NTUSER.DAT";
        if (!FileExists(file)) {
            // A mandatory profile's registry is read-only by design: changes to it are dropped at sign-out.
            survey.report.push_back(
                L"profile " + name + L" skipped: " +
                (FileExists(folder + L"NTUSER.MAN")
                     ? std::wstring(L"a mandatory profile, whose registry keeps no change")
                     : L"it has no registry of its own (" + file + L")"));
            continue;
        }
        const auto same = [&](const std::wstring& seen) { return fw::EqualsFoldingAscii(seen, file); };
        if (std::any_of(hiveFiles.begin(), hiveFiles.end(), same)) {
            survey.report.push_back(L"profile " + name + L" skipped: its registry " + file +
                                    L" belongs to a profile already read");
            continue;
        }
        hiveFiles.push_back(file);
        consider(name, file);
    }
    return survey;
}

DWORD CModeRecord::ReadModeValue() const {
    if (m_users.empty()) return 0;
    const User& user = m_users.front();
    if (user.sid.empty()) return ReadOwnDword(kModeKey, kModeValue);
    const Dword mode = ReadUserMode(user.sid, user.hiveFile);
    return mode.state == Dword::kRead ? mode.value : 0;
}

namespace {
std::wstring Who(const std::wstring& sid, const std::wstring& hiveFile) {
    return sid.empty() ? std::wstring(L"this user") : sid + (hiveFile.empty() ? L"" : L" (not signed in)");
}

void Note(std::vector<std::wstring>* log, const std::wstring& who, const wchar_t* name, DWORD value,
          bool written, const std::wstring& why) {
    if (!log) return;
    log->push_back(who + L": " + name + L" " + std::to_wstring(value) +
                   (written ? L" written" : L" not written" + (why.empty() ? L"" : L": " + why)));
}
}  // namespace

bool CModeRecord::WriteModeValue(DWORD value, std::vector<std::wstring>* log) const {
    bool written = true;
    for (const User& user : m_users) {
        std::wstring why;
        const bool ok = user.sid.empty()
                            ? WriteOwnDword(kModeKey, kModeValue, value)
                            : WriteUserDword(user.sid, user.hiveFile, kModeKey, kModeValue, value, why, true);
        Note(log, Who(user.sid, user.hiveFile), kModeValue, value, ok, why);
        written = ok && written;
    }
    return written;
}

bool CModeRecord::WriteStartMenuButton(DWORD value, std::vector<std::wstring>* log) const {
    bool written = false;
    for (const User& user : m_users) {
        std::wstring why;
        const bool ok =
            user.sid.empty()
                ? WriteOwnDword(CPowerPolicy::kStartMenuKey, CPowerPolicy::kStartMenuButton, value)
                : WriteUserDword(user.sid, user.hiveFile, CPowerPolicy::kStartMenuKey,
                                 CPowerPolicy::kStartMenuButton, value, why);
        Note(log, Who(user.sid, user.hiveFile), CPowerPolicy::kStartMenuButton, value, ok, why);
        written = ok || written;
    }
    return written;
}
