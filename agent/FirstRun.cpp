#include "FirstRun.h"

#include <windows.h>

#include <framework/handles.h>
#include <framework/text.h>

namespace {

const wchar_t kUserKey[] = L"Software\\Corvane\\Oskavel";
const wchar_t kFirstRunValue[] = L"FirstRun";
const wchar_t kImageStateKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup\\State";

// Any value type counts, as long as its data fits four bytes and is not all zero.
bool IsUserMarked() {
    fw::CRegKey key;
    if (key.Open(HKEY_CURRENT_USER, kUserKey, KEY_READ) != ERROR_SUCCESS) return false;
    BYTE mark[4] = {};
    DWORD size = sizeof mark;
    if (::RegQueryValueExW(key.Get(), kFirstRunValue, nullptr, nullptr, mark, &size) != ERROR_SUCCESS)
        return false;
    return mark[0] || mark[1] || mark[2] || mark[3];
}

// False when the mark could not be written.
[[nodiscard]] bool MarkUser() {
    fw::CRegKey key;
    return key.Create(HKEY_CURRENT_USER, kUserKey, KEY_WRITE) == ERROR_SUCCESS &&
           key.SetDword(kFirstRunValue, 1) == ERROR_SUCCESS;
}

std::wstring UserLocaleName() {
    wchar_t name[512] = L"";
    if (!::GetUserDefaultLocaleName(name, 512)) return std::wstring();
    return name;
}

bool FileExists(const wchar_t* path) {
    return ::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

bool IsUnitedStatesEnglish(const std::wstring& localeName) {
    return fw::EqualsFoldingAscii(localeName, L"en-us");
}

bool CheckFirstRun() {
    const bool marked = IsUserMarked();
    // The locale is read before the mark decides anything: reading it changes nothing, and every run then
    // makes the same calls in the same order whatever the user's state, so that two runs compare line by
    // line.
    const std::wstring locale = UserLocaleName();
    if (marked) return false;
    if (IsImagePending()) return false;
    if (!IsUnitedStatesEnglish(locale)) return false;
    // Marked before the work, so an interrupted run is not repeated. A mark that could not be written goes
    // unreported: the default sequence reports nothing, and the next run simply asks again.
    (void)MarkUser();
    return true;
}

bool IsImagePending() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    // An unknown system counts as one still being prepared: nothing is configured and nobody is marked.
    if (!::GetVersionExW(&version)) return true;
#pragma GCC diagnostic pop

    if (version.dwMajorVersion >= 6) {
        // At most 256 bytes, of any type; a longer value cannot be read and counts as pending.
        std::wstring state;
        fw::CRegKey key;
        if (key.Open(HKEY_LOCAL_MACHINE, kImageStateKey, KEY_READ) == ERROR_SUCCESS) {
            BYTE data[256] = {};
            DWORD size = sizeof data;
            if (::RegQueryValueExW(key.Get(), L"ImageState", nullptr, nullptr, data, &size) == ERROR_SUCCESS)
                state = fw::RegistryText(data, size);
        }
        return state != L"IMAGE_STATE_COMPLETE";
    }
    return FileExists(L"C:\\SYSPREP\\SYSPREP.EXE") || FileExists(L"C:\\SYSPREP\\SYSPRP.EXE");
}
