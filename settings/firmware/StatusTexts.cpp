#include "StatusTexts.h"

std::wstring InitStatusText(int status) {
    switch (status) {
        case 1:
            return L"ERROR! Kolu not supported";
        case 2:
            return L"ERROR! Tamblor driver load fail";
        case 4:
            return L"ERROR! Tamblor driver not installed";
        case 5:
            return L"ERROR! \"KOLU\" mutex creation fail";
        case 6:
            return L"ERROR! Requesting Ownership of mutex fail";
        case 7:
            return L"ERROR! Memio function call fail";
        case 9:
            return L"ERROR! Memory allication fail";
        default:
            return L"ERROR! undefined internal InitKOLU Error";
    }
}

std::wstring CallStatusText(int status) {
    switch (status) {
        case 1:
            return L"ERROR! Kolu not supported";
        case 2:
            return L"ERROR! Tamblor driver load fail";
        case 3:
            return L"ERROR! Function not supported";
        case 4:
            return L"ERROR! Tamblor driver not installed";
        case 6:
            return L"ERROR! Requesting Ownership of mutex fail";
        case 7:
            return L"ERROR! Memio function call fail";
        case 8:
            return L"ERROR! Kolu not initialized yet";
        case 9:
            return L"ERROR! Memory allication fail";
        default:
            return L"ERROR! undefined internal Setting KOLU Error";
    }
}
