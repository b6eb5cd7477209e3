#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "calc/run.h"
#include "calc/shapes.h"

namespace tarvol {

enum class Group { Vertical = 0, Horizontal = 1, Inclined = 2 };

// One row of the catalogue: everything the window, the command line and the run know of a shape.
struct ShapeInfo {
    std::string_view name;
    std::string_view key; // stable Latin name for the command line; never changes once released
    Group group = Group::Vertical;
    std::string_view twinKey;                   // the key of the horizontal shape an inclined one tilts
    std::optional<int> twin;                    // twinKey's index, looked up when the catalogue is built
    std::span<const std::string_view> captions; // one per dimension field, in field order
    std::span<const std::string_view> symbols;  // each field's letters (D, L, A …), or its number where none
    bool checkValue = false;                    // the full volume is a check value, not an exact one
    bool outerDimensions = false;               // the fields are outer dimensions
    ShapeFunctions functions;                   // empty for an inclined shape, which runs through its twin's
};

inline constexpr int kShapeCount = 26;

const std::array<ShapeInfo, kShapeCount>& shapes();
const ShapeInfo& shape(int index);

// Exact, case-sensitive match against the catalogue names.
std::optional<int> findShape(std::string_view name);
std::optional<int> findShapeByKey(std::string_view key);

struct GroupRange {
    int first, last;
};
GroupRange groupRange(Group group); // the shapes of a group follow one another in the table
std::string_view groupName(Group group);

} // namespace tarvol
