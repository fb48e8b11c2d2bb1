// Plan names in the user's interface language, from MultiLang.ini beside the agent.
#include <windows.h>

#include <cwchar>

#include <framework/text.h>

#include "AgentCommand.h"
#include "GuidText.h"
#include "Oskavel3Dlg.h"

namespace {
constexpr DWORD kValueChars = 260;

std::wstring ReadLanguageText(const std::wstring& section, const wchar_t* key, const std::wstring& iniPath) {
    wchar_t value[kValueChars] = L"";
    ::GetPrivateProfileStringW(section.c_str(), key, L"", value, kValueChars, iniPath.c_str());
    return value;
}
}  // namespace

bool COskavel3Dlg::RenamePlan(const std::wstring& guidText) {
    wchar_t section[8] = L"";
    std::swprintf(section, 8, L"%04x", static_cast<unsigned>(::GetUserDefaultUILanguage()));
    const std::wstring iniPath = m_strAgentDir + L"MultiLang.ini";
    const std::wstring name = ReadLanguageText(section, L"Name", iniPath);
    const std::wstring description = ReadLanguageText(section, L"Description", iniPath);
    // No name for the user's language: the plan keeps the names it has, and nothing failed. The identifier
    // stands unquoted on the command line: only a GUID text may go there.
    if (name.empty() || !fw::IsGuidText(guidText)) return true;
    DWORD exitCode = 1;
    return RunAgentCommand(BuildRenameCommand(guidText, name, description), &exitCode) && exitCode == 0;
}
