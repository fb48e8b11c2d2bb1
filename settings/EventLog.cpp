#include "EventLog.h"

#include <ExitCodes.h>
#include <framework/handles.h>

#include <sddl.h>

#include <vector>

#include "VelmoraEvents.h"

namespace {
const wchar_t* ModeName(int mode) {
    return mode == 1 ? L"on" : L"off";
}
}  // namespace

CEventLog::CEventLog() : m_source(::RegisterEventSourceW(nullptr, kEventSource)) {}

bool CEventLog::Switched(int to, const std::wstring& from, SwitchRoute route) {
    const std::wstring strings[] = {ModeName(to), RunningAccountName(), RouteName(route), from};
    return Write(EVENTLOG_INFORMATION_TYPE, VELMORA_EVENT_SWITCHED, strings, 4);
}

bool CEventLog::Failed(int to, SwitchRoute route, int exitCode) {
    const std::wstring strings[] = {ModeName(to), RunningAccountName(), RouteName(route),
                                    velmora_exit::Meaning(exitCode), std::to_wstring(exitCode)};
    return Write(EVENTLOG_ERROR_TYPE, VELMORA_EVENT_FAILED, strings, 5);
}

bool CEventLog::Write(WORD type, DWORD id, const std::wstring* strings, WORD count) {
    if (!m_source) return false;
    std::vector<LPCWSTR> texts;
    for (WORD i = 0; i < count; ++i) texts.push_back(strings[i].c_str());
    return ::ReportEventW(m_source.Get(), type, 0, id, nullptr, count, 0, texts.data(), nullptr) != FALSE;
}

std::wstring RunningAccountName() {
    fw::CKernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Receive()))
        return L"an unknown account";
    DWORD size = 0;
    // The first call only asks for the size.
    (void)::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !::GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size))
        return L"an unknown account";
    PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    wchar_t name[256], domain[256];
    DWORD nameSize = 256, domainSize = 256;
    SID_NAME_USE use;
    if (::LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
        return domain[0] ? std::wstring(domain) + L"\\" + name : std::wstring(name);
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text)) return L"an unknown account";
    std::wstring result = text;
    ::LocalFree(text);
    return result;
}
