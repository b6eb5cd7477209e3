#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string>
#include <utility>

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
        // one symbol a field, distinct, as the fit names its parameters
        EXPECT_EQ(s.symbols.size(), s.captions.size()) << s.name;
        EXPECT_EQ(std::set<std::string_view>(s.symbols.begin(), s.symbols.end()).size(), s.symbols.size()) << s.name;
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

// Keys are released names: a change here breaks users' scripts.
TEST(Catalogue, KeysAreReleasedNamesFoundExactly)
{
    const char* const keys[] = {"sphere",
                                "vertical-cylinder",
                                "vertical-ellipse",
                                "vertical-spherical-heads",
                                "vertical-elliptic-heads",
                                "vertical-cone-heads",
                                "vertical-frustum-heads",
                                "vertical-torispherical-heads",
                                "horizontal-cylinder",
                                "horizontal-ellipse",
                                "horizontal-spherical-heads",
                                "horizontal-elliptic-heads",
                                "horizontal-cone-heads",
                                "horizontal-frustum-heads",
                                "horizontal-torispherical-heads",
                                "box",
                                "rounded-box",
                                "d-tank",
                                "inclined-cylinder",
                                "inclined-ellipse",
                                "inclined-spherical-heads",
                                "inclined-elliptic-heads",
                                "inclined-cone-heads",
                                "inclined-frustum-heads",
                                "inclined-torispherical-heads",
                                "inclined-box"};
    static_assert(std::size(keys) == tarvol::kShapeCount);
    for (int k = 0; k < tarvol::kShapeCount; ++k) {
        EXPECT_EQ(tarvol::shape(k).key, keys[k]) << k;
        EXPECT_EQ(tarvol::findShapeByKey(keys[k]), k);
    }
    EXPECT_FALSE(tarvol::findShapeByKey("Sphere").has_value());
    EXPECT_FALSE(tarvol::findShapeByKey("0").has_value());
}

// Each inclined shape tilts the horizontal shape of the same fields, and runs on that twin's code alone.
TEST(Catalogue, InclinedShapesDispatchToTheirTwins)
{
    const std::pair<const char*, const char*> twins[] = {
        {"inclined-cylinder", "horizontal-cylinder"},
        {"inclined-ellipse", "horizontal-ellipse"},
        {"inclined-spherical-heads", "horizontal-spherical-heads"},
        {"inclined-elliptic-heads", "horizontal-elliptic-heads"},
        {"inclined-cone-heads", "horizontal-cone-heads"},
        {"inclined-frustum-heads", "horizontal-frustum-heads"},
        {"inclined-torispherical-heads", "horizontal-torispherical-heads"},
        {"inclined-box", "box"},
    };
    int inclined = 0;
    for (int k = 0; k < tarvol::kShapeCount; ++k)
        inclined += tarvol::shape(k).group == tarvol::Group::Inclined;
    EXPECT_EQ(inclined, static_cast<int>(std::size(twins)));
    for (const auto& [tiltedKey, twinKey] : twins) {
        const auto& tilted = tarvol::shape(*tarvol::findShapeByKey(tiltedKey));
        ASSERT_TRUE(tilted.twin.has_value()) << tiltedKey;
        const auto& twin = tarvol::shape(*tilted.twin);
        EXPECT_EQ(twin.key, twinKey);
        EXPECT_EQ(twin.group, tarvol::Group::Horizontal) << tiltedKey;
        EXPECT_NE(twin.functions.tilt, nullptr) << twinKey;
        ASSERT_EQ(tilted.captions.size(), twin.captions.size() + 2) << tiltedKey;
        EXPECT_EQ(tilted.captions.back(), "От нижнего края до уровнемера (B)") << tiltedKey;
    }
    for (int k = 0; k < tarvol::kShapeCount; ++k) {
        const auto& s = tarvol::shape(k);
        EXPECT_EQ(s.twin.has_value(), s.group == tarvol::Group::Inclined) << k;
        EXPECT_EQ(s.functions.run == nullptr, s.group == tarvol::Group::Inclined) << k;
    }
}

} // namespace
