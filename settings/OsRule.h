// Which systems the settings program runs on. Pure, so it also builds natively.
#pragma once

struct OsSupport {
    int win7Client = 0;  // 6.1 workstation
    int vistaOrXP = 0;   // 6.0 workstation, or 5.1 of any product type
    int supported() const { return win7Client || vistaOrXP; }
};

// The rule for a version the platform reported: platform id, major and minor version, product type.
OsSupport EvaluateOSVersion(unsigned long platformId, unsigned long major, unsigned long minor,
                            unsigned char productType);
