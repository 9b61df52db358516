#pragma once
// The built-in sample frame: a deterministic 1920 × 1080 picture generated in code, with
// something for every effect to work on: smooth gradients, a band of saturated hues, a
// centre disc with rings and a grid (for lenses, planes and zooms), fine checkers and noise
// (for blurs and mosaics), small very bright spots and thin bright lines on a dark band (for
// glows, streaks and blooms) and a partly transparent corner.

#include "ImageBuffer.h"

namespace quorvane {

constexpr int kSampleFrameWidth = 1920;
constexpr int kSampleFrameHeight = 1080;

// At depth 8, 16 or 32. In float the bright spots and lines go above 1 (up to 4); the integer
// depths clip them to full scale.
ImageBuffer sampleFrame(int depth);

} // namespace quorvane
