// Shared pieces of the simulated machine: registry access, GUID text, the power-scheme store and the log.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace sim {

// Owns one open registry key.
class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY h) : h_(h) {}
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& o) noexcept : h_(o.h_) { o.h_ = nullptr; }
    RegKey& operator=(RegKey&& o) noexcept;
    ~RegKey() { reset(); }

    static RegKey open(HKEY root, const std::wstring& path, REGSAM access = KEY_READ);
    static RegKey create(HKEY root, const std::wstring& path);

    explicit operator bool() const { return h_ != nullptr; }
    HKEY get() const { return h_; }
    void reset();

    bool readDword(const wchar_t* name, DWORD& value) const;
    bool readString(const wchar_t* name, std::wstring& value) const;
    bool writeDword(const wchar_t* name, DWORD value) const;
    bool writeString(const wchar_t* name, const std::wstring& value) const;
    std::vector<std::wstring> subkeys() const;
    std::vector<std::wstring> valueNames() const;

private:
    HKEY h_ = nullptr;
};

// Removes a key with everything below it; a missing key counts as removed.
bool deleteTree(HKEY root, const std::wstring& path);
// Replaces dst (below root) with a copy of src.
bool copyTree(HKEY root, const std::wstring& src, const std::wstring& dst);

// 36 characters, lower case, no braces.
std::wstring guidText(const GUID& g);
bool parseGuid(const std::wstring& text, GUID& g);
bool isGuidText(const std::wstring& text);
std::wstring lower(std::wstring s);
std::wstring newGuidText();

std::string toUtf8(const std::wstring& s);
std::wstring fromUtf8(const std::string& s);

// Appends one line to the file named by CORVANE_SIM_LOG (Windows or Unix path); silent when unset.
void logLine(const std::wstring& line);
// Appends "<piece> <32|64>-bit <module path in lower case>" to the file named by CORVANE_SIM_ORIGINS: which
// build of a piece ran, and from where.
void logOrigin(const wchar_t* piece, HMODULE module);

// The power-scheme store, kept where Windows keeps it.
namespace power {

extern const wchar_t kSchemesPath[];
extern const wchar_t kSimPath[];
extern const wchar_t kBalanced[];
extern const wchar_t kHighPerformance[];
extern const wchar_t kPowerSaver[];

std::wstring schemePath(const std::wstring& scheme);
// Display name of a known subgroup or setting GUID, empty when unknown.
std::wstring knownName(const std::wstring& guid);
bool schemeExists(const std::wstring& scheme);
std::vector<std::wstring> schemes();
std::wstring activeScheme();
std::wstring schemeName(const std::wstring& scheme);
std::wstring schemeDescription(const std::wstring& scheme);

// Wipes the store and creates the Windows plans (count: 1 = Balanced only, 3 = the three Windows plans,
// more = extra copies of Balanced).
void seed(int count);
// All functions below return a Win32 error code.
DWORD setActive(const std::wstring& scheme);
DWORD setIndex(const std::wstring& scheme, const std::wstring& sub, const std::wstring& setting, bool ac,
               DWORD value);
DWORD setNames(const std::wstring& scheme, const std::wstring& name, const std::wstring* description);
DWORD copyScheme(const std::wstring& from, const std::wstring& to, const std::wstring& name,
                 const std::wstring& description);
DWORD deleteScheme(const std::wstring& scheme);
DWORD replaceDefaults();
DWORD setDescriptor(const std::wstring& setting, const std::wstring& sddl);
bool descriptor(const std::wstring& setting, std::wstring& sddl);
DWORD armWake(const std::wstring& device);
std::vector<std::wstring> armedDevices();

// Creates the plan `scheme` from a power scheme file: its names and every setting it holds, the values of the
// Windows plan its personality names (Balanced when it names none) for the rest; an existing plan of that
// identifier is replaced. When the file cannot be read or is no sound plan file, nothing is created and
// `fault` is one line naming the cause.
DWORD importScheme(const std::wstring& file, const std::wstring& scheme, std::wstring& fault);
// The text a stored plan name shows: "@file,-id,text" shows as text.
std::wstring displayName(const std::wstring& stored);

}  // namespace power
}  // namespace sim
