#pragma once
// The 23 ways the selecting effects composite their image over the source, one pixel at a
// time. Operands are straight pixels of doubles, nominally 0..Max; the bottom pixel is
// overwritten with the result. The caller clamps afterwards: settle may leave colours above
// Max, and the maximum, minimum and replace modes pass the top pixel through as it is.

#include <algorithm>
#include <cmath>

#include "image/Hsl.h"
#include "image/MultImageFilter.h"
#include "image/Pixel.h"
#include "image/Premultiply.h"

namespace quorvane {

// Pop-up values (1-based item numbers); any value outside 1..22 acts as BlendReplace.
enum BlendMode {
    BlendNormal = 1,
    BlendMaximumInfluence,
    BlendScreen,
    BlendOverlay,
    BlendAdd,
    BlendSubtract,
    BlendMultiply,
    BlendDivide,
    BlendDifference,
    BlendExclusion,
    BlendLighten,
    BlendDarken,
    BlendMaximum,
    BlendMinimum,
    BlendHue,
    BlendSaturation,
    BlendColour,
    BlendLuminosity,
    BlendAlphaAdd,
    BlendAlphaSubtract,
    BlendAlphaMultiply,
    BlendAlphaReplace,
    BlendReplace,
};
constexpr int kBlendModeCount = BlendReplace;

// Turns a premultiplied result whose alpha may be below its colours back into a straight
// pixel: a colour above the alpha raises the alpha (to at most Max, leaving over-bright
// colours as they are).
template <int Max>
void settle(Channels& c)
{
    const double m = std::max({c.r, c.g, c.b});
    if (c.a < m) {
        if (m >= Max || m == 0) {
            c.a = Max;
        } else {
            c.a = m;
            const double factor = Max / m;
            c.r *= factor;
            c.g *= factor;
            c.b *= factor;
        }
        return;
    }
    unpremultiply<Max>(c);
}

// (0.292687786 R + 0.552149646 G + 0.155162568 B) × A / Max
template <int Max>
double blendLuma(const Channels& p)
{
    return (kLumaRed * p.r + kLumaGreen * p.g + kLumaBlue * p.b) * p.a / Max;
}

namespace detail {

template <class Op>
Rgb perChannel(const Rgb& x, const Rgb& y, Op op)
{
    return {op(x.r, y.r), op(x.g, y.g), op(x.b, y.b)};
}

inline double clampTo(double v, double top) { return std::clamp(v, 0.0, top); }

// Premultiplied operands and the factors every mode uses.
template <int Max>
struct BlendTerms {
    BlendTerms(const Channels& bottom, const Channels& top)
        : s(bottom.a / Max), g(top.a / Max),
          bottomColour{bottom.r * s, bottom.g * s, bottom.b * s},
          topColour{top.r * g, top.g * g, top.b * g}
    {
    }
    static constexpr double k = 1.0 / Max;
    double s;
    double g;
    Rgb bottomColour;   // S_c
    Rgb topColour;      // G_c
};

// (Ht, St, Lt) / (Hb, Sb, Lb) combined per component mode, then mixed over the bottom.
template <int Max>
Rgb componentBlend(const BlendTerms<Max>& t, int mode)
{
    constexpr double k = BlendTerms<Max>::k;
    const Rgb& sc = t.bottomColour;
    const Rgb& gc = t.topColour;
    const Hsl b = rgbToHsl(sc.r * k, sc.g * k, sc.b * k);
    const Hsl o = rgbToHsl(gc.r * k, gc.g * k, gc.b * k);
    Hsl chosen;
    switch (mode) {
    case BlendHue:
        chosen = {o.h, o.s == 0 ? 0 : b.s, b.l};
        break;
    case BlendSaturation:
        chosen = {b.h, o.s, b.l};
        break;
    case BlendColour:
        chosen = {o.h, o.s, b.l};
        break;
    default:   // luminosity: hue and lightness from the top
        chosen = {o.h, b.s, o.l};
        break;
    }
    const Rgb x = hslToRgb(chosen.h, chosen.s, chosen.l);
    const Rgb xc{x.r * Max, x.g * Max, x.b * Max};
    const double g = t.g;
    const double s = t.s;
    const Rgb mixed = perChannel(sc, xc, [g](double sv, double xv) { return sv + g * (xv - sv); });
    return perChannel(mixed, gc, [s](double mv, double gv) { return mv + gv * (1 - s); });
}

template <int Max>
Rgb colourOf(const BlendTerms<Max>& t, int mode, double topAlpha, const Rgb& topStraight)
{
    constexpr double k = BlendTerms<Max>::k;
    const Rgb& sc = t.bottomColour;
    const Rgb& gc = t.topColour;
    const double g = t.g;
    const double s = t.s;
    switch (mode) {
    case BlendMaximumInfluence: {
        const double largest = std::max({topStraight.r, topStraight.g, topStraight.b});
        const double o = 1 - topAlpha * largest * (k * k);
        return perChannel(sc, gc, [o](double sv, double gv) { return gv + o * (sv - gv); });
    }
    case BlendScreen:
        return perChannel(sc, gc, [](double sv, double gv) { return gv + sv * (1 - gv * k); });
    case BlendOverlay: {
        auto overlay = [g, s](double sv, double gv, double topValue) {
            double a = sv * k;
            double b = topValue * k;
            double w;
            if (a < 0.5) {
                w = 2 * a * b;
            } else {
                a = std::min(a, 1.0);
                b = std::min(b, 1.0);
                w = 1 - 2 * (1 - a) * (1 - b);
            }
            return sv + g * (w * Max - sv) + gv * (1 - s);
        };
        return {overlay(sc.r, gc.r, topStraight.r), overlay(sc.g, gc.g, topStraight.g),
                overlay(sc.b, gc.b, topStraight.b)};
    }
    case BlendAdd:
        return perChannel(sc, gc, [](double sv, double gv) { return sv + gv; });
    case BlendSubtract:
        return perChannel(sc, gc, [](double sv, double gv) { return std::max(sv - gv, 0.0); });
    case BlendMultiply: {
        auto multiply = [g, s](double sv, double gv, double topValue) {
            const double m = topValue * sv * k;
            return m + (1 - g) * (sv - m) + (1 - s) * gv;
        };
        return {multiply(sc.r, gc.r, topStraight.r), multiply(sc.g, gc.g, topStraight.g),
                multiply(sc.b, gc.b, topStraight.b)};
    }
    case BlendDivide:
        return perChannel(sc, gc, [g](double sv, double gv) {
            const double d = sv / (gv * k + 0.0001);
            return sv + g * (d - sv);
        });
    case BlendDifference:
        return perChannel(sc, gc, [](double sv, double gv) { return std::fabs(sv - gv); });
    case BlendExclusion:
        return perChannel(sc, gc, [](double sv, double gv) {
            return sv * (1 - gv * k) + gv * (1 - sv * k);
        });
    case BlendLighten:
        return perChannel(sc, gc, [](double sv, double gv) { return std::max(sv, gv); });
    case BlendDarken:
        return perChannel(sc, gc,
                          [g](double sv, double gv) { return sv + g * (std::min(sv, gv) - sv); });
    default:
        return componentBlend(t, mode);
    }
}

} // namespace detail

// Blends `top` over `bottom` (both straight) by the pop-up value `mode`.
template <int Max>
void blendPixel(Channels& bottom, const Channels& top, int mode)
{
    if (mode < BlendNormal || mode > BlendAlphaReplace) {
        bottom = top;
        return;
    }
    switch (mode) {
    case BlendMaximum:
        if (blendLuma<Max>(top) > blendLuma<Max>(bottom))
            bottom = top;
        return;
    case BlendMinimum:
        if (blendLuma<Max>(top) < blendLuma<Max>(bottom))
            bottom = top;
        return;
    case BlendAlphaAdd:
        bottom.a = detail::clampTo(bottom.a + blendLuma<Max>(top), Max);
        return;
    case BlendAlphaSubtract:
        bottom.a = std::max(bottom.a - blendLuma<Max>(top), 0.0);
        return;
    case BlendAlphaMultiply:
        bottom.a = detail::clampTo(blendLuma<Max>(top) * (1.0 / Max) * bottom.a, Max);
        return;
    case BlendAlphaReplace:
        bottom.a = detail::clampTo(blendLuma<Max>(top), Max);
        return;
    default:
        break;
    }

    const detail::BlendTerms<Max> t(bottom, top);
    if (mode == BlendNormal) {
        bottom.a = t.g * Max + (Max - top.a) * t.s;
        bottom.r = t.topColour.r + t.bottomColour.r * (1 - t.g);
        bottom.g = t.topColour.g + t.bottomColour.g * (1 - t.g);
        bottom.b = t.topColour.b + t.bottomColour.b * (1 - t.g);
        unpremultiply<Max>(bottom);
        return;
    }

    const Rgb colour = detail::colourOf(t, mode, top.a, Rgb{top.r, top.g, top.b});
    bottom.r = colour.r;
    bottom.g = colour.g;
    bottom.b = colour.b;
    switch (mode) {
    case BlendOverlay:
        bottom.a = detail::clampTo(bottom.a, Max);
        unpremultiply<Max>(bottom);
        return;
    case BlendMultiply:
    case BlendHue:
    case BlendSaturation:
    case BlendColour:
    case BlendLuminosity:
        bottom.a = bottom.a + top.a * (1 - t.s);
        break;
    default:
        break;   // alpha kept
    }
    settle<Max>(bottom);
}

} // namespace quorvane
