// Reading the registry beyond what a key's owner (CRegKey, handles.h) offers.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace fw {

// The names of an open key's subkeys, in index order. The enumeration ends at the first error of any kind,
// not only at the end of the list: a key deleted meanwhile answers every index with an error.
std::vector<std::wstring> SubkeyNames(HKEY key);

}  // namespace fw
