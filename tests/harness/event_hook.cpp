// Test equipment: Wine keeps no event log. Loaded into a program by the harness before the program starts
// (e2e::RunConsole with an injected library), this library takes the program's own calls of the event API
// (its import table's RegisterEventSourceW and ReportEventW) and writes each entry the program reports as one
// line to the file that CORVANE_EVENT_LOG names, in UTF-8:
//   <source>|<type>|<event id, hex>|<string>|<string>...
#include <windows.h>

#include <import_redirect.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::wstring g_source;  // the one source this test equipment follows; a program registers one

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3 + 1, '\0');
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(),
                                        static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
}

HANDLE WINAPI RegisterSource(LPCWSTR server, LPCWSTR source) {
    g_source = source ? source : L"";
    (void)server;
    return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x4242));
}

BOOL WINAPI Report(HANDLE, WORD type, WORD, DWORD id, PSID, WORD count, DWORD, LPCWSTR* strings, LPVOID) {
    wchar_t file[MAX_PATH] = L"";
    if (!::GetEnvironmentVariableW(L"CORVANE_EVENT_LOG", file, MAX_PATH)) return FALSE;
    char head[64];
    std::snprintf(head, sizeof head, "|%u|%lx", static_cast<unsigned>(type), static_cast<unsigned long>(id));
    std::string line = Utf8(g_source) + head;
    for (WORD i = 0; i < count; ++i) line += "|" + Utf8(strings[i] ? strings[i] : L"");
    line += "\n";
    FILE* out = _wfopen(file, L"ab");
    if (!out) return FALSE;
    const bool written = std::fwrite(line.data(), 1, line.size(), out) == line.size();
    return std::fclose(out) == 0 && written;
}

BOOL WINAPI Deregister(HANDLE) {
    return TRUE;
}

// Points the main program's imports of the event API at the functions above.
void TakeImports() {
    drive::RedirectImports(
        "advapi32.dll",
        [](const char* name) -> void* {
            if (std::strcmp(name, "RegisterEventSourceW") == 0)
                return reinterpret_cast<void*>(&RegisterSource);
            if (std::strcmp(name, "ReportEventW") == 0) return reinterpret_cast<void*>(&Report);
            if (std::strcmp(name, "DeregisterEventSource") == 0) return reinterpret_cast<void*>(&Deregister);
            return nullptr;
        },
        [](const char*, void*) {});
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) TakeImports();
    return TRUE;
}
