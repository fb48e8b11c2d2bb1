// Whether a path lies inside a folder, compared as the file system names them. Pure, so it also builds and is
// fuzzed natively.
#pragma once
#include <string>

// Whether two names of one path component name the same file (the file system's comparison).
using SameNameFn = bool (*)(const std::wstring& a, const std::wstring& b);

// Whether `path` is `folder` or lies below it, compared whole component by component: "C:\Program Files Evil"
// is not inside "C:\Program Files". Both must be full paths from a drive ("C:\...", also as "\\?\C:\..."); a
// doubled or trailing separator changes nothing. A path of any other form, or one that holds a "." or ".."
// component, is inside nothing and holds nothing.
bool IsWithinFolder(const std::wstring& path, const std::wstring& folder, SameNameFn same);
