// Registry data to text: a text comes back whole from its own bytes (UTF-16LE, as the registry holds it),
// whatever follows its terminator, and without an odd last byte; any data gives a text without zero units,
// never longer than the data holds.
#include <vector>

#include "framework/text.h"
#include "wide_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<unsigned char> any(data, data + size);  // exactly `size` bytes: reading past is caught
    const std::wstring read = fw::RegistryText(any.data(), any.size());
    FUZZ_CHECK(read.size() <= size / 2 && fuzz::WithoutZeros(read) == read, read);

    FuzzedDataProvider input(data, size);
    const std::wstring text = fuzz::WithoutZeros(fuzz::ConsumeWide(input));
    const std::u16string units(text.begin(), text.end());
    const auto* raw = reinterpret_cast<const unsigned char*>(units.data());  // little-endian, as the registry
    std::vector<unsigned char> stored(raw, raw + units.size() * 2);
    const std::string after = input.ConsumeRemainingBytesAsString();
    if (after.size() % 2 == 1) {
        stored.push_back(static_cast<unsigned char>(after[0]));  // an odd last byte
    } else if (!after.empty()) {
        stored.insert(stored.end(), {0, 0});  // the terminator, and whatever follows it
        stored.insert(stored.end(), after.begin(), after.end());
    }
    FUZZ_CHECK(fw::RegistryText(stored.data(), stored.size()) == text, text);
    return 0;
}
