// Where quick resume's mode is recorded: the user's own registry (HKCU\Software\Corvane\Velmora, value
// VelmoraMode), or, for the installer package's switch-off, which runs as the system, the registries of the
// users whose hives are loaded and whose mode is on.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

class CModeRecord {
public:
    // The value that holds the mode: 1 on, 0 off.
    static constexpr wchar_t kModeValue[] = L"VelmoraMode";

    // The running user's record.
    CModeRecord();
    // The records of every loaded user (HKEY_USERS) whose VelmoraMode is 1.
    static CModeRecord UsersWithModeOn();

    bool Empty() const { return m_hives.empty(); }
    // The value in the first of the record's registries; 0 when it cannot be read.
    DWORD ReadModeValue(const wchar_t* name) const;
    // Writes the value into every one of the record's registries; a failure goes unnoticed.
    void WriteModeValue(const wchar_t* name, DWORD value) const;
    // Writes a value of another key of the same users (their Explorer settings); false when none took it.
    bool WriteUserDword(const wchar_t* key, const wchar_t* name, DWORD value) const;

private:
    struct Hive {
        HKEY root;
        std::wstring prefix;  // "" or "<SID>\"
    };
    explicit CModeRecord(std::vector<Hive> hives) : m_hives(std::move(hives)) {}
    std::vector<Hive> m_hives;
};
