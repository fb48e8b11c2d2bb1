// Stand-in for Windows' powercfg.exe: the verbs the two programs use, on the registry store Windows uses,
// plus -seed and -querydefaults for tests and demos.
#include "../common/simcommon.h"

#include <shellapi.h>

#include <cwchar>
#include <functional>
#include <map>

using sim::power::kSchemesPath;

namespace {

// The subgroup under which powercfg shows the settings that sit right below a scheme.
const wchar_t kNoSubgroup[] = L"fea3413e-7e05-4911-9a71-700331f1c294";

using Args = std::vector<std::wstring>;

void write(DWORD which, const std::wstring& text) {
    HANDLE h = GetStdHandle(which);
    DWORD mode = 0, done = 0;
    if (GetConsoleMode(h, &mode)) {
        WriteConsoleW(h, text.c_str(), static_cast<DWORD>(text.size()), &done, nullptr);
    } else {
        std::string utf8 = sim::toUtf8(text);
        WriteFile(h, utf8.data(), static_cast<DWORD>(utf8.size()), &done, nullptr);
    }
}

void out(const std::wstring& line) {
    write(STD_OUTPUT_HANDLE, line + L"\n");
}

int fail(const std::wstring& message) {
    write(STD_ERROR_HANDLE, message + L"\n");
    return 1;
}

int usage() {
    return fail(L"Invalid Parameters -- try \"/?\" for help");
}

int result(DWORD rc) {
    if (rc == ERROR_SUCCESS) return 0;
    if (rc == ERROR_INVALID_PARAMETER)
        return fail(
            L"Unable to perform operation. An invalid parameter was passed to a function or the requested "
            L"value "
            L"was not found.");
    wchar_t* text = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        rc, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message =
        L"Unable to perform operation. " + (text ? std::wstring(text) : L"Error " + std::to_wstring(rc));
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) message.pop_back();
    return fail(message);
}

