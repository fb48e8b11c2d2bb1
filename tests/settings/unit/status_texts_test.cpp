#include <gtest/gtest.h>

#include "firmware/StatusTexts.h"

// The two tables differ: 3 and 8 are named only for calls, 5 only for initialisation.
TEST(StatusTexts, InitAndCallTablesDifferWhereTheyShould) {
    EXPECT_EQ(L"ERROR! undefined internal InitKOLU Error", InitStatusText(3));
    EXPECT_EQ(L"ERROR! undefined internal InitKOLU Error", InitStatusText(8));
    EXPECT_EQ(L"ERROR! \"KOLU\" mutex creation fail", InitStatusText(5));
    EXPECT_EQ(L"ERROR! Function not supported", CallStatusText(3));
    EXPECT_EQ(L"ERROR! Kolu not initialized yet", CallStatusText(8));
    EXPECT_EQ(L"ERROR! undefined internal Setting KOLU Error", CallStatusText(5));
}

TEST(StatusTexts, UnknownAndNegativeCodesFallToTheLastRow) {
    for (int status : {10, 100, -1, -9, 0x7FFFFFFF, static_cast<int>(0x80000000)}) {
        EXPECT_EQ(L"ERROR! undefined internal InitKOLU Error", InitStatusText(status)) << status;
        EXPECT_EQ(L"ERROR! undefined internal Setting KOLU Error", CallStatusText(status)) << status;
    }
}
