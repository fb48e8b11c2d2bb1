// Registry data to text: the text is the data's leading little-endian code units up to the first zero
// unit or the end, never more than the data holds, never holding a zero.
#include <vector>

#include "framework/text.h"
#include "wide_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly `size` bytes, so reading past it is caught.
    const std::vector<unsigned char> bytes(data, data + size);
    const std::wstring text = fw::RegistryText(bytes.data(), bytes.size());
    FUZZ_CHECK(text.size() <= size / 2, text);
    for (size_t i = 0; i < text.size(); ++i) {
        FUZZ_CHECK(text[i] != 0, text);
        FUZZ_CHECK(
            static_cast<unsigned>(text[i]) == static_cast<unsigned>(bytes[2 * i] | (bytes[2 * i + 1] << 8)),
            text);
    }
    if (text.size() < size / 2)
        FUZZ_CHECK(bytes[2 * text.size()] == 0 && bytes[2 * text.size() + 1] == 0, text);
    return 0;
}
