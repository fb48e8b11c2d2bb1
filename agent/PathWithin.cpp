#include "PathWithin.h"

#include <optional>
#include <vector>

namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// "\\?\C:\..." and "\\.\C:\..." name the path "C:\...".
std::wstring WithoutDevicePrefix(const std::wstring& path) {
    const bool prefixed = path.size() >= 6 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
                          (path[2] == L'?' || path[2] == L'.') && IsSeparator(path[3]) && path[5] == L':';
    return prefixed ? path.substr(4) : path;
}

// The components of a full path from a drive, the drive ("C:") first.
std::optional<std::vector<std::wstring>> Components(const std::wstring& text) {
    const std::wstring path = WithoutDevicePrefix(text);
    if (path.size() < 3 || path[1] != L':' || !IsSeparator(path[2]) || IsSeparator(path[0]))
        return std::nullopt;
    std::vector<std::wstring> components;
    std::wstring current;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !IsSeparator(path[i])) {
            current += path[i];
            continue;
        }
        if (current == L"." || current == L"..") return std::nullopt;
        if (!current.empty()) components.push_back(current);
        current.clear();
    }
    return components;
}

}  // namespace

bool IsWithinFolder(const std::wstring& path, const std::wstring& folder, SameNameFn same) {
    const auto inner = Components(path);
    const auto outer = Components(folder);
    if (!inner || !outer || inner->size() < outer->size()) return false;
    for (size_t i = 0; i < outer->size(); ++i) {
        if (!same((*inner)[i], (*outer)[i])) return false;
    }
    return true;
}
