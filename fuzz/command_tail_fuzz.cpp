// Command tail: whatever the command line, the tail is a suffix of it that starts after the blanks; a
// program name, quoted or not, followed by blanks and a tail gives exactly that tail back. The verb
// comparison folds ASCII letters and nothing else.
#include "framework/text.h"

#include "agent/CommandTail.h"
#include "wide_input.h"

namespace {

bool IsBlank(wchar_t c) {
    return c != 0 && c <= L' ';
}

bool HasBlankOrQuote(const std::wstring& text) {
    for (wchar_t c : text)
        if (c <= L' ' || c == L'"') return true;
    return false;
}

std::wstring LowerAscii(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::wstring name = fuzz::WithoutZeros(fuzz::ConsumeWide(input, 80));
    std::wstring blanks = fuzz::WithoutZeros(fuzz::ConsumeWide(input, 4));
    const std::wstring tail = fuzz::WithoutZeros(fuzz::ConsumeWide(input));
    const std::wstring line = fuzz::WithoutZeros(fuzz::ConsumeWide(input));

    // Any line: the tail is a suffix of it and does not start with a blank.
    const wchar_t* got = fw::CommandTail(line.c_str());
    const size_t offset = static_cast<size_t>(got - line.c_str());
    FUZZ_CHECK(offset <= line.size(), line);
    FUZZ_CHECK(!IsBlank(*got), line);

    // A program name, blanks, and a tail that starts with something other than a blank.
    for (wchar_t& c : blanks) c = static_cast<wchar_t>(1 + c % 32);  // U+0001..U+0020
    if (blanks.empty()) blanks = L" ";
    if (!tail.empty() && !IsBlank(tail[0]) && !name.empty()) {
        if (!HasBlankOrQuote(name)) {
            const std::wstring plain = name + blanks + tail;
            FUZZ_CHECK(fw::CommandTail(plain.c_str()) == tail, plain);
        }
        std::wstring quotedName = name;
        quotedName.erase(std::remove(quotedName.begin(), quotedName.end(), L'"'), quotedName.end());
        const std::wstring quoted = L"\"" + quotedName + L"\"" + blanks + tail;
        FUZZ_CHECK(fw::CommandTail(quoted.c_str()) == tail, quoted);
    }

    // Verb comparison: letter case of A-Z only.
    FUZZ_CHECK(TailEquals(line, line), line);
    FUZZ_CHECK(TailEquals(tail, line) == TailEquals(line, tail), line);
    FUZZ_CHECK(TailEquals(LowerAscii(line), line), line);
    FUZZ_CHECK(TailEquals(tail, line) == (LowerAscii(tail) == LowerAscii(line)), line);
    return 0;
}
