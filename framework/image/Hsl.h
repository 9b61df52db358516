#pragma once
// Conversions between RGB and HSL with the hue measured in sixths of a turn, [0, 6).

namespace quorvane {

struct Hsl {
    double h = 0;   // [0, 6)
    double s = 0;
    double l = 0;
};

struct Rgb {
    double r = 0;
    double g = 0;
    double b = 0;
};

// r, g, b nominally in 0..1. Colours beyond that range (float images) whose saturation
// denominator comes out 0 count as fully saturated instead of dividing by zero.
inline Hsl rgbToHsl(double r, double g, double b)
{
    const double mx = r > g ? (r > b ? r : b) : (g > b ? g : b);
    const double mn = r < g ? (r < b ? r : b) : (g < b ? g : b);
    Hsl out;
    out.l = (mx + mn) * 0.5;
    if (mx == mn)
        return out;
    const double d = mx - mn;
    const double denominator = out.l <= 0.5 ? mx + mn : 2 - mx - mn;
    out.s = denominator != 0 ? d / denominator : 1.0;
    if (r == mx)
        out.h = (g - b) / d;
    else if (g == mx)
        out.h = (b - r) / d + 2;
    else
        out.h = (r - g) / d + 4;
    if (out.h < 0)
        out.h += 6;
    // A hue a rounding step below 0 comes back as 6 after the turn; it is hue 0.
    if (out.h >= 6)
        out.h = 0;
    return out;
}

namespace detail {

inline double hueChannel(double m1, double m2, double h)
{
    if (h < 0)
        h += 6;
    else if (h > 6)
        h -= 6;
    if (h < 1)
        return m1 + (m2 - m1) * h;
    if (h < 3)
        return m2;
    if (h < 4)
        return m1 + (m2 - m1) * (4 - h);
    return m1;
}

} // namespace detail

// Each channel comes back rounded to single precision.
inline Rgb hslToRgb(double h, double s, double l)
{
    const double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
    const double m1 = 2 * l - m2;
    Rgb out;
    if (s == 0) {
        out.r = out.g = out.b = l;
    } else {
        out.r = detail::hueChannel(m1, m2, h + 2);
        out.g = detail::hueChannel(m1, m2, h);
        out.b = detail::hueChannel(m1, m2, h - 2);
    }
    out.r = static_cast<float>(out.r);
    out.g = static_cast<float>(out.g);
    out.b = static_cast<float>(out.b);
    return out;
}

} // namespace quorvane
