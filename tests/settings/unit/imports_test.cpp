// The shipped Velmora.exe must load on Windows 5.2 x64 (XP x64, Server 2003 x64) to end there silently: it
// may import only functions that system has. Read from the built file's import table.
#include <gtest/gtest.h>
#include <windows.h>

#include "test_support.h"

#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace {

using ImportTable = std::map<std::string, std::set<std::string>>;

// Every function the program may import, by library. Each is documented for Windows XP / Server 2003 or
// older; the unwinding functions are exported by the x64 kernel32 since its first release, and the
// subclassing functions by name from common controls 6, which the manifest asks for.
const ImportTable kAvailableOn52x64 = {
    {"ADVAPI32.DLL",
     {"AdjustTokenPrivileges", "ConvertSidToStringSidW", "ConvertStringSidToSidW", "DeregisterEventSource",
      "GetTokenInformation",   "LookupAccountSidW",      "LookupPrivilegeValueW",  "OpenProcessToken",
      "RegCloseKey",           "RegCreateKeyExW",        "RegEnumKeyExW",          "RegGetValueW",
      "RegLoadKeyW",           "RegOpenKeyExW",          "RegQueryInfoKeyW",       "RegQueryValueExW",
      "RegSetValueExW",        "RegUnLoadKeyW",          "RegisterEventSourceW",   "ReportEventW"}},
    {"COMCTL32.DLL",
     {"DefSubclassProc", "InitCommonControlsEx", "RemoveWindowSubclass", "SetWindowSubclass",
      "_TrackMouseEvent"}},
    {"GDI32.DLL",
     {"CreateCompatibleDC", "CreateFontW", "CreatePen", "CreateRectRgn", "CreateSolidBrush", "DeleteDC",
      "DeleteObject", "Ellipse", "GetObjectW", "GetStockObject", "GetTextAlign", "RoundRect", "SelectObject",
      "SetBkColor", "SetBkMode", "SetLayout", "SetTextAlign", "SetTextColor", "StretchBlt"}},
    {"KERNEL32.DLL",
     {"CloseHandle",
      "CreateProcessW",
      "CreateSemaphoreW",
      "DeleteCriticalSection",
      "EnterCriticalSection",
      "FindResourceW",
      "FreeLibrary",
      "GetCommandLineW",
      "GetCurrentProcess",
      "GetCurrentProcessId",
      "GetCurrentThreadId",
      "GetExitCodeProcess",
      "GetFileAttributesW",
      "GetLastError",
      "GetModuleFileNameW",
      "GetModuleHandleW",
      "GetPrivateProfileStringW",
      "GetProcAddress",
      "GetStartupInfoW",
      "GetStdHandle",
      "GetStringTypeW",
      "GetSystemDirectoryW",
      "GetSystemWindowsDirectoryW",
      "GetUserDefaultLangID",
      "GetVersionExW",
      "GetWindowsDirectoryW",
      "InitializeCriticalSection",
      "IsDBCSLeadByteEx",
      "LeaveCriticalSection",
      "LoadLibraryExW",
      "LoadLibraryW",
      "OpenProcess",
      "LoadResource",
      "LocalFree",
      "LockResource",
      "MultiByteToWideChar",
      "ProcessIdToSessionId",
      "RaiseException",
      "ReleaseSemaphore",
      "RtlCaptureContext",
      "RtlLookupFunctionEntry",
      "RtlUnwindEx",
      "RtlVirtualUnwind",
      "SetLastError",
      "SetUnhandledExceptionFilter",
      "SizeofResource",
      "Sleep",
      "TlsAlloc",
      "TlsFree",
      "TlsGetValue",
      "TlsSetValue",
      "VirtualProtect",
      "VirtualQuery",
      "WaitForSingleObject",
      "WideCharToMultiByte",
      "WriteFile",
      "__C_specific_handler"}},
    {"MSVCRT.DLL",
     {"___lc_codepage_func",
      "___mb_cur_max_func",
      "__iob_func",
      "__set_app_type",
      "__setusermatherr",
      "__wgetmainargs",
      "__winitenv",
      "_amsg_exit",
      "_cexit",
      "_close",
      "_commode",
      "_errno",
      "_fmode",
      "_initterm",
      "_onexit",
      "_read",
      "_wcmdln",
      "abort",
      "calloc",
      "exit",
      "fprintf",
      "fputc",
      "fputs",
      "fputwc",
      "free",
      "fwprintf",
      "fwrite",
      "localeconv",
      "malloc",
      "memchr",
      "memcmp",
      "memcpy",
      "memmove",
      "memset",
      "realloc",
      "signal",
      "strcmp",
      "strerror",
      "strlen",
      "strncmp",
      "vfprintf",
      "wcscmp",
      "wcslen",
      "wcstoul"}},
    {"OLE32.DLL", {"CoCreateInstance", "CoInitializeEx", "CoInitializeSecurity", "CoUninitialize"}},
    {"OLEAUT32.DLL", {"SysAllocString", "SysAllocStringLen", "SysFreeString", "VariantClear", "VariantInit"}},
    {"USER32.DLL",
     {"AppendMenuW",
      "BeginPaint",
      "CreateWindowExW",
      "DefWindowProcW",
      "DestroyWindow",
      "DialogBoxIndirectParamW",
      "DialogBoxParamW",
      "DispatchMessageW",
      "DrawFocusRect",
      "DrawIcon",
      "DrawTextW",
      "EnableWindow",
      "EndDialog",
      "EndPaint",
      "FillRect",
      "FindWindowExW",
      "FrameRect",
      "GetClientRect",
      "GetDC",
      "GetDesktopWindow",
      "GetDlgCtrlID",
      "GetDlgItem",
      "GetFocus",
      "GetMessageW",
      "GetNextDlgGroupItem",
      "GetParent",
      "GetProcessWindowStation",
      "GetPropW",
      "GetShellWindow",
      "GetSystemMenu",
      "GetSysColor",
      "GetSysColorBrush",
      "GetSystemMetrics",
      "GetUserObjectInformationW",
      "GetWindow",
      "GetWindowLongPtrW",
      "GetWindowLongW",
      "GetWindowRect",
      "GetWindowTextLengthW",
      "GetWindowTextW",
      "GetWindowThreadProcessId",
      "InflateRect",
      "InvalidateRect",
      "IsIconic",
      "IsWindow",
      "IsWindowEnabled",
      "LoadBitmapW",
      "LoadCursorW",
      "LoadIconW",
      "LoadStringW",
      "MapDialogRect",
      "MapWindowPoints",
      "MessageBoxW",
      "MsgWaitForMultipleObjects",
      "NotifyWinEvent",
      "PeekMessageW",
      "PostMessageW",
      "PostQuitMessage",
      "RedrawWindow",
      "ReleaseCapture",
      "ReleaseDC",
      "RemovePropW",
      "SendMessageTimeoutW",
      "SendMessageW",
      "SetCapture",
      "SetCursor",
      "SetFocus",
      "SetPropW",
      "SetWindowLongPtrW",
      "SetWindowPos",
      "SetWindowRgn",
      "SetWindowTextW",
      "ShowWindow",
      "SystemParametersInfoW",
      "TranslateMessage",
      "UnionRect"}},
};

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

