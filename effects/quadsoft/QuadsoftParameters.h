#pragma once
// Quadsoft's controls: the only source of their labels, ids, defaults, ranges and short names.

#include "parameters/BoundParameters.h"

namespace quorvane {

class QuadsoftParameters : public xParameterList {
public:
    QuadsoftParameters();

    // Mode pop-up items.
    static constexpr int kModeNormal = 1;
    static constexpr int kModeExtended = 2;

    xFloat radius;
    xFloat aspect;
    xCheckbox gamma;
    xChoice edgeX;
    xChoice edgeY;
    xChoice mode;
    xCheckbox invertX;
    xCheckbox invertY;
    xLayer map;
    xChoice mapChannel;
    xFloat focus;
};

} // namespace quorvane