// Everything after the program name, as the caller wrote it.
std::wstring commandTail(const wchar_t* p) {
    if (*p == L'"') {
        for (++p; *p && *p != L'"'; ++p) {
        }
        if (*p) ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

bool parseNumber(const std::wstring& text, DWORD& value) {
    bool hex = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
    if (text.empty() || text[0] == L'-') return false;
    wchar_t* end = nullptr;
    errno = 0;
    unsigned long long v = wcstoull(text.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
    if (errno || *end || v > 0xFFFFFFFFull) return false;
    value = static_cast<DWORD>(v);
    return true;
}

std::wstring scheme(const std::wstring& arg) {
    return _wcsicmp(arg.c_str(), L"SCHEME_CURRENT") == 0 ? sim::power::activeScheme() : arg;
}

std::wstring label(const std::wstring& guid, const std::wstring& name) {
    return guid + L"  (" + name + L")";
}

// Prints the settings below one key: a subgroup of the scheme, or the scheme itself for the settings that
// belong to no subgroup.
void printSettings(const sim::RegKey& parent, const std::vector<std::wstring>& settings) {
    for (const auto& setting : settings) {
        sim::RegKey s = sim::RegKey::open(parent.get(), setting);
        out(L"    Power Setting GUID: " + label(setting, sim::power::knownName(setting)));
        wchar_t line[80];
        DWORD v = 0;
        if (s.readDword(L"ACSettingIndex", v)) {
            swprintf(line, ARRAYSIZE(line), L"      Current AC Power Setting Index: 0x%08lx", v);
            out(line);
        }
        if (s.readDword(L"DCSettingIndex", v)) {
            swprintf(line, ARRAYSIZE(line), L"      Current DC Power Setting Index: 0x%08lx", v);
            out(line);
        }
        std::wstring sddl;
        if (sim::power::descriptor(setting, sddl)) out(L"      Security Descriptor: " + sddl);
        out(L"");
    }
}

// Prints one scheme of the tree below root (the live store or the saved defaults).
void printScheme(const std::wstring& root, const std::wstring& guid, const std::wstring& onlySub) {
    sim::RegKey key = sim::RegKey::open(HKEY_LOCAL_MACHINE, root + L"\\" + guid);
    std::wstring name, description;
    key.readString(L"FriendlyName", name);
    key.readString(L"Description", description);
    out(L"Power Scheme GUID: " + label(guid, sim::power::displayName(name)));
    if (!description.empty()) out(L"  Description: " + sim::power::displayName(description));
    // A key right below the scheme is a subgroup, or a setting of no subgroup when it holds values.
    std::vector<std::wstring> subgroups, loose;
    for (const auto& sub : key.subkeys())
        (sim::RegKey::open(key.get(), sub).valueNames().empty() ? subgroups : loose).push_back(sub);
    auto wanted = [&](const std::wstring& sub) {
        return onlySub.empty() || _wcsicmp(sub.c_str(), onlySub.c_str()) == 0;
    };
    if (!loose.empty() && wanted(kNoSubgroup)) {
        out(L"  Subgroup GUID: " + label(kNoSubgroup, sim::power::knownName(kNoSubgroup)));
        printSettings(key, loose);
    }
    for (const auto& sub : subgroups) {
        if (!wanted(sub)) continue;
        out(L"  Subgroup GUID: " + label(sub, sim::power::knownName(sub)));
        sim::RegKey subKey = sim::RegKey::open(key.get(), sub);
        printSettings(subKey, subKey.subkeys());
    }
}

int query(const std::wstring& root, const Args& a) {
    if (a.size() > 2) return usage();
    std::vector<std::wstring> list;
    if (a.empty()) {
        if (sim::RegKey k = sim::RegKey::open(HKEY_LOCAL_MACHINE, root)) list = k.subkeys();
    } else {
        std::wstring s = scheme(a[0]);
        if (!sim::RegKey::open(HKEY_LOCAL_MACHINE, root + L"\\" + s)) return result(ERROR_INVALID_PARAMETER);
        list.push_back(s);
    }
    if (list.empty()) out(L"NONE");
    for (const auto& s : list) printScheme(root, s, a.size() == 2 ? a[1] : L"");
    return 0;
}

int seed(const Args& a) {
    DWORD count = 3;
    if (a.size() > 1 || (a.size() == 1 && (!parseNumber(a[0], count) || count < 1 || count > 1000)))
        return usage();
    sim::power::seed(static_cast<int>(count));
    return 0;
}

int setIndex(const Args& a, bool ac) {
    DWORD value = 0;
    if (a.size() != 4) return usage();
    if (!parseNumber(a[3], value)) return result(ERROR_INVALID_PARAMETER);
    return result(sim::power::setIndex(scheme(a[0]), a[1], a[2], ac, value));
}

int list(const Args& a) {
    if (!a.empty()) return usage();
    out(L"Existing Power Schemes (* Active)");
    out(L"-----------------------------------");
    std::wstring active = sim::power::activeScheme();
    for (const auto& s : sim::power::schemes())
        out(L"Power Scheme GUID: " + label(s, sim::power::displayName(sim::power::schemeName(s))) +
            (_wcsicmp(s.c_str(), active.c_str()) == 0 ? L" *" : L""));
    return 0;
}

int getActive(const Args& a) {
    if (!a.empty()) return usage();
    std::wstring active = sim::power::activeScheme();
    if (!sim::power::schemeExists(active)) return result(ERROR_FILE_NOT_FOUND);
    out(L"Power Scheme GUID: " + label(active, sim::power::displayName(sim::power::schemeName(active))));
    return 0;
}

int changeName(const Args& a) {
    if (a.size() < 2 || a.size() > 3) return usage();
    return result(sim::power::setNames(scheme(a[0]), a[1], a.size() == 3 ? &a[2] : nullptr));
}

int duplicate(const Args& a) {
    if (a.empty() || a.size() > 2) return usage();
    std::wstring from = scheme(a[0]), to = a.size() == 2 ? sim::lower(a[1]) : sim::newGuidText();
    DWORD rc =
        sim::power::copyScheme(from, to, sim::power::schemeName(from), sim::power::schemeDescription(from));
    if (rc == ERROR_SUCCESS)
        out(L"Power Scheme GUID: " + label(to, sim::power::displayName(sim::power::schemeName(to))));
    return result(rc);
}

int import(const Args& a) {
    if (a.empty() || a.size() > 2) return usage();
    std::wstring guid = a.size() == 2 ? sim::lower(a[1]) : sim::newGuidText(), fault;
    if (!sim::isGuidText(guid)) return result(ERROR_INVALID_PARAMETER);
    DWORD rc = sim::power::importScheme(a[0], guid, fault);
    if (rc != ERROR_SUCCESS) return fail(L"Unable to import the power scheme: " + fault + L".");
    out(L"Imported Power Scheme Successfully. GUID: " + guid);
    return 0;
}

int getDescriptor(const Args& a) {
    std::wstring sddl;
    if (a.size() != 1) return usage();
    if (!sim::power::descriptor(a[0], sddl)) return result(ERROR_FILE_NOT_FOUND);
    out(sddl);
    return 0;
}

int deviceQuery(const Args& a) {
    if (a.size() != 1 || _wcsicmp(a[0].c_str(), L"wake_armed") != 0) return usage();
    auto devices = sim::power::armedDevices();
    if (devices.empty()) out(L"NONE");
    for (const auto& d : devices) out(d);
    return 0;
}

int help(const Args&) {
    out(L"POWERCFG (simulated) -COMMAND ARGUMENTS");
    out(L"  -list, -getactivescheme, -setactive GUID, -query [GUID|all [SUB]], -changename GUID NAME [DESC]");
    out(L"  -setacvalueindex / -setdcvalueindex SCHEME SUB SETTING VALUE, -duplicatescheme GUID [NEW], "
        L"-delete GUID");
    out(L"  -import FILE [GUID]");
    out(L"  -setsecuritydescriptor GUID SDDL, -getsecuritydescriptor GUID, -replacedefaultschemes");
    out(L"  -deviceenablewake NAME, -devicequery wake_armed");
    out(L"  -seed [COUNT], -querydefaults [GUID]  (simulator only)");
    return 0;
}

int dispatch(const std::wstring& verb, const Args& a) {
    namespace p = sim::power;
    static const std::map<std::wstring, std::function<int(const Args&)>> verbs = {
        {L"seed", seed},
        {L"setacvalueindex", [](const Args& x) { return setIndex(x, true); }},
        {L"setdcvalueindex", [](const Args& x) { return setIndex(x, false); }},
        {L"setsecuritydescriptor",
         [](const Args& x) { return x.size() == 2 ? result(p::setDescriptor(x[0], x[1])) : usage(); }},
        {L"getsecuritydescriptor", getDescriptor},
        {L"replacedefaultschemes",
         [](const Args& x) { return x.empty() ? result(p::replaceDefaults()) : usage(); }},
        {L"setactive",
         [](const Args& x) { return x.size() == 1 ? result(p::setActive(scheme(x[0]))) : usage(); }},
        {L"s", [](const Args& x) { return x.size() == 1 ? result(p::setActive(scheme(x[0]))) : usage(); }},
        {L"changename", changeName},
        {L"duplicatescheme", duplicate},
        {L"import", import},
        {L"delete",
         [](const Args& x) { return x.size() == 1 ? result(p::deleteScheme(scheme(x[0]))) : usage(); }},
        {L"d", [](const Args& x) { return x.size() == 1 ? result(p::deleteScheme(scheme(x[0]))) : usage(); }},
        {L"deviceenablewake",
         [](const Args& x) { return x.size() == 1 ? result(p::armWake(x[0])) : usage(); }},
        {L"devicequery", deviceQuery},
        {L"list", list},
        {L"l", list},
        {L"getactivescheme", getActive},
        {L"query", [](const Args& x) { return query(kSchemesPath, x); }},
        {L"q", [](const Args& x) { return query(kSchemesPath, x); }},
        {L"querydefaults",
         [](const Args& x) { return query(std::wstring(p::kSimPath) + L"\\DefaultSchemes", x); }},
        {L"?", help},
        {L"help", help},
    };
    auto it = verbs.find(sim::lower(verb));
    return it == verbs.end() ? usage() : it->second(a);
}

}  // namespace

// An observer's note for the tests: registries loaded under HKEY_USERS by a program (any name that is no
// account's and not the default user's) while this powercfg runs.
void logForeignHives() {
    HKEY users = HKEY_USERS;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = 256;
        if (RegEnumKeyExW(users, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (_wcsnicmp(name, L"S-1-", 4) != 0 && _wcsicmp(name, L".DEFAULT") != 0)
            sim::logLine(std::wstring(L"while powercfg ran, HKEY_USERS\\") + name + L" was loaded");
    }
}

int wmain() {
    const wchar_t* commandLine = GetCommandLineW();
    sim::logOrigin(L"powercfg", nullptr);
    sim::logLine(L"powercfg " + commandTail(commandLine));
    logForeignHives();
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(commandLine, &argc);
    if (!argv) return 1;
    Args args(argv + 1, argv + argc);
    LocalFree(argv);
    if (args.empty() || args[0].size() < 2 || (args[0][0] != L'-' && args[0][0] != L'/')) return usage();
    std::wstring verb = args[0].substr(1);
    args.erase(args.begin());
    if (_wcsicmp(verb.c_str(), L"query") == 0 && !args.empty() && _wcsicmp(args[0].c_str(), L"all") == 0)
        args.erase(args.begin());
    return dispatch(verb, args);
}
