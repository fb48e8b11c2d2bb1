// Reads a registry hive file (the form of a power scheme file) into memory. Plain portable C++ without
// Windows headers, so the same code runs in the simulated machine and in the host's fuzzer.
//
// The file is untrusted: every offset and size is checked against the file, every cell may be taken once
// only (which ends any loop in the key tree), and the key depth is bounded, so a damaged file ends in a
// fault, never in a crash or a hang.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {
namespace hive {

enum ValueType : uint32_t { kNone = 0, kString = 1, kExpandString = 2, kBinary = 3, kDword = 4 };

struct Value {
    std::u16string name;
    uint32_t type = kNone;
    std::vector<uint8_t> data;
};

struct Key {
    std::u16string name;
    std::vector<Value> values;
    std::vector<Key> subkeys;

    // The value of this name (letter case ignored, as the registry does), or null.
    const Value* value(const std::u16string& name) const;
};

// Why a file is not a readable hive.
enum class Fault {
    None,
    NotAHive,     // no "regf" signature
    Truncated,    // shorter than its base block says
    BadChecksum,  // the base block's checksum does not match
    Unsupported,  // version, file type or format this reader does not know
    Unfinished,   // sequence numbers differ: the file was not completely written
    BadBin,       // a hive bin header is damaged
    OutsideFile,  // a cell offset or size reaches outside the hive bins
    BadCell,      // a cell of the wrong kind, or too small for what it says it holds
    Loop,         // a cell reached a second time: a loop in the key tree
    TooDeep,      // keys nested deeper than any real hive
    NoRootKey,    // the base block names no key as the root
};

struct Result {
    Fault fault = Fault::None;
    std::string message;  // one line naming the fault (English, no line break); empty when none
    Key root;
};

// Keys nested deeper than this are refused (a power scheme file has three levels).
constexpr int kMaxDepth = 64;

Result read(const uint8_t* data, size_t size);

}  // namespace hive
}  // namespace sim
