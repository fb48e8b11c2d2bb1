#include <gtest/gtest.h>

#include <climits>

#include "firmware/StatusTexts.h"

// Both tables whole. They differ where they should: 3 and 8 are named only for calls, 5 only for
// initialisation; every other code, negative ones included, falls to the table's last row.
TEST(StatusTexts, EachTableNamesItsCodesAndGivesEveryOtherItsLastRow) {
    const wchar_t initOther[] = L"ERROR! undefined internal InitKOLU Error";
    const wchar_t callOther[] = L"ERROR! undefined internal Setting KOLU Error";
    const struct {
        int status;
        const wchar_t* init;
        const wchar_t* call;
    } rows[] = {
        {1, L"ERROR! Kolu not supported", L"ERROR! Kolu not supported"},
        {2, L"ERROR! Tamblor driver load fail", L"ERROR! Tamblor driver load fail"},
        {3, initOther, L"ERROR! Function not supported"},
        {4, L"ERROR! Tamblor driver not installed", L"ERROR! Tamblor driver not installed"},
        {5, L"ERROR! \"KOLU\" mutex creation fail", callOther},
        {6, L"ERROR! Requesting Ownership of mutex fail", L"ERROR! Requesting Ownership of mutex fail"},
        {7, L"ERROR! Memio function call fail", L"ERROR! Memio function call fail"},
        {8, initOther, L"ERROR! Kolu not initialized yet"},
        {9, L"ERROR! Memory allication fail", L"ERROR! Memory allication fail"},
        {10, initOther, callOther},
        {100, initOther, callOther},
        {INT_MAX, initOther, callOther},
        {-1, initOther, callOther},
        {-4, initOther, callOther},
        {INT_MIN, initOther, callOther},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.init, InitStatusText(row.status)) << row.status;
        EXPECT_EQ(row.call, CallStatusText(row.status)) << row.status;
    }
}
