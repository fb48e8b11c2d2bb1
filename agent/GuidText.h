// Power GUIDs as the agent writes and reads them: 36 lower-case hex digits with hyphens, no braces.
#pragma once
#include <windows.h>

#include <string>

std::wstring GuidToText(const GUID& guid);

// Reads the fields at their fixed positions; hyphens are not examined, missing or non-hex digits give
// zeros, so any text yields a GUID.
GUID GuidFromText(const std::wstring& text);
