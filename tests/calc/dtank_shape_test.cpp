// Shape 17 as the user runs it: outer dimensions in, the inner tank's table out.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "calc/run.h"

namespace {

tarvol::RunOutcome run(std::vector<double> dims)
{
    tarvol::RunOptions o;
    o.decimalPlaces = 3;
    o.separator = ',';
    return tarvol::calculate(17, dims, o);
}

TEST(DTankShape, PlainOutlineIsRectangleAndHalfDisc)
{
    // L, S, R, RV, RB, RS, t
    const double L = 2000, S = 800, R = 300, t = 3;
    const auto out = run({L, S, R, 0, 0, 0, t});
    ASSERT_TRUE(out.ok()) << out.refusal()->message;
    const double r = R - t, length = L - 2 * t;
    const double area = (S - R - t) * 2 * r + 3.141592653589793 * r * r / 2;
    EXPECT_NEAR(out.result().trueVolume, area * length * 1e-6, 1e-9);
    EXPECT_EQ(out.result().totalHeight, 2 * r);
    EXPECT_EQ(out.result().outputStep, 59);
    EXPECT_LT(tarvol::errorPercent(out.result().sumVolume, out.result().trueVolume), 0.01);
}

TEST(DTankShape, ThickerWallsHoldLess)
{
    double previous = INFINITY;
    for (double t : {0.0, 2.0, 5.0, 10.0}) {
        const auto out = run({2000, 800, 300, 1500, 2000, 60, t});
        ASSERT_TRUE(out.ok()) << out.refusal()->message;
        EXPECT_LT(out.result().sumVolume, previous);
        EXPECT_LT(tarvol::errorPercent(out.result().sumVolume, out.result().trueVolume), 0.01);
        for (size_t k = 1; k < out.result().rows.size(); ++k)
            EXPECT_GE(out.result().rows[k].volumeValue, out.result().rows[k - 1].volumeValue);
        previous = out.result().sumVolume;
    }
}

TEST(DTankShape, RefusalsNameFieldAndLimit)
{
    const auto thin = run({2000, 800, 300, 0, 0, 0, 1000});
    ASSERT_FALSE(thin.ok());
    EXPECT_EQ(thin.refusal()->message, "Размеры указаны неверно!\nТолщина стенки ёмкости должна быть не больше 295 мм: "
                                       "внутри должно оставаться не менее 10 мм высоты."); // no inner height left

    const auto narrow = run({2000, 250, 300, 0, 0, 0, 3});
    ASSERT_FALSE(narrow.ok());
    EXPECT_EQ(narrow.refusal()->message,
              "Размеры указаны неверно!\nШирина ёмкости максимальная (S) должна быть не меньше 303 мм.");

    const auto shortTank = run({6, 800, 300, 0, 0, 0, 3});
    ASSERT_FALSE(shortTank.ok());
    EXPECT_EQ(shortTank.refusal()->message.rfind("Размеры указаны неверно!\nДлина ёмкости (L)", 0), 0u);
}

} // namespace
