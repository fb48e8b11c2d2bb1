#include "test_support.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace e2e {

// ---- paths and files ----

std::wstring DistDir() {
    const char* dist = std::getenv("CORVANE_DIST");
    std::wstring path = dist ? FromUnixPath(dist) : L".";
    if (path.back() != L'\\') path += L'\\';
    return path;
}

std::wstring MakeSandbox(const std::wstring& name) {
    const fs::path dir = fs::path(L"C:\\corvane-tests") / name;
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir);
    return dir.wstring() + L"\\";
}

::testing::AssertionResult CopyFileTo(const std::wstring& from, const std::wstring& to) {
    std::error_code ec;
    fs::create_directories(fs::path(to).parent_path(), ec);
    // Replaced by deleting first: copy_file with overwrite_existing refuses an existing file under Wine.
    ::DeleteFileW(to.c_str());
    if (!::CopyFileW(from.c_str(), to.c_str(), FALSE))
        return ::testing::AssertionFailure() << "cannot copy " << Narrow(from) << " to " << Narrow(to)
                                             << " (error " << ::GetLastError() << ")";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult CopyTree(const std::wstring& from, const std::wstring& to) {
    const std::wstring source = from.back() == L'\\' ? from : from + L'\\';
    const std::wstring target = to.back() == L'\\' ? to : to + L'\\';
    ::CreateDirectoryW(target.c_str(), nullptr);
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((source + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return ::testing::AssertionFailure() << "nothing to copy in " << Narrow(source);
    ::testing::AssertionResult result = ::testing::AssertionSuccess();
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        result = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                     ? CopyTree(source + name, target + name)
                     : CopyFileTo(source + name, target + name);
    } while (result && ::FindNextFileW(search, &found));
    ::FindClose(search);
    return result;
}

::testing::AssertionResult WriteTextFile(const std::wstring& path, const std::string& utf8) {
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    std::ofstream out(fs::path(path), std::ios::binary | std::ios::trunc);
    out << utf8;
    out.close();
    if (!out) return ::testing::AssertionFailure() << "cannot write " << Narrow(path);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult WriteUtf16File(const std::wstring& path, const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return WriteTextFile(path, bytes);
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    std::ifstream in(fs::path(path), std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<BYTE> Utf16Bytes(const std::wstring& text) {
    std::vector<BYTE> bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>((c >> 8) & 0xFF));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

RestoredFile::RestoredFile(std::wstring path) : m_path(std::move(path)), m_saved(ReadFileBytes(m_path)) {}

RestoredFile::~RestoredFile() {
    if (m_saved) {
        EXPECT_TRUE(WriteTextFile(m_path, *m_saved));
    } else {
        EXPECT_TRUE(::DeleteFileW(m_path.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND)
            << Narrow(m_path);
    }
}

MovedAside::MovedAside(std::wstring path) : m_path(std::move(path)) {
    m_moved = ::MoveFileExW(m_path.c_str(), (m_path + L".aside").c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

MovedAside::~MovedAside() {
    if (!m_moved) return;
    EXPECT_TRUE(::MoveFileExW((m_path + L".aside").c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING))
        << "could not put back " << Narrow(m_path);
}

// ---- registry ----

namespace reg {
namespace {
::testing::AssertionResult Failed(const char* what, const std::wstring& path, LSTATUS status) {
    return ::testing::AssertionFailure() << what << " " << Narrow(path) << ": error " << status;
}
}  // namespace

::testing::AssertionResult DeleteTree(HKEY root, const std::wstring& path, REGSAM view) {
    HKEY key;
    LSTATUS status = ::RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS | view, &key);
    if (status == ERROR_FILE_NOT_FOUND) return ::testing::AssertionSuccess();
    if (status != ERROR_SUCCESS) return Failed("cannot open", path, status);
    status = ::RegDeleteTreeW(key, nullptr);
    ::RegCloseKey(key);
    if (status == ERROR_SUCCESS) status = ::RegDeleteKeyExW(root, path.c_str(), view, 0);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        return Failed("cannot delete", path, status);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name,
                                       REGSAM view) {
    const LSTATUS status = drive::reg::DeleteValue(root, path, name, view);
    if (status != ERROR_SUCCESS) return Failed("cannot delete a value of", path, status);
    return ::testing::AssertionSuccess();
}

namespace {
::testing::AssertionResult Write(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                                 const void* data, DWORD size, REGSAM view) {
    const LSTATUS status = drive::reg::Write(root, path, name, type, data, size, view);
    if (status != ERROR_SUCCESS) return Failed("cannot write a value of", path, status);
    return ::testing::AssertionSuccess();
}
}  // namespace

::testing::AssertionResult SetRaw(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                                  const std::vector<BYTE>& data, REGSAM view) {
    return Write(root, path, name, type, data.data(), static_cast<DWORD>(data.size()), view);
}

::testing::AssertionResult SetRawPart(HKEY root, const std::wstring& path, const std::wstring& name,
                                      DWORD type, const std::vector<BYTE>& data, size_t size) {
    if (size > data.size())
        return ::testing::AssertionFailure() << "only " << data.size() << " bytes to write";
    return Write(root, path, name, type, data.data(), static_cast<DWORD>(size), 0);
}

::testing::AssertionResult SetDword(HKEY root, const std::wstring& path, const std::wstring& name,
                                    DWORD value, REGSAM view) {
    return Write(root, path, name, REG_DWORD, &value, sizeof value, view);
}

::testing::AssertionResult SetString(HKEY root, const std::wstring& path, const std::wstring& name,
                                     const std::wstring& value, DWORD type, REGSAM view) {
    return Write(root, path, name, type, value.c_str(),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)), view);
}

}  // namespace reg

}  // namespace e2e
