#include "registry.h"

#include <algorithm>

#include "handles.h"

namespace fw {

std::vector<std::wstring> SubkeyNames(HKEY key) {
    std::vector<std::wstring> names;
    DWORD maxLen = 0;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &maxLen, nullptr, nullptr, nullptr,
                           nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        maxLen = 0;
    // A key name has at most 255 characters; a longer answer from the platform is taken as it comes.
    std::vector<wchar_t> name(std::max<DWORD>(maxLen + 1, 256));
    for (DWORD index = 0;; ++index) {
        DWORD len = static_cast<DWORD>(name.size());
        if (::RegEnumKeyExW(key, index, name.data(), &len, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name.data(), len);
    }
    return names;
}

}  // namespace fw
