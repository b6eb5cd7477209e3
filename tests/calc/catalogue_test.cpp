#include <gtest/gtest.h>

#include <set>
#include <string>

#include "calc/catalogue.h"

namespace {

TEST(Catalogue, NamesAreDistinctAndFoundExactly)
{
    std::set<std::string_view> names;
    for (int k = 0; k < tarvol::kShapeCount; ++k) {
        const auto& s = tarvol::shape(k);
        EXPECT_TRUE(names.insert(s.name).second) << s.name;
        EXPECT_EQ(tarvol::findShape(s.name), k);
        EXPECT_GE(s.captions.size(), 1u);
        EXPECT_LE(s.captions.size(), 8u);
    }
    EXPECT_FALSE(tarvol::findShape("сферическая ёмкость").has_value());
    EXPECT_FALSE(tarvol::findShape("Сферическая емкость").has_value()); // е instead of ё
    EXPECT_FALSE(tarvol::findShape("").has_value());
}

TEST(Catalogue, GroupsAreContiguousRuns)
{
    for (auto g : {tarvol::Group::Vertical, tarvol::Group::Horizontal, tarvol::Group::Inclined}) {
        const auto range = tarvol::groupRange(g);
        for (int k = 0; k < tarvol::kShapeCount; ++k)
            EXPECT_EQ(tarvol::shape(k).group == g, k >= range.first && k <= range.last) << k;
    }
    EXPECT_EQ(tarvol::shape(tarvol::groupRange(tarvol::Group::Horizontal).first + 8).name,
              "Прямоугольная емкость со скруглёнными краями");
}

TEST(Catalogue, CheckValuesAndSpellings)
{
    for (int k = 0; k < tarvol::kShapeCount; ++k)
        EXPECT_EQ(tarvol::shape(k).checkValue, k == 7 || k == 14 || k == 17 || k == 24) << k;
    EXPECT_EQ(tarvol::shape(0).captions[0], "Внутренний диаметр ёмкости (D)");
    EXPECT_EQ(tarvol::shape(1).captions[1], "Внутренний диаметр емкости (D)");
    EXPECT_EQ(tarvol::shape(24).captions.size(), 8u);
    EXPECT_EQ(tarvol::shape(21).captions[4], "Разность высот цилиндрической части (A)");
    EXPECT_EQ(tarvol::shape(25).captions[3], "Разность высот краёв емкости (A)");
}

} // namespace
