#include "VelmoraCommand.h"

VelmoraCommand ReadVelmoraCommand(const std::wstring& tail) {
    const struct {
        const wchar_t* tail;
        VelmoraCommand command;
    } known[] = {
        {L"UNINSTALL", {VelmoraRun::kUninstall, 0, SwitchRoute::kCommand}},
        {L"UNINSTALL /package", {VelmoraRun::kPackageUninstall, 0, SwitchRoute::kPackage}},
        {L"ON", {VelmoraRun::kSwitch, 1, SwitchRoute::kCommand}},
        {L"OFF", {VelmoraRun::kSwitch, 0, SwitchRoute::kCommand}},
        {L"ON /package", {VelmoraRun::kSwitch, 1, SwitchRoute::kPackage}},
        {L"OFF /package", {VelmoraRun::kSwitch, 0, SwitchRoute::kPackage}},
        {L"ON /policy", {VelmoraRun::kSwitch, 1, SwitchRoute::kPolicy}},
        {L"OFF /policy", {VelmoraRun::kSwitch, 0, SwitchRoute::kPolicy}},
        {L"STATUS", {VelmoraRun::kStatus, 0, SwitchRoute::kCommand}},
    };
    for (const auto& k : known)
        if (tail == k.tail) return k.command;
    return VelmoraCommand{};
}

const wchar_t* RouteName(SwitchRoute route) {
    switch (route) {
        case SwitchRoute::kDialog:
            return L"dialog";
        case SwitchRoute::kCommand:
            return L"command";
        case SwitchRoute::kPackage:
            return L"package";
        case SwitchRoute::kPolicy:
            break;
    }
    return L"policy";
}
