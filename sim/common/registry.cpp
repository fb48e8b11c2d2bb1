// Thin registry helpers for the simulated machine. Every key is taken from the 64-bit view, so the 32-bit
// pieces (SysWOW64's powercfg and powrprof) and the 64-bit ones share one machine: on Windows the scheme
// store under SYSTEM is one for both views anyway, and the simulation's own state under SOFTWARE must be too.
#include "simcommon.h"

namespace sim {

namespace {
constexpr REGSAM kView = KEY_WOW64_64KEY;
}  // namespace

RegKey& RegKey::operator=(RegKey&& o) noexcept {
    if (this != &o) {
        reset();
        h_ = o.h_;
        o.h_ = nullptr;
    }
    return *this;
}

void RegKey::reset() {
    if (h_) RegCloseKey(h_);
    h_ = nullptr;
}

RegKey RegKey::open(HKEY root, const std::wstring& path, REGSAM access) {
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, access | kView, &h) != ERROR_SUCCESS) return RegKey();
    return RegKey(h);
}

RegKey RegKey::create(HKEY root, const std::wstring& path) {
    HKEY h = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE | kView,
                        nullptr, &h, nullptr) != ERROR_SUCCESS)
        return RegKey();
    return RegKey(h);
}

bool RegKey::readDword(const wchar_t* name, DWORD& value) const {
    DWORD type = 0, data = 0, size = sizeof data;
    if (RegQueryValueExW(h_, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return false;
    value = data;
    return true;
}

bool RegKey::readString(const wchar_t* name, std::wstring& value) const {
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(h_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    std::wstring buf(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(buf.size() * sizeof(wchar_t));
    if (RegQueryValueExW(h_, name, nullptr, &type, reinterpret_cast<BYTE*>(&buf[0]), &size) != ERROR_SUCCESS)
        return false;
    buf.resize(wcsnlen(buf.c_str(), buf.size()));
    value = buf;
    return true;
}

bool RegKey::writeDword(const wchar_t* name, DWORD value) const {
    return RegSetValueExW(h_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
}

bool RegKey::writeString(const wchar_t* name, const std::wstring& value) const {
    auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(h_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
           ERROR_SUCCESS;
}

static std::vector<std::wstring> subkeyNames(HKEY h) {
    std::vector<std::wstring> names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = ARRAYSIZE(name);
        if (RegEnumKeyExW(h, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, len);
    }
    return names;
}

std::vector<std::wstring> RegKey::subkeys() const {
    return subkeyNames(h_);
}

std::vector<std::wstring> RegKey::valueNames() const {
    std::vector<std::wstring> names;
    wchar_t name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD len = ARRAYSIZE(name);
        if (RegEnumValueW(h_, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, len);
    }
    return names;
}

bool deleteTree(HKEY root, const std::wstring& path) {
    HKEY h = nullptr;
    LSTATUS rc = RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS | kView, &h);
    if (rc == ERROR_FILE_NOT_FOUND) return true;
    if (rc != ERROR_SUCCESS) return false;
    rc = RegDeleteTreeW(h, nullptr);
    RegCloseKey(h);
    if (rc == ERROR_SUCCESS) rc = RegDeleteKeyExW(root, path.c_str(), kView, 0);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

// Copies values and subkeys of src into dst, depth first.
static bool copyInto(HKEY src, HKEY dst) {
    DWORD maxName = 0, maxData = 0;
    if (RegQueryInfoKeyW(src, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName,
                         &maxData, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::wstring name(maxName + 1, L'\0');
    std::vector<BYTE> data(maxData + 2);
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueW(src, i, &name[0], &len, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) break;
        if (RegSetValueExW(dst, name.c_str(), 0, type, data.data(), size) != ERROR_SUCCESS) return false;
    }
    for (const auto& sub : subkeyNames(src)) {
        RegKey from = RegKey::open(src, sub), to = RegKey::create(dst, sub);
        if (!from || !to || !copyInto(from.get(), to.get())) return false;
    }
    return true;
}

bool copyTree(HKEY root, const std::wstring& src, const std::wstring& dst) {
    RegKey from = RegKey::open(root, src);
    if (!from || !deleteTree(root, dst)) return false;
    RegKey to = RegKey::create(root, dst);
    return to && copyInto(from.get(), to.get());
}

}  // namespace sim
