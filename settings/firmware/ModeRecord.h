// Where quick resume's mode is recorded: the user's own registry (HKCU\Software\Corvane\Velmora, value
// VelmoraMode), or, for the installer package's switch-off, which runs as the system, the registries of every
// user of the machine whose mode is on: those signed in (their hives are loaded) and those who are not (their
// hives are loaded from their profiles for as long as the record lives).
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class CModeRecord {
public:
    // The value that holds the mode: 1 on, 0 off.
    static constexpr wchar_t kModeValue[] = L"VelmoraMode";

    // The running user's record.
    CModeRecord();
    // The records of every user of the machine whose VelmoraMode is 1. A user whose registry or record cannot
    // be read is named in `unreadable` (that user's mode is not known).
    static CModeRecord UsersWithModeOn(std::vector<std::wstring>& unreadable);

    bool Empty() const { return m_hives.empty(); }
    // The value in the first of the record's registries; 0 when it cannot be read.
    DWORD ReadModeValue(const wchar_t* name) const;
    // Writes the value into every one of the record's registries; false when one did not take it.
    bool WriteModeValue(const wchar_t* name, DWORD value) const;
    // Writes a value of another key of the same users (their Explorer settings); false when none took it.
    bool WriteUserDword(const wchar_t* key, const wchar_t* name, DWORD value) const;
    // For the package's log: each user of the record and what the record holds now.
    std::vector<std::wstring> Describe(const wchar_t* key, const wchar_t* name) const;

private:
    // A user's registry loaded from the profile's file under HKEY_USERS, unloaded again with the object.
    class CLoadedHive;
    struct Hive {
        HKEY root;
        std::wstring prefix;                  // "" or "<key under HKEY_USERS>\"
        std::wstring user;                    // the account's SID; empty for the running user
        std::shared_ptr<CLoadedHive> loaded;  // set when the hive was loaded for this record
    };
    explicit CModeRecord(std::vector<Hive> hives) : m_hives(std::move(hives)) {}
    std::vector<Hive> m_hives;
};
