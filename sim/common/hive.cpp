// Registry hive reader: base block, hive bins and the nk / vk / lf / lh / li / ri cells.
#include "hive.h"

#include <algorithm>
#include <cstdio>
#include <unordered_set>

namespace sim {
namespace hive {

namespace {

constexpr uint32_t kBaseBlock = 4096;
constexpr uint32_t kBinUnit = 4096;
constexpr uint32_t kBinHeader = 32;
constexpr uint16_t kKeyCompressedName = 0x0020;
constexpr uint16_t kValueCompressedName = 0x0001;
constexpr uint32_t kResidentData = 0x80000000;

char16_t foldCase(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

std::string hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", static_cast<unsigned>(v));
    return buf;
}

// A payload inside the file: where it starts and how many bytes belong to it.
struct Span {
    const uint8_t* p = nullptr;
    uint32_t size = 0;

    uint16_t u16(uint32_t at) const { return static_cast<uint16_t>(p[at] | p[at + 1] << 8); }
    uint32_t u32(uint32_t at) const {
        return static_cast<uint32_t>(p[at]) | static_cast<uint32_t>(p[at + 1]) << 8 |
               static_cast<uint32_t>(p[at + 2]) << 16 | static_cast<uint32_t>(p[at + 3]) << 24;
    }
    bool is(const char* sig) const { return size >= 2 && p[0] == sig[0] && p[1] == sig[1]; }
};

// Latin-1 ("compressed") or UTF-16LE name bytes.
bool decodeName(const uint8_t* p, uint32_t size, bool compressed, std::u16string& out) {
    out.clear();
    if (compressed) {
        out.assign(p, p + size);
        return true;
    }
    if (size % 2) return false;
    for (uint32_t i = 0; i < size; i += 2) out.push_back(static_cast<char16_t>(p[i] | p[i + 1] << 8));
    return true;
}

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    Result run() {
        Result result;
        uint32_t root = 0;
        if (header(root) && bins()) {
            Span cell;
            if (!lookup(root, cell, false) || !cell.is("nk")) {
                fault_ = Fault::None;  // whatever lies at that offset, the fault is the missing root key
                fail(Fault::NoRootKey,
                     "there is no root key (the base block names offset " + hex(root) + ")");
            } else {
                key(root, 0, result.root);
            }
        }
        result.fault = fault_;
        result.message = message_;
        if (fault_ != Fault::None) result.root = Key();
        return result;
    }

private:
    bool fail(Fault fault, const std::string& message) {
        if (fault_ == Fault::None) {
            fault_ = fault;
            message_ = message;
        }
        return false;
    }

    uint32_t fileU32(size_t at) const { return Span{data_ + at, 4}.u32(0); }

    bool header(uint32_t& root) {
        if (size_ < 4 || data_[0] != 'r' || data_[1] != 'e' || data_[2] != 'g' || data_[3] != 'f')
            return fail(Fault::NotAHive, "the file is not a registry hive");
        if (size_ < kBaseBlock)
            return fail(Fault::Truncated, "the file is truncated: it ends inside its base block");
        // The XOR of the first 127 words; the two values the registry keeps for "none" and "invalid" (0 and
        // 0xFFFFFFFF) are stored one off.
        uint32_t sum = 0;
        for (size_t at = 0; at < 0x1FC; at += 4) sum ^= fileU32(at);
        if (sum == 0) sum = 1;
        if (sum == 0xFFFFFFFF) sum = 0xFFFFFFFE;
        if (fileU32(0x1FC) != sum) return fail(Fault::BadChecksum, "the checksum of the base block is wrong");
        if (fileU32(4) != fileU32(8))
            return fail(Fault::Unfinished,
                        "the file was not completely written (its sequence numbers differ)");
        const uint32_t major = fileU32(0x14), minor = fileU32(0x18);
        if (major != 1 || minor < 2 || minor > 6)
            return fail(Fault::Unsupported,
                        "unknown hive format version " + std::to_string(major) + "." + std::to_string(minor));
        if (fileU32(0x1C) != 0 || fileU32(0x20) != 1)
            return fail(Fault::Unsupported, "the file is not a primary hive file");
        binsSize_ = fileU32(0x28);
        if (binsSize_ == 0 || binsSize_ % kBinUnit)
            return fail(Fault::BadBin,
                        "the size of the hive bins (" + hex(binsSize_) + ") is not whole pages");
        if (binsSize_ > size_ - kBaseBlock)
            return fail(Fault::Truncated,
                        "the file is truncated: it holds " + std::to_string(size_) + " bytes of the " +
                            std::to_string(kBaseBlock + size_t(binsSize_)) + " its base block announces");
        root = fileU32(0x24);
        return true;
    }

