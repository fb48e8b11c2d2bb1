// A power scheme file ("powercfg -export", PowerImportPowerScheme) read into a plan: its names and the
// AC/DC indexes of its settings. Portable C++ like the hive reader it uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {
namespace plan {

struct Setting {
    std::u16string subgroup;  // lower-case GUID text; empty for a setting that belongs to no subgroup
    std::u16string setting;   // lower-case GUID text
    bool hasAc = false;
    bool hasDc = false;
    uint32_t ac = 0;
    uint32_t dc = 0;
};

// The plan personality (setting 245d8541-3943-4422-b025-13a784f679b7, right below the root): the Windows plan
// a plan is based on, whose values stand for the settings the file leaves out. It has a value for each power
// source, and plans Windows exports may name one plan on mains and another on battery.
enum Personality : uint32_t { kPowerSaver = 0, kHighPerformance = 1, kBalanced = 2 };

struct Plan {
    std::u16string name;         // FriendlyName as stored (an indirect name stays as it is)
    std::u16string description;  // Description as stored; empty when absent
    std::vector<Setting> settings;
    // Balanced when the file names none; a file that gives only one source's value names that plan for both.
    Personality acPersonality = kBalanced;
    Personality dcPersonality = kBalanced;
};

struct Result {
    enum Outcome { Imported, Damaged, NotAPlan } outcome = Imported;
    std::string message;  // one line naming the fault (English, no line break); empty when imported
    Plan plan;
};

// Larger files are refused before they are read: a whole exported plan takes a few kilobytes.
constexpr size_t kMaxFileSize = 1 << 20;

// Damaged: the file is no sound hive. NotAPlan: a sound hive that does not hold a plan (no name, keys not
// named by GUIDs, setting values that are not 32-bit numbers, a personality that names no Windows plan or
// differs between AC and DC).
Result read(const uint8_t* data, size_t size);

// The text a plan name shows: for "@file,-id,text" (a resource reference with its fallback) the text after
// the second comma, otherwise the name itself.
std::u16string displayName(const std::u16string& stored);

bool isGuidText(const std::u16string& text);

}  // namespace plan
}  // namespace sim
