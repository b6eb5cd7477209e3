#include "tank/measured.h"

namespace tarvol {

const ShapeInfo& shapeInfo(int shape)
{
    static const ShapeInfo measured = [] {
        ShapeInfo info;
        info.name = kMeasuredShapeName;
        info.key = kMeasuredShapeKey;
        info.group = Group::Vertical;
        return info;
    }();
    return isMeasuredShape(shape) ? measured : tarvol::shape(shape);
}

} // namespace tarvol
