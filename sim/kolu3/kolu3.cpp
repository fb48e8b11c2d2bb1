// Stand-in for the maker's firmware-call library: answers the quick-resume requests from a registry-held
// firmware state, so the settings program can be driven through every outcome.
#include "../common/simcommon.h"

#include <cstdio>

namespace {

const wchar_t kFirmwareKey[] = L"SOFTWARE\\CorvaneSim\\Firmware";
const unsigned short kSignature = 0x5843;
const unsigned char kProbe = 0x0B, kSwitch = 0x6E;

DWORD setting(const sim::RegKey& key, const wchar_t* name, DWORD fallback) {
    DWORD value = fallback;
    if (key) key.readDword(name, value);
    return value;
}

bool has(const sim::RegKey& key, const wchar_t* name, DWORD& value) {
    return key && key.readDword(name, value);
}

}  // namespace

extern "C" int InitBIOSInterface(void) {
    sim::RegKey key = sim::RegKey::open(HKEY_LOCAL_MACHINE, kFirmwareKey);
    int status = static_cast<int>(setting(key, L"InitStatus", 0));
    sim::logLine(L"KOLU3 init status=" + std::to_wstring(status));
    return status;
}

extern "C" int CallBIOSInterfaceEx(unsigned short signature, unsigned char function, unsigned char* block) {
    sim::RegKey key = sim::RegKey::open(HKEY_LOCAL_MACHINE, kFirmwareKey);
    unsigned char request = block ? block[0] : 0;
    int status = 0;
    bool answers = false;
    unsigned char answer = 0xFF;
    DWORD newMode = 0, forced = 0;
    bool switches = false;

    if (signature != kSignature) {
        status = 1;
    } else if (function == kProbe) {
        answers = true;
        bool present = setting(key, L"Present", 1) != 0;
        if (has(key, L"ProbeAnswer", forced))
            answer = static_cast<unsigned char>(forced);
        else
            answer = present && request == 0x20 ? 0x00 : 0xFF;
    } else if (function == kSwitch) {
        answers = true;
        if (has(key, L"SwitchAnswer", forced)) {
            answer = static_cast<unsigned char>(forced);
        } else if (request == 0x81 || request == 0x80) {
            newMode = request == 0x81 ? 1 : 0;
            answer = static_cast<unsigned char>(newMode);
            switches = true;
        }
    } else {
        status = 3;
    }

    DWORD forcedStatus = setting(key, L"CallStatus", 0);
    if (forcedStatus != 0) {
        status = static_cast<int>(forcedStatus);
        answers = answers && setting(key, L"CallStatusAnswers", 0) != 0;
    }
    if (answers && block) {
        block[0] = answer;
        // The firmware keeps the mode across reboots; so does the registry.
        if (switches) sim::RegKey::create(HKEY_LOCAL_MACHINE, kFirmwareKey).writeDword(L"Mode", newMode);
    }

    wchar_t line[128];
    swprintf(line, ARRAYSIZE(line), L"KOLU3 call sig=0x%04X fn=0x%02X req=0x%02X status=%d answer=0x%02X",
             signature, function, request, status, block ? block[0] : 0);
    sim::logLine(line);
    return status;
}
