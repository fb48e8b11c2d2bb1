// Test equipment: Wine keeps no event log. Loaded into a program by the harness before the program starts
// (e2e::RunConsole with an injected library), this library takes the program's own calls of the event API
// (its import table's RegisterEventSourceW and ReportEventW) and writes each entry the program reports as one
// line to the file that CORVANE_EVENT_LOG names, in UTF-8:
//   <source>|<type>|<event id, hex>|<string>|<string>...
#include <windows.h>

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
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress) return;
    for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); desc->Name;
         ++desc) {
        if (_stricmp(reinterpret_cast<const char*>(base + desc->Name), "advapi32.dll") != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const char* name =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name;
            void* replacement = nullptr;
            if (std::strcmp(name, "RegisterEventSourceW") == 0)
                replacement = reinterpret_cast<void*>(&RegisterSource);
            if (std::strcmp(name, "ReportEventW") == 0) replacement = reinterpret_cast<void*>(&Report);
            if (std::strcmp(name, "DeregisterEventSource") == 0)
                replacement = reinterpret_cast<void*>(&Deregister);
            if (!replacement) continue;
            DWORD old = 0;
            if (::VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old)) {
                slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
                ::VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            }
        }
    }
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) TakeImports();
    return TRUE;
}
