// How a list.ini entry names devices, and how a device's display name is taken from its description. Pure,
// so it also builds and is fuzzed natively.
#pragma once
#include <string>
#include <vector>

// The device patterns of one list entry, in the order they are tested. Patterns are cut off at each ';' until
// an empty one (a leading ';' or ";;"); the rest, its ';' removed, is the last pattern: "A;;B;C" gives A and
// BC. The lists the maker ships are written for this reading: read any other way, an entry would name other
// devices than the maker's list means. Only a pattern that reads empty (from ";;", a trailing ';' or ';'
// alone) is left out, since it would name every device of the machine.
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
// The marker is the end of such a reference: setup files name their description strings "...desc", and the
// stored value closes the string's name with "%;" before the display text. A description without it is
// the display text itself.
std::wstring NameFromDeviceDesc(const std::wstring& desc);
