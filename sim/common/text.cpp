// GUID text, UTF-8 conversion and the shared call log.
#include "simcommon.h"

#include <objbase.h>

#include <cstdio>

#include <cwctype>

namespace sim {

std::wstring guidText(const GUID& g) {
    wchar_t buf[40];
    swprintf(buf, ARRAYSIZE(buf), L"%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
             static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
             g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

bool isGuidText(const std::wstring& text) {
    if (text.size() != 36) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != L'-' : !iswxdigit(text[i])) return false;
    }
    return true;
}

bool parseGuid(const std::wstring& text, GUID& g) {
    if (!isGuidText(text)) return false;
    auto hex = [&](size_t pos, size_t len) { return std::stoul(text.substr(pos, len), nullptr, 16); };
    g.Data1 = hex(0, 8);
    g.Data2 = static_cast<unsigned short>(hex(9, 4));
    g.Data3 = static_cast<unsigned short>(hex(14, 4));
    static const size_t pos[8] = {19, 21, 24, 26, 28, 30, 32, 34};
    for (int i = 0; i < 8; ++i) g.Data4[i] = static_cast<unsigned char>(hex(pos[i], 2));
    return true;
}

std::wstring lower(std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(towlower(c));
    return s;
}

std::wstring newGuidText() {
    GUID g{};
    CoCreateGuid(&g);
    return guidText(g);
}

std::string toUtf8(const std::wstring& s) {
    if (s.empty()) return {};
    int n =
        WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring fromUtf8(const std::string& s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &out[0], n);
    return out;
}

namespace {

struct FileHandle {
    HANDLE h;
    ~FileHandle() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

// Tests pass a Unix path; Wine knows how to turn it into a drive path.
std::wstring windowsPath(const std::wstring& path) {
    if (path.empty() || path[0] != L'/') return path;
    using ToDos = WCHAR*(CDECL*)(const char*);
    auto toDos = reinterpret_cast<ToDos>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_dos_file_name")));
    if (WCHAR* dos = toDos ? toDos(toUtf8(path).c_str()) : nullptr) {
        std::wstring result = dos;
        HeapFree(GetProcessHeap(), 0, dos);
        return result;
    }
    std::wstring result = L"Z:" + path;
    for (auto& c : result)
        if (c == L'/') c = L'\\';
    return result;
}

}  // namespace

namespace {
void appendTo(const wchar_t* variable, const std::wstring& line) {
    wchar_t buf[MAX_PATH * 2];
    DWORD n = GetEnvironmentVariableW(variable, buf, ARRAYSIZE(buf));
    if (n == 0 || n >= ARRAYSIZE(buf)) return;
    // Append-only access makes every write land at the current end, whichever process writes. A file another
    // process holds without sharing, or one being deleted, is tried again for a while: a line the log misses
    // would read as a command that never ran.
    const std::wstring path = windowsPath(buf);
    FileHandle f{INVALID_HANDLE_VALUE};
    for (int attempt = 0; attempt < 200 && f.h == INVALID_HANDLE_VALUE; ++attempt) {
        if (attempt > 0) Sleep(10);
        f.h = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    const std::string text = toUtf8(line) + "\n";
    DWORD written = 0;
    if (f.h == INVALID_HANDLE_VALUE ||
        !WriteFile(f.h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size())
        fprintf(stderr, "sim: could not log \"%s\" (error %lu)\n", text.c_str(), GetLastError());
}
}  // namespace

void logLine(const std::wstring& line) {
    appendTo(L"CORVANE_SIM_LOG", line);
}

void logOrigin(const wchar_t* piece, HMODULE module) {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(module, path, MAX_PATH);
    appendTo(L"CORVANE_SIM_ORIGINS",
             std::wstring(piece) + L" " + std::to_wstring(sizeof(void*) * 8) + L"-bit " + lower(path));
}

}  // namespace sim
