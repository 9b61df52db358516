#include "TestImages.h"

#include <cstdint>

namespace quorvane::testing {

namespace {

std::uint32_t mixBits(std::uint32_t v)
{
    v ^= v >> 16;
    v *= 0x7FEB352Du;
    v ^= v >> 15;
    v *= 0x846CA68Bu;
    return v ^ (v >> 16);
}

} // namespace

ImageBuffer patternImage(int width, int height, int depth)
{
    ImageBuffer image(width, height, depth);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 4; ++c) {
                const std::uint32_t h = mixBits(static_cast<std::uint32_t>((y * width + x) * 4 + c));
                if (depth == 8)
                    image.row<Pixel8>(y)[x].channels[c] = static_cast<std::uint8_t>(h);
                else if (depth == 16)
                    image.row<Pixel16>(y)[x].channels[c] = static_cast<std::uint16_t>(h % 32769);
                else
                    image.row<PixelFloat>(y)[x].channels[c] =
                        c == 0 ? 1.0f / static_cast<float>(1 << (h % 3))
                               : static_cast<float>(h % 100000) / 40000.0f - 0.5f;
            }
    return image;
}

} // namespace quorvane::testing
