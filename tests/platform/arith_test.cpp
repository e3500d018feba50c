#include "platform/core/arith.h"

#include <gtest/gtest.h>

using namespace galimo;

TEST(Arithmetic, RoundsHalfToEvenIncludingNegatives)
{
    struct Row {
        long double in;
        int64_t out;
    } rows[] = {{323.5L, 324}, {324.5L, 324}, {0.5L, 0}, {1.5L, 2}, {2.5L, 2}, {-0.5L, 0},
                {-1.5L, -2}, {-2.5L, -2}, {2.4999L, 2}, {-2.5001L, -3}, {157.5L, 158}, {154.5L, 154}};
    for (const Row& r : rows) EXPECT_EQ(RoundEven(r.in), r.out) << static_cast<double>(r.in);
}

TEST(Arithmetic, TruncatesAndDividesTowardZero)
{
    EXPECT_EQ(Truncate(89.99999L), 89);
    EXPECT_EQ(Truncate(-89.9L), -89);
    EXPECT_EQ(Div(7, 2), 3);
    EXPECT_EQ(Div(-7, 2), -3);
    EXPECT_EQ(Div(-1, 2), 0);
}

TEST(Arithmetic, MulDivRoundsToNearestWithA64BitProduct)
{
    EXPECT_EQ(MulDiv(100000, 100000, 100000), 100000);  // the product overflows 32 bits
    EXPECT_EQ(MulDiv(5, 3, 2), 8);                      // 7.5 rounds up
    EXPECT_EQ(MulDiv(-5, 3, 2), -8);
    EXPECT_EQ(MulDiv(1, 1, 3), 0);
    EXPECT_EQ(MulDiv(2, 1, 3), 1);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

TEST(Arithmetic, RatiosAreSinglePrecision)
{
    EXPECT_EQ(Ratio(480, 640), 0.75f);
    EXPECT_EQ(Ratio(640, 480), 1.3333334f);
    EXPECT_EQ(Ratio(400, 657), 0.6088280f);
}
