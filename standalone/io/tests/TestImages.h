#pragma once
// Images built in code for the image and command tests.

#include "ImageBuffer.h"

namespace quorvane::testing {

// Values spread over the whole host range of the depth: 0..255, 0..32768, and floats below 0,
// within and above 1; alpha anywhere for the integer depths and 1/4, 1/2 or 1 in float (so
// premultiplying and dividing again is exact).
ImageBuffer patternImage(int width, int height, int depth);

} // namespace quorvane::testing
