// What every test program of the Windows trees may use, unit tests included: paths and files of the
// simulated machine, text conversions, polling with a deadline, and the registry. The end-to-end harness
// (e2e.h) builds on it.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <drive.h>

#include <optional>
#include <string>
#include <vector>

namespace e2e {

// ---- paths and files ----

// Text and paths, as the simulated machine's driver has them.
using drive::FileExists;
using drive::FromUnixPath;
using drive::Narrow;
using drive::Widen;

// The build's dist folder (environment CORVANE_DIST, a Unix path) as a Windows path, with a trailing
// backslash.
std::wstring DistDir();
// A fresh, empty folder C:\corvane-tests\<name>\ (trailing backslash).
std::wstring MakeSandbox(const std::wstring& name);
// Each of these says what failed; a test asserts them, so that it stops at the step that failed.
::testing::AssertionResult CopyFileTo(const std::wstring& from, const std::wstring& to);  // makes the folders
::testing::AssertionResult CopyTree(const std::wstring& from, const std::wstring& to);
::testing::AssertionResult WriteTextFile(const std::wstring& path, const std::string& utf8);
// Writes UTF-16LE with a byte-order mark, the form GetPrivateProfileStringW reads as Unicode.
::testing::AssertionResult WriteUtf16File(const std::wstring& path, const std::wstring& text);
// A file's bytes; nothing when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::wstring& path);
// The bytes of a text as the registry holds a string: UTF-16LE with its terminating zero.
std::vector<BYTE> Utf16Bytes(const std::wstring& text);

// Puts a file's bytes back (or removes it, when there was none) at the end of the object's life, whatever was
// done to it meanwhile.
class RestoredFile {
public:
    explicit RestoredFile(std::wstring path);
    ~RestoredFile();
    RestoredFile(const RestoredFile&) = delete;
    RestoredFile& operator=(const RestoredFile&) = delete;
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
    std::optional<std::string> m_saved;
};

// Moves a file out of the way (renamed beside itself, so an executable keeps its file as the machine made it)
// for the life of the object and puts it back at the end, also when the test fails. Check Moved() before
// relying on it.
class MovedAside {
public:
    explicit MovedAside(std::wstring path);
    bool Moved() const { return m_moved; }
    ~MovedAside();
    MovedAside(const MovedAside&) = delete;
    MovedAside& operator=(const MovedAside&) = delete;

private:
    std::wstring m_path;
    bool m_moved = false;
};

using drive::BitmapResourcePixel;
using drive::WaitUntil;

// ---- registry ----

// Each takes the registry view to use (KEY_WOW64_64KEY or KEY_WOW64_32KEY); 0 is the test program's own. The
// writers say what failed (a missing key or value counts as deleted).
namespace reg {
::testing::AssertionResult DeleteTree(HKEY root, const std::wstring& path, REGSAM view = 0);
::testing::AssertionResult DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name,
                                       REGSAM view = 0);
// Any type with any bytes, as a hostile writer may leave a value.
::testing::AssertionResult SetRaw(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                                  const std::vector<BYTE>& data, REGSAM view = 0);
// The first `size` bytes of `data`, the rest of `data` following them in memory: the registry writer reads
// one character past a string and counts a zero there as the terminator the caller left out.
::testing::AssertionResult SetRawPart(HKEY root, const std::wstring& path, const std::wstring& name,
                                      DWORD type, const std::vector<BYTE>& data, size_t size);
::testing::AssertionResult SetDword(HKEY root, const std::wstring& path, const std::wstring& name,
                                    DWORD value, REGSAM view = 0);
::testing::AssertionResult SetString(HKEY root, const std::wstring& path, const std::wstring& name,
                                     const std::wstring& value, DWORD type = REG_SZ, REGSAM view = 0);
using drive::reg::GetDword;
using drive::reg::GetString;
using drive::reg::KeyExists;
using drive::reg::SubKeys;
}  // namespace reg

}  // namespace e2e
