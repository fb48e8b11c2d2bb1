#include "TaskDefinition.h"

namespace {
const wchar_t kOpen[] = L"<Command>";
const wchar_t kClose[] = L"</Command>";
constexpr size_t kOpenLength = sizeof kOpen / sizeof kOpen[0] - 1;
}  // namespace

std::wstring XmlEscaped(const std::wstring& text) {
    std::wstring escaped;
    escaped.reserve(text.size());
    for (const wchar_t c : text) {
        if (c == L'&')
            escaped += L"&amp;";
        else if (c == L'<')
            escaped += L"&lt;";
        else if (c == L'>')
            escaped += L"&gt;";
        else
            escaped += c;
    }
    return escaped;
}

std::optional<std::wstring> TaskDefinitionWithCommand(const std::wstring& definition,
                                                      const std::wstring& program) {
    const size_t open = definition.find(kOpen);
    if (open == std::wstring::npos) return std::nullopt;
    const size_t start = open + kOpenLength;
    const size_t close = definition.find(kClose, start);
    if (close == std::wstring::npos) return std::nullopt;
    std::wstring result = definition;
    result.replace(start, close - start, XmlEscaped(program));
    return result;
}
