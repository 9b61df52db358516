#pragma once
// Selection of picture parts by hue, saturation and luminance ranges, and the colour offset
// the selecting effects apply to their result.

#include <cmath>

#include "image/Hsl.h"
#include "image/Pixel.h"

namespace quorvane {

// What the effect reads from its selection and colour-offset controls. Starts and ends are
// fractions (control ÷ 255), offsets fractions of a turn (control ÷ 360). The defaults
// select everything with weight 1.
struct HslSelectionParams {
    bool selectionOnly = false;
    bool enabled = false;
    double hueStart = 0;
    double hueEnd = 1;
    double huePeak = 1;
    double hueSoftness = 0;
    double satStart = 0;
    double satEnd = 1;
    double satPeak = 1;
    double satSoftness = 0;
    double lumStart = 0;
    double lumEnd = 1;
    double lumPeak = 1;
    double lumSoftness = 0;
    double hueOffset = 0;
    double satOffset = 0;
    double lumOffset = 0;
};

// One component's range moved into [0, 1) by whole turns, with its ramp.
struct HslRangeCurve {
    double lo = 0;
    double hi = 0;
    double invWidth = 1;
    double peak = 1;       // 0..1
    double softness = 0;
};

struct HslSelectionCurve {
    bool enabled = false;
    HslRangeCurve hue;
    HslRangeCurve sat;
    HslRangeCurve lum;
};

inline HslRangeCurve prepareRangeCurve(double start, double end, double offset, double peak,
                                       double softness)
{
    HslRangeCurve c;
    c.lo = offset + (start < end ? start : end);
    c.hi = offset + (start < end ? end : start);
    // Whole turns off, as floor except that a negative whole number moves down by one more
    // (its lo lands on 1, not 0).
    const double whole = c.lo >= 0 ? std::trunc(c.lo) : std::trunc(c.lo - 1);
    c.lo -= whole;
    c.hi -= whole;
    if (c.hi >= c.lo + 1)
        c.hi = c.lo + 1.00001;   // the full circle
    c.invWidth = c.hi == c.lo ? 1 : 1 / (c.hi - c.lo);
    c.peak = (peak + 1) * 0.5;
    c.softness = softness;
    return c;
}

inline HslSelectionCurve prepareSelectionCurve(const HslSelectionParams& p)
{
    HslSelectionCurve curve;
    curve.enabled = p.enabled;
    curve.hue = prepareRangeCurve(p.hueStart, p.hueEnd, p.hueOffset, p.huePeak, p.hueSoftness);
    curve.sat = prepareRangeCurve(p.satStart, p.satEnd, p.satOffset, p.satPeak, p.satSoftness);
    curve.lum = prepareRangeCurve(p.lumStart, p.lumEnd, p.lumOffset, p.lumPeak, p.lumSoftness);
    return curve;
}

namespace detail {

// Values below the range get one more turn; v keeps the raised value for the ramp.
inline bool inRange(double& v, const HslRangeCurve& c)
{
    if (v < c.lo) {
        v += 1;
        return v < c.hi;
    }
    return v <= c.hi;
}

inline double rampFactor(double v, const HslRangeCurve& c)
{
    const double x = (v - c.lo) * c.invWidth;
    double f;
    if (c.peak > x)
        f = x / c.peak;
    else if (c.peak == 1)
        f = 1;
    else
        f = 1 - (x - c.peak) / (1 - c.peak);
    // Guards the power against a base a rounding step below 0.
    return f > 0 ? std::pow(f, c.softness) : 0.0;
}

} // namespace detail

// Weight 0..1 of a premultiplied layer pixel.
template <class Pixel>
double selectionWeight(const Pixel& pixel, const HslSelectionCurve& curve)
{
    if (!curve.enabled)
        return 0;
    constexpr double max = Pixel::MAX;
    const Hsl hsl = rgbToHsl(pixel.red() / max, pixel.green() / max, pixel.blue() / max);
    double h = 0.16666666666666666 * hsl.h;
    double s = hsl.s;
    double l = hsl.l;
    if (!detail::inRange(h, curve.hue) || !detail::inRange(s, curve.sat) ||
        !detail::inRange(l, curve.lum))
        return 0;
    double weight = 1;
    if (curve.hue.softness > 0)
        weight *= detail::rampFactor(h, curve.hue);
    if (curve.sat.softness > 0)
        weight *= detail::rampFactor(s, curve.sat);
    if (curve.lum.softness > 0)
        weight *= detail::rampFactor(l, curve.lum);
    return weight;
}

namespace detail {

// Offsets beyond their controls' range -1..1 (or NaN) would turn the saturation boost's
// powers infinite; they are held to the range.
inline double limitOffset(double v)
{
    if (std::isnan(v))
        return 0;
    return v < -1 ? -1 : (v > 1 ? 1 : v);
}

} // namespace detail

// Turns the hue, boosts or cuts the saturation and lifts or lowers the lightness of a
// straight colour in 0..Max; alpha is left alone.
template <int Max>
void applyColourOffset(Channels& colour, double hueOffset, double satOffset, double lumOffset)
{
    hueOffset = detail::limitOffset(hueOffset);
    satOffset = detail::limitOffset(satOffset);
    lumOffset = detail::limitOffset(lumOffset);
    const double r = colour.r / Max;
    const double g = colour.g / Max;
    const double b = colour.b / Max;
    Hsl hsl = rgbToHsl(r, g, b);

    // Greys get almost no boost; satOffset 1 saturates fully.
    double amount = satOffset;
    if (satOffset > 0) {
        const double rb = std::fabs(r - b);
        const double rg = std::fabs(r - g);
        const double gb = std::fabs(g - b);
        const double chroma = rb > rg ? (rb > gb ? rb : gb) : (rg > gb ? rg : gb);
        const double p1 = std::pow(satOffset, 1e8);
        const double p2 = std::pow(1e-8, chroma);
        amount = (1 - p2) * satOffset * (1 - p1) + p1 * satOffset;
    }
    if (hsl.h != 0) {
        if (amount > 0)
            hsl.s = hsl.s + (1 - hsl.s) * amount;
        else
            hsl.s = hsl.s * (1 + amount);
    }
    hsl.h = hsl.h + 3 * hueOffset;
    if (hsl.h > 6)
        hsl.h -= 6;
    if (hsl.h < 0)
        hsl.h += 6;

    const Rgb rgb = hslToRgb(hsl.h, hsl.s, hsl.l);
    auto lift = [lumOffset](double c) {
        return lumOffset < 0 ? c * (1 + lumOffset) : c + (1 - c) * lumOffset;
    };
    colour.r = lift(rgb.r) * Max;
    colour.g = lift(rgb.g) * Max;
    colour.b = lift(rgb.b) * Max;
}

} // namespace quorvane
