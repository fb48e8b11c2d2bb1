// Test and demo equipment: points a program's own imports at functions of a library loaded into it, so the
// library can answer as Windows would where Wine answers otherwise, or note what the program reports.
#pragma once
#include <windows.h>

#include <cstring>

namespace drive {

// For every function the main program imports by name from `dllName`, `replacement(name)` gives the function
// to call instead, or null to keep it; `previous(name, function)` is told the function each replaced slot
// held.
template <class Replacement, class Previous>
void RedirectImports(const char* dllName, Replacement replacement, Previous previous) {
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return;
    for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); dll->Name;
         ++dll) {
        if (_stricmp(reinterpret_cast<const char*>(base + dll->Name), dllName) != 0) continue;
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
        for (; dll->OriginalFirstThunk && name->u1.AddressOfData; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
            const char* function =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name;
            void* instead = replacement(function);
            if (!instead) continue;
            DWORD protection = 0;
            if (!::VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection))
                continue;
            previous(function, reinterpret_cast<void*>(slot->u1.Function));
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(instead);
            // Putting the page's protection back can only fail where the call above did.
            ::VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
        }
    }
}

}  // namespace drive
