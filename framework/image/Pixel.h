#pragma once
// One pixel: channel layout, channel type, value range. Channels lie in memory as alpha,
// red, green, blue (and an optional float weight after blue).

#include <cstdint>
#include <type_traits>

namespace quorvane {

// Memory index of each channel.
template <int Red, int Green, int Blue, int Alpha>
struct LayoutRGBAPixel {
    static constexpr int red = Red;
    static constexpr int green = Green;
    static constexpr int blue = Blue;
    static constexpr int alpha = Alpha;
};

using HostLayout = LayoutRGBAPixel<1, 2, 3, 0>;

// Channel layout, channel type, a switch that is 1 throughout, a switch for the fifth weight
// channel, and the full-scale value MAX.
template <class Layout, class Channel, int Switch, int WeightChannel, int Max>
struct PixelRGB {
    using layout_type = Layout;
    using channel_type = Channel;
    static constexpr int MAX = Max;
    static constexpr bool hasWeight = WeightChannel != 0;
    static constexpr int channelCount = 4 + (WeightChannel != 0 ? 1 : 0);
    static constexpr bool isInteger = std::is_integral_v<Channel>;

    Channel channels[channelCount];

    Channel& alpha() { return channels[Layout::alpha]; }
    Channel& red() { return channels[Layout::red]; }
    Channel& green() { return channels[Layout::green]; }
    Channel& blue() { return channels[Layout::blue]; }
    const Channel& alpha() const { return channels[Layout::alpha]; }
    const Channel& red() const { return channels[Layout::red]; }
    const Channel& green() const { return channels[Layout::green]; }
    const Channel& blue() const { return channels[Layout::blue]; }
};

using Pixel8 = PixelRGB<HostLayout, std::uint8_t, 1, 0, 255>;
using Pixel16 = PixelRGB<HostLayout, std::uint16_t, 1, 0, 32768>;
using PixelFloat = PixelRGB<HostLayout, float, 1, 0, 1>;
// Float working pixels of the 8-bit and 16-bit paths.
using PixelFloat255 = PixelRGB<HostLayout, float, 1, 0, 255>;
using PixelFloat32768 = PixelRGB<HostLayout, float, 1, 0, 32768>;
// Float accumulation pixels with a weight channel.
using PixelWeighted255 = PixelRGB<HostLayout, float, 1, 1, 255>;
using PixelWeighted32768 = PixelRGB<HostLayout, float, 1, 1, 32768>;
using PixelWeightedFloat = PixelRGB<HostLayout, float, 1, 1, 1>;
// Double accumulators inside filters, of the image's MAX.
template <int Max>
using AccumulatorPixel = PixelRGB<HostLayout, double, 1, 0, Max>;

static_assert(sizeof(Pixel8) == 4 && sizeof(Pixel16) == 8 && sizeof(PixelFloat) == 16);
static_assert(sizeof(PixelWeighted255) == 20);

// Four channel values in double precision, the form per-pixel arithmetic works in.
struct Channels {
    double a = 0;
    double r = 0;
    double g = 0;
    double b = 0;
};

template <class Pixel>
Channels readChannels(const Pixel& p)
{
    return {static_cast<double>(p.alpha()), static_cast<double>(p.red()),
            static_cast<double>(p.green()), static_cast<double>(p.blue())};
}

} // namespace quorvane
