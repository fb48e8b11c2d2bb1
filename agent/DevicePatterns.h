// How a list.ini entry names devices, and how a device's display name is taken from its description. Pure,
// so it also builds and is fuzzed natively.
#pragma once
#include <string>
#include <vector>

// The device patterns of one list entry, in the order they are tested. A pattern that reads empty once its
// ';' are removed (from ";;", a trailing ';' or ';' alone) stands for no device and is left out.
std::vector<std::wstring> SplitDevicePatterns(const std::wstring& entry);

struct DevicePattern {
    std::wstring enumerator;  // upper-cased, empty when the pattern holds no backslash
    std::wstring prefix;      // upper-cased hardware-ID prefix
    // "\" alone: no enumerator and no prefix would match every device of the machine, so it names none.
    bool NamesNoDevice() const { return enumerator.empty() && prefix.empty(); }
};
DevicePattern ParseDevicePattern(const std::wstring& pattern);

// Only a to z are changed.
std::wstring UpperAscii(std::wstring text);

// A DeviceDesc such as "@net.inf,%e1000.devicedesc%;Intel Adapter" names the device by the text after "sc%;".
std::wstring NameFromDeviceDesc(const std::wstring& desc);