    bool bins() {
        for (uint32_t at = 0; at < binsSize_;) {
            const uint8_t* p = data_ + kBaseBlock + at;
            if (binsSize_ - at < kBinHeader || p[0] != 'h' || p[1] != 'b' || p[2] != 'i' || p[3] != 'n')
                return fail(Fault::BadBin, "no hive bin starts at offset " + hex(at));
            const uint32_t offset = Span{p, kBinHeader}.u32(4), size = Span{p, kBinHeader}.u32(8);
            if (offset != at || size == 0 || size % kBinUnit || size > binsSize_ - at)
                return fail(Fault::BadBin, "the hive bin at offset " + hex(at) + " has a damaged header");
            bins_.push_back({at, size});
            at += size;
        }
        return true;
    }

    // The cell at `offset` (relative to the first bin), checked to lie inside its bin and to be in use. A
    // cell taken `once` that was taken before is a loop (no cell of a sound hive is reached twice).
    bool lookup(uint32_t offset, Span& cell, bool once = true) {
        if (offset >= binsSize_ || binsSize_ - offset < 8)
            return fail(Fault::OutsideFile, "cell offset " + hex(offset) + " lies outside the file");
        auto bin = std::upper_bound(bins_.begin(), bins_.end(), offset,
                                    [](uint32_t o, const Bin& b) { return o < b.start; });
        --bin;  // bins_ starts at 0 and offset < binsSize_, so some bin holds it
        if (offset % 8 || offset - bin->start < kBinHeader)
            return fail(Fault::BadCell, "cell offset " + hex(offset) + " is not the start of a cell");
        const uint8_t* p = data_ + kBaseBlock + offset;
        const auto size = static_cast<int32_t>(Span{p, 4}.u32(0));
        if (size >= 0) return fail(Fault::BadCell, "cell " + hex(offset) + " is a free cell");
        const uint32_t length = 0u - static_cast<uint32_t>(size);
        if (length < 8 || length > bin->start + bin->size - offset)
            return fail(Fault::OutsideFile,
                        "the size of cell " + hex(offset) + " reaches outside its hive bin");
        if (once && !taken_.insert(offset).second)
            return fail(Fault::Loop, "cell " + hex(offset) + " is reached twice (a loop in the key tree)");
        cell = Span{p + 4, length - 4};
        return true;
    }

    bool key(uint32_t offset, int depth, Key& out) {
        if (depth > kMaxDepth)
            return fail(Fault::TooDeep,
                        "keys are nested deeper than " + std::to_string(kMaxDepth) + " levels");
        Span nk;
        if (!lookup(offset, nk)) return false;
        if (!nk.is("nk") || nk.size < 0x4C)
            return fail(Fault::BadCell, "cell " + hex(offset) + " should be a key but is not");
        const uint16_t flags = nk.u16(0x02), nameSize = nk.u16(0x48);
        const uint32_t subkeyCount = nk.u32(0x14), subkeyList = nk.u32(0x1C);
        const uint32_t valueCount = nk.u32(0x24), valueList = nk.u32(0x28);
        if (nameSize > nk.size - 0x4C ||
            !decodeName(nk.p + 0x4C, nameSize, (flags & kKeyCompressedName) != 0, out.name))
            return fail(Fault::BadCell, "the name of key " + hex(offset) + " does not fit its cell");

        if (valueCount > 0) {
            Span list;
            if (!lookup(valueList, list)) return false;
            if (valueCount > list.size / 4)
                return fail(Fault::BadCell,
                            "the value list of key " + hex(offset) + " is shorter than its count");
            for (uint32_t i = 0; i < valueCount; ++i) {
                out.values.emplace_back();
                if (!value(list.u32(4 * i), out.values.back())) return false;
            }
        }
        if (subkeyCount > 0) {
            std::vector<uint32_t> children;
            if (!subkeys(subkeyList, true, children)) return false;
            if (children.size() != subkeyCount)
                return fail(Fault::BadCell, "key " + hex(offset) + " counts " + std::to_string(subkeyCount) +
                                                " subkeys but its list holds " +
                                                std::to_string(children.size()));
            for (uint32_t child : children) {
                out.subkeys.emplace_back();
                if (!key(child, depth + 1, out.subkeys.back())) return false;
            }
        }
        return true;
    }

