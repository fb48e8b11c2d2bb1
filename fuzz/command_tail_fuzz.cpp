// Command tail, by round trips: any line's tail is a suffix of it that starts with no blank, and a program
// name, plain or quoted, then blanks and a tail give exactly that tail back. The verb comparison agrees with
// the table of ASCII letters: a text equals itself with the case of A-Z changed, and no other change.
#include "framework/text.h"

#include "agent/CommandTail.h"
#include "wide_input.h"

namespace {

const std::wstring kLower = L"abcdefghijklmnopqrstuvwxyz", kUpper = L"ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// The other case of an ASCII letter, as the table has it; any other character as it is.
wchar_t OtherCase(wchar_t c) {
    const size_t lower = kLower.find(c), upper = kUpper.find(c);
    return lower != std::wstring::npos ? kUpper[lower] : upper != std::wstring::npos ? kLower[upper] : c;
}

bool IsBlank(wchar_t c) {
    return c != 0 && c <= L' ';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::wstring name = fuzz::WithoutZeros(fuzz::ConsumeWide(input, 80));
    std::wstring blanks = fuzz::WithoutZeros(fuzz::ConsumeWide(input, 4));
    const std::wstring tail = fuzz::WithoutZeros(fuzz::ConsumeWide(input));
    const std::wstring line = fuzz::WithoutZeros(fuzz::ConsumeWide(input));

    const wchar_t* got = fw::CommandTail(line.c_str());
    FUZZ_CHECK(static_cast<size_t>(got - line.c_str()) <= line.size() && !IsBlank(*got), line);

    for (wchar_t& c : blanks) c = static_cast<wchar_t>(1 + c % 32);  // U+0001..U+0020
    if (blanks.empty()) blanks = L" ";
    if (!tail.empty() && !IsBlank(tail[0]) && !name.empty()) {
        if (std::none_of(name.begin(), name.end(), [](wchar_t c) { return c <= L' ' || c == L'"'; })) {
            const std::wstring plain = name + blanks + tail;
            FUZZ_CHECK(fw::CommandTail(plain.c_str()) == tail, plain);
        }
        std::wstring quotedName = name;
        quotedName.erase(std::remove(quotedName.begin(), quotedName.end(), L'"'), quotedName.end());
        const std::wstring quoted = L"\"" + quotedName + L"\"" + blanks + tail;
        FUZZ_CHECK(fw::CommandTail(quoted.c_str()) == tail, quoted);
    }

    std::wstring swapped = line, changed = line;
    for (wchar_t& c : swapped) c = OtherCase(c);
    FUZZ_CHECK(fw::EqualsFoldingAscii(line, line) && fw::EqualsFoldingAscii(swapped, line) &&
                   fw::EqualsFoldingAscii(line, swapped),
               line);
    FUZZ_CHECK(!fw::EqualsFoldingAscii(line + L"x", line) && !fw::EqualsFoldingAscii(line, line + L"x"),
               line);
    const AgentVerb verb = ReadAgentVerb(line), swappedVerb = ReadAgentVerb(swapped);
    FUZZ_CHECK(verb.kind == swappedVerb.kind && verb.package == swappedVerb.package, line);
    if (!line.empty() && !name.empty()) {
        wchar_t& at = changed[name.size() % line.size()];
        const bool sameLetter = name[0] == at || name[0] == OtherCase(at);
        at = name[0];
        FUZZ_CHECK(fw::EqualsFoldingAscii(changed, line) == sameLetter, changed);
    }
    return 0;
}
