// Text rules both programs share. Pure: no platform calls, so they also build and are fuzzed natively.
#pragma once
#include <cstddef>
#include <functional>
#include <string>

namespace fw {

// The command tail of a full command line: the program name ends at the first character at or below
// U+0020 outside double quotes; the characters at or below U+0020 after it are skipped.
const wchar_t* CommandTail(const wchar_t* commandLine);

// Registry value data read as text, whatever the value's type: UTF-16 code units up to the first zero, or
// all of them when the data holds no terminator; an odd last byte is no code unit and is dropped.
std::wstring RegistryText(const unsigned char* data, size_t size);

// Whole-string comparison that folds only the ASCII letters A-Z to a-z, as command tails and locale names
// are compared: "/INSTALL" equals "/install", "en-US" equals "en-us".
bool EqualsFoldingAscii(const std::wstring& a, const std::wstring& b);

// A well-formed GUID text: 36 characters, hyphens at 8, 13, 18 and 23, hex digits (of either case)
// everywhere else. Only such a text may stand unquoted on a command line.
bool IsGuidText(const std::wstring& text);

// Replaces each %NAME% whose name `lookup` knows (names compared as the platform compares variable names,
// without regard to ASCII case) by its value, once: a value's own %...% stays as it is. An unknown name and a
// lone % stay as they are, as the platform's expansion leaves them.
std::wstring ExpandVariables(
    const std::wstring& text,
    const std::function<bool(const std::wstring& name, std::wstring& value)>& lookup);

}  // namespace fw
