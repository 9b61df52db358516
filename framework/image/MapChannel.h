#pragma once
// The map value that modulates a blur's radius: one channel of a map image scaled to 0..1.

#include "image/MultImageFilter.h"
#include "image/PixelArray.h"

namespace quorvane {

enum MapChannel {
    MapLuminance = 1,
    MapAlpha = 2,
    MapRed = 3,
    MapGreen = 4,
    MapBlue = 5,   // any other value reads blue too
};

// The channel's value of one map pixel divided by MAX. Float maps may hold anything, so the
// result is limited to 0..1 (NaN gives 0): a radius never grows beyond the one set.
template <class Pixel>
double mapChannelValue(const Pixel& pixel, int channel)
{
    constexpr double max = Pixel::MAX;
    const Channels c = readChannels(pixel);
    double value;
    switch (channel) {
    case MapLuminance:
        value = (kLumaRed * c.r + kLumaGreen * c.g + kLumaBlue * c.b) * c.a / max;
        break;
    case MapAlpha:
        value = c.a;
        break;
    case MapRed:
        value = c.r;
        break;
    case MapGreen:
        value = c.g;
        break;
    default:
        value = c.b;
        break;
    }
    value /= max;
    if (!(value > 0))
        return 0;
    return value < 1 ? value : 1;
}

// True when the map holds a pixel at (x, y) of its own pixels.
template <class MapArray>
bool mapCovers(const MapArray& map, int x, int y)
{
    return map.valid && map.hasPixels() && map.contains(x, y);
}

} // namespace quorvane
