// Power GUIDs as the agent writes and reads them: 36 lower-case hex digits with hyphens, no braces. Pure, so
// it also builds and is fuzzed natively.
#pragma once
#ifdef _WIN32
#include <guiddef.h>
#else
#include <cstdint>
// The platform's GUID layout, for builds on other hosts.
struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
#endif

#include <string>

std::wstring GuidToText(const GUID& guid);

// Reads the fields at their fixed positions; hyphens are not examined, missing or non-hex digits give
// zeros, so any text yields a GUID.
GUID GuidFromText(const std::wstring& text);

// Whether a text is a well-formed GUID text: fw::IsGuidText (text.h), which both programs use.