    // Gathers the key offsets of a subkey list: lf / lh (offset and hint), li (offsets) or an ri index of
    // such lists (one level only, as in any sound hive).
    bool subkeys(uint32_t offset, bool indexAllowed, std::vector<uint32_t>& out) {
        Span list;
        if (!lookup(offset, list)) return false;
        if (list.size < 4) return fail(Fault::BadCell, "subkey list " + hex(offset) + " is too small");
        const uint32_t count = list.u16(2);
        const bool leaf = list.is("lf") || list.is("lh");
        const uint32_t entry = leaf ? 8 : 4;
        if (!leaf && !list.is("li") && !(indexAllowed && list.is("ri")))
            return fail(Fault::BadCell, "cell " + hex(offset) + " should be a subkey list but is not");
        if (count > (list.size - 4) / entry)
            return fail(Fault::BadCell, "subkey list " + hex(offset) + " is shorter than its count");
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t item = list.u32(4 + entry * i);
            if (list.is("ri")) {
                if (!subkeys(item, false, out)) return false;
            } else {
                out.push_back(item);
            }
        }
        return true;
    }

    bool value(uint32_t offset, Value& out) {
        Span vk;
        if (!lookup(offset, vk)) return false;
        if (!vk.is("vk") || vk.size < 0x14)
            return fail(Fault::BadCell, "cell " + hex(offset) + " should be a value but is not");
        const uint16_t nameSize = vk.u16(0x02), flags = vk.u16(0x10);
        const uint32_t dataSize = vk.u32(0x04), dataCell = vk.u32(0x08);
        out.type = vk.u32(0x0C);
        if (nameSize > vk.size - 0x14 ||
            !decodeName(vk.p + 0x14, nameSize, (flags & kValueCompressedName) != 0, out.name))
            return fail(Fault::BadCell, "the name of value " + hex(offset) + " does not fit its cell");
        if (dataSize & kResidentData) {
            // Up to four bytes live in the data-offset field itself.
            const uint32_t n = dataSize & ~kResidentData;
            if (n > 4)
                return fail(Fault::BadCell, "value " + hex(offset) + " claims more than 4 bytes in place");
            out.data.assign(vk.p + 0x08, vk.p + 0x08 + n);
        } else if (dataSize > 0) {
            Span data;
            if (!lookup(dataCell, data)) return false;
            if (dataSize > data.size)
                return fail(Fault::BadCell, "the data of value " + hex(offset) + " is larger than its cell");
            out.data.assign(data.p, data.p + dataSize);
        }
        return true;
    }

    struct Bin {
        uint32_t start;
        uint32_t size;
    };

    const uint8_t* data_;
    size_t size_;
    uint32_t binsSize_ = 0;
    std::vector<Bin> bins_;
    std::unordered_set<uint32_t> taken_;
    Fault fault_ = Fault::None;
    std::string message_;
};

}  // namespace

const Value* Key::value(const std::u16string& wanted) const {
    for (const Value& v : values) {
        if (v.name.size() != wanted.size()) continue;
        if (std::equal(v.name.begin(), v.name.end(), wanted.begin(),
                       [](char16_t a, char16_t b) { return foldCase(a) == foldCase(b); }))
            return &v;
    }
    return nullptr;
}

Result read(const uint8_t* data, size_t size) {
    return Reader(data, size).run();
}

}  // namespace hive
}  // namespace sim
