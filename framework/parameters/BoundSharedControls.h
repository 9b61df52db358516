#pragma once
// The shared control groups over the host-bound parameter classes, as a deliverable's
// parameter set holds them.

#include "parameters/BoundParameters.h"
#include "parameters/SharedControls.h"

namespace quorvane {

using BoundSharedControls = SharedControls<xGroup, xGroupEnd, xFloat, xAngle, xCheckbox, xLayer>;

} // namespace quorvane
