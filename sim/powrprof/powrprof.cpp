// Stand-in for the power-management functions that Wine's powrprof lacks; works on the same store as the
// simulated powercfg.exe, so both tools and the two programs see one machine.
#include "../common/simcommon.h"

namespace {

std::wstring text(const GUID* g) {
    return g ? sim::guidText(*g) : L"(null)";
}

DWORD logged(const std::wstring& call, DWORD rc) {
    sim::logLine(L"powrprof " + call + L" => " + std::to_wstring(rc));
    return rc;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) sim::logOrigin(L"powrprof", module);
    return TRUE;
}

DWORD WINAPI PowerImportPowerScheme(HKEY, LPCWSTR file, GUID** dest) {
    std::wstring path = file ? file : L"";
    auto done = [&](const std::wstring& outcome, DWORD rc) {
        sim::logLine(L"powrprof PowerImportPowerScheme " + path + L" => " + outcome);
        return rc;
    };
    if (!file || !dest) return done(L"87", ERROR_INVALID_PARAMETER);
    std::wstring guid = *dest ? sim::guidText(**dest) : sim::newGuidText(), fault;
    DWORD rc = sim::power::importScheme(path, guid, fault);
    if (rc != ERROR_SUCCESS) return done(std::to_wstring(rc), rc);
    if (!*dest) {
        auto* g = static_cast<GUID*>(LocalAlloc(LPTR, sizeof(GUID)));
        if (!g) {
            sim::power::deleteScheme(guid);
            return done(L"8", ERROR_NOT_ENOUGH_MEMORY);
        }
        sim::parseGuid(guid, *g);
        *dest = g;
    }
    return done(guid, ERROR_SUCCESS);
}

DWORD WINAPI PowerSetActiveScheme(HKEY, const GUID* scheme) {
    DWORD rc = scheme ? sim::power::setActive(sim::guidText(*scheme)) : ERROR_INVALID_PARAMETER;
    return logged(L"PowerSetActiveScheme " + text(scheme), rc);
}

DWORD WINAPI PowerWriteDCValueIndex(HKEY, const GUID* scheme, const GUID* sub, const GUID* setting,
                                    DWORD value) {
    DWORD rc = scheme && sub && setting ? sim::power::setIndex(sim::guidText(*scheme), sim::guidText(*sub),
                                                               sim::guidText(*setting), false, value)
                                        : ERROR_INVALID_PARAMETER;
    return logged(L"PowerWriteDCValueIndex " + text(scheme) + L" " + text(sub) + L" " + text(setting) + L" " +
                      std::to_wstring(value),
                  rc);
}

DWORD WINAPI PowerReplaceDefaultPowerSchemes(void) {
    return logged(L"PowerReplaceDefaultPowerSchemes", sim::power::replaceDefaults());
}

DWORD WINAPI PowerDeleteScheme(HKEY, const GUID* scheme) {
    DWORD rc = scheme ? sim::power::deleteScheme(sim::guidText(*scheme)) : ERROR_INVALID_PARAMETER;
    return logged(L"PowerDeleteScheme " + text(scheme), rc);
}

}  // extern "C"
