#include "OsRule.h"

namespace {
constexpr unsigned long kPlatformNt = 2;   // VER_PLATFORM_WIN32_NT
constexpr unsigned char kWorkstation = 1;  // VER_NT_WORKSTATION
}  // namespace

OsSupport EvaluateOSVersion(unsigned long platformId, unsigned long major, unsigned long minor,
                            unsigned char productType) {
    OsSupport result;
    if (platformId != kPlatformNt || major <= 4) return result;
    const bool workstation = productType == kWorkstation;
    if (major == 6 && minor == 1 && workstation) result.win7Client = 1;
    if (major == 6 && minor == 0 && workstation) result.vistaOrXP = 1;
    if (major == 5 && minor == 1) result.vistaOrXP = 1;
    return result;
}