// The import table of a 64-bit executable file, read without loading it.
::testing::AssertionResult ReadImports(const std::wstring& path, ImportTable& imports) {
    const std::optional<std::string> read = e2e::ReadFileBytes(path);
    if (!read || read->size() < sizeof(IMAGE_DOS_HEADER))
        return ::testing::AssertionFailure() << "cannot read the file";
    const std::string& file = *read;
    auto at = [&](size_t offset, size_t size) -> const char* {
        return offset + size <= file.size() ? file.data() + offset : nullptr;
    };
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(file.data());
    const auto* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS64*>(at(dos->e_lfanew, sizeof(IMAGE_NT_HEADERS64)));
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || !nt || nt->Signature != IMAGE_NT_SIGNATURE ||
        nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        return ::testing::AssertionFailure() << "not a 64-bit executable";
    if (nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].Size != 0)
        return ::testing::AssertionFailure() << "delay-loaded imports are not read by this test";

    const auto* sections = IMAGE_FIRST_SECTION(nt);
    auto offsetOf = [&](DWORD rva) -> size_t {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& s = sections[i];
            if (rva >= s.VirtualAddress &&
                rva < s.VirtualAddress + std::max(s.Misc.VirtualSize, s.SizeOfRawData))
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        return file.size();
    };
    auto text = [&](DWORD rva) {
        const size_t offset = offsetOf(rva);
        return offset < file.size()
                   ? std::string(file.data() + offset, strnlen(file.data() + offset, file.size() - offset))
                   : std::string();
    };

    const DWORD importRva = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (size_t offset = offsetOf(importRva);; offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto* desc =
            reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(at(offset, sizeof(IMAGE_IMPORT_DESCRIPTOR)));
        if (!desc) return ::testing::AssertionFailure() << "import table runs past the file";
        if (desc->Name == 0) break;
        std::set<std::string>& functions = imports[Upper(text(desc->Name))];
        const DWORD thunks = desc->OriginalFirstThunk ? desc->OriginalFirstThunk : desc->FirstThunk;
        for (size_t t = offsetOf(thunks);; t += sizeof(ULONGLONG)) {
            const auto* thunk = reinterpret_cast<const ULONGLONG*>(at(t, sizeof(ULONGLONG)));
            if (!thunk) return ::testing::AssertionFailure() << "thunks run past the file";
            if (*thunk == 0) break;
            if (*thunk & IMAGE_ORDINAL_FLAG64)
                functions.insert("#" + std::to_string(*thunk & 0xFFFF));
            else
                functions.insert(text(static_cast<DWORD>(*thunk) + 2));  // after the 16-bit hint
        }
    }
    return ::testing::AssertionSuccess();
}

// What the loader takes from the system whatever folder the program runs from: the known system libraries,
// and common controls 6 through the manifest. Any other library imported by name would be looked for beside
// a copy of the program first, and a planted one would run with administrator rights.
const std::set<std::string> kLoadedFromTheSystem = {"ADVAPI32.DLL", "COMCTL32.DLL", "GDI32.DLL",
                                                    "KERNEL32.DLL", "MSVCRT.DLL",   "OLE32.DLL",
                                                    "OLEAUT32.DLL", "USER32.DLL"};

TEST(ShippedVelmora, ImportsOnlyWhatWindows52x64HasFromTheSystemsOwnLibraries) {
    ImportTable imports;
    ASSERT_TRUE(ReadImports(e2e::DistDir() + L"Velmora\\Velmora.exe", imports));
    ASSERT_TRUE(imports.count("KERNEL32.DLL")) << "the import table was not found";
    for (const auto& [library, functions] : imports) {
        EXPECT_TRUE(kLoadedFromTheSystem.count(library)) << library << " is imported by name";
        const auto allowed = kAvailableOn52x64.find(library);
        for (const std::string& function : functions) {
            EXPECT_TRUE(allowed != kAvailableOn52x64.end() && allowed->second.count(function))
                << library << "!" << function << " is not known to exist on Windows 5.2 x64";
        }
    }
}

}  // namespace
