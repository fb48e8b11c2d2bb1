// Another user's registry, as the installer package's switch-off (run as the system) reaches it: the hive of
// a signed-in user under HKEY_USERS, or a profile's NTUSER.DAT loaded only for as long as one read or one
// write takes, so that a user who signs in meanwhile gets the real profile and a run that is ended or dies
// leaves nothing loaded.
#pragma once
#include <windows.h>

#include <framework/handles.h>

#include <string>
#include <vector>

// Where a profile's hive is loaded where Windows offers no private load (5.1, 5.2, and Wine): a name of our
// own under HKEY_USERS, never the SID under which the system loads it when the user signs in.
inline constexpr wchar_t kLoadedHivePrefix[] = L"CorvaneVelmora_";

class CUserHive {
public:
    // `sid`: the account; `file`: its profile's NTUSER.DAT, or empty for a signed-in user's loaded hive.
    CUserHive(std::wstring sid, std::wstring file) : m_strSid(std::move(sid)), m_strFile(std::move(file)) {}
    // Unloads what Open loaded; a failure to unload is told by Close.
    ~CUserHive();
    CUserHive(const CUserHive&) = delete;
    CUserHive& operator=(const CUserHive&) = delete;

    // Opens the user's registry root; on failure `why` says what went wrong.
    [[nodiscard]] bool Open(std::wstring& why);
    HKEY Root() const { return m_root.Get(); }
    // Closes the root and unloads a hive Open loaded; false (and `why`) when the hive stayed loaded.
    [[nodiscard]] bool Close(std::wstring& why);

    // Unloads the hives an earlier run of this program left loaded (it was ended or died while it held one);
    // one line in `report` for each, saying whether it went.
    static void UnloadStaleHives(std::vector<std::wstring>& report);

private:
    std::wstring m_strSid;
    std::wstring m_strFile;
    fw::CRegKey m_root;
    // The name under HKEY_USERS of a hive loaded there by Open; empty otherwise.
    std::wstring m_strLoadedAs;
};

// What became of opening a key of a user's record for reading or writing.
enum class RecordKey {
    kOpened,
    kMissing,  // the key is not there (it is never created in another user's registry)
    kLink,     // a key on the way is a registry link, which is not followed
    kFailed,   // any other error (access denied, say)
};

// Opens `path` below `root` one key at a time without following links (a user controls the keys of their own
// registry and could point one anywhere the system may write). Creates the missing keys only where asked
// (`create`: the program's own record, which a switch on must be able to make), each below a parent that was
// checked, and checks it in turn.
RecordKey OpenRecordKey(HKEY root, const std::wstring& path, REGSAM access, fw::CRegKey& key, LONG& error,
                        bool create = false);
