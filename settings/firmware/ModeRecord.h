// Where quick resume's mode is recorded: the user's own registry (HKCU\Software\Corvane\Velmora, value
// VelmoraMode), or, for the installer package's switch-off, which runs as the system, the registries of every
// user of the machine whose mode is on: those signed in (their hives are loaded) and those who are not (their
// profiles' hives, each loaded only while it is read or written; UserHive.h).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

class CModeRecord {
public:
    // The key and the value that holds the mode: 1 on, 0 off.
    static constexpr wchar_t kModeKey[] = L"Software\\Corvane\\Velmora";
    static constexpr wchar_t kModeValue[] = L"VelmoraMode";

    // The running user's record.
    CModeRecord();

    // What the survey of every user's record found: each user whose mode could be read, with the mode, a line
    // for each profile skipped or unreadable and each registry left loaded by an earlier run, and whether
    // every user's mode is known.
    struct Survey;
    static Survey EveryUser();

    bool Empty() const { return m_users.empty(); }
    // VelmoraMode of the record's first user; 0 when it cannot be read.
    DWORD ReadModeValue() const;
    // Writes VelmoraMode into every user's record; false when one did not take it. Where `log` is given, a
    // line for each user says what was written, or why not.
    [[nodiscard]] bool WriteModeValue(DWORD value, std::vector<std::wstring>* log = nullptr) const;
    // Sets the record's users' Start-menu power button (another user's only where Explorer made its settings
    // key); false when no user's took it. `log` as above.
    [[nodiscard]] bool WriteStartMenuButton(DWORD value, std::vector<std::wstring>* log = nullptr) const;

private:
    struct User {
        std::wstring sid;       // empty for the running user
        std::wstring hiveFile;  // the profile's NTUSER.DAT of a user who is not signed in; empty otherwise
    };
    explicit CModeRecord(std::vector<User> users) : m_users(std::move(users)) {}
    std::vector<User> m_users;
};

struct CModeRecord::Survey {
    struct Entry {
        User user;
        DWORD mode;  // 0 or 1; a missing record reads as 0
    };
    std::vector<Entry> users;
    std::vector<std::wstring> report;
    bool complete = true;  // false: a user's mode could not be read

    // The users whose mode is, or is not, `mode`.
    CModeRecord With(DWORD mode) const { return Select(mode, true); }
    CModeRecord Without(DWORD mode) const { return Select(mode, false); }

private:
    CModeRecord Select(DWORD mode, bool equal) const {
        std::vector<User> chosen;
        for (const Entry& entry : users)
            if ((entry.mode == mode) == equal) chosen.push_back(entry.user);
        return CModeRecord(std::move(chosen));
    }
};
