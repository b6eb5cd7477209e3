#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "calc/run.h"

namespace tarvol {

enum class Group { Vertical = 0, Horizontal = 1, Inclined = 2 };

struct PixelRect {
    int left, top, width, height;
};

using BranchFn = RunOutcome (*)(std::span<const double> dims, const RunOptions& options);

struct ShapeInfo {
    std::string_view name;
    Group group;
    std::span<const std::string_view> captions; // one per dimension field, in field order
    std::string_view thumbnail;                 // object name of the main window's picture
    PixelRect thumbnailRect;
    int viewerWidth, viewerHeight; // outer size of the drawing's window
    bool checkValue;               // the full volume is a check value, not an exact one
    bool outerDimensions;          // the fields are outer dimensions
    BranchFn branch;
};

inline constexpr int kShapeCount = 26;

const std::array<ShapeInfo, kShapeCount>& shapes();
const ShapeInfo& shape(int index);

// Exact, case-sensitive match against the catalogue names.
std::optional<int> findShape(std::string_view name);

struct GroupRange {
    int first, last;
};
GroupRange groupRange(Group group);
std::string_view groupName(Group group);

} // namespace tarvol
