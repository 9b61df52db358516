#pragma once
// The geometry options of `render`: --downsample N or NX,NY (1 to 64) and --pixel-aspect R
// (a decimal such as 0.9091 or a fraction such as 10/11), as the host's rational scales.

#include <string>

#include "host/ae/AeInterface.h"

namespace quorvane {

struct Downsample {
    int x = 1;
    int y = 1;
};

// Throw UsageError for anything else.
Downsample parseDownsample(const std::string& text);
PF_RationalScale parsePixelAspect(const std::string& text);

} // namespace quorvane
