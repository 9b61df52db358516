#pragma once
// Conversions between host values and the framework's numbers. Host records can carry any
// bit pattern, so every conversion to an integer saturates and never sees a NaN, and every
// division guards against a zero denominator.

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

#include "host/RenderDescriptors.h"
#include "host/ae/AeInterface.h"
#include "image/ChannelConversion.h"

namespace quorvane {

// A 64-bit intermediate brought back into the int range.
inline int saturateToInt(std::int64_t v)
{
    if (v > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (v < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

// numerator / denominator; a zero denominator stands for 1.
inline double rationalValue(PF_RationalScale scale)
{
    return scale.den == 0 ? static_cast<double>(scale.num)
                          : static_cast<double>(scale.num) / static_cast<double>(scale.den);
}

// A checked-out layer's pixel aspect: 1 when the host gives no denominator.
inline double layerPixelAspect(PF_RationalScale scale)
{
    return scale.den == 0 ? 1.0 : rationalValue(scale);
}

// size x numerator / denominator in integer arithmetic (a zero denominator stands for 1).
inline int scaledSize(A_long size, PF_RationalScale scale)
{
    const std::int64_t product = static_cast<std::int64_t>(size) * scale.num;
    return saturateToInt(scale.den == 0 ? product : product / static_cast<std::int64_t>(scale.den));
}

// 16.16 fixed point of a double, truncated toward zero and saturated.
inline PF_Fixed fixedFromDouble(double v) { return truncateToInt(v * 65536.0); }

inline double doubleFromFixed(PF_Fixed v) { return static_cast<double>(v) / 65536.0; }

// Rounds to single precision as the hardware does; values past the float range become
// infinities instead of an undefined conversion.
inline float toSinglePrecision(double v)
{
    // The midpoint between FLT_MAX and the next power of two rounds to infinity.
    constexpr double overflowAt = static_cast<double>(FLT_MAX) + 0x1p103;
    if (std::isnan(v))
        return std::numeric_limits<float>::quiet_NaN();
    if (v >= overflowAt)
        return std::numeric_limits<float>::infinity();
    if (v <= -overflowAt)
        return -std::numeric_limits<float>::infinity();
    if (v > FLT_MAX)
        return FLT_MAX;
    if (v < -FLT_MAX)
        return -FLT_MAX;
    return static_cast<float>(v);
}

// Host time divided by a step; no step gives 0.
inline double timeInSteps(double time, double step) { return step == 0 ? 0.0 : time / step; }

inline Rect toRect(const PF_LRect& r) { return Rect{r.left, r.right, r.top, r.bottom}; }
inline PF_LRect toHostRect(const Rect& r) { return PF_LRect{r.left, r.top, r.right, r.bottom}; }

inline int rectWidth(const Rect& r) { return saturateToInt(std::int64_t{r.right} - r.left); }
inline int rectHeight(const Rect& r) { return saturateToInt(std::int64_t{r.bottom} - r.top); }

// The rectangle grown by `margin` on every side, saturated at the int range.
inline Rect grownRect(const Rect& r, int margin)
{
    return Rect{saturateToInt(std::int64_t{r.left} - margin),
                saturateToInt(std::int64_t{r.right} + margin),
                saturateToInt(std::int64_t{r.top} - margin),
                saturateToInt(std::int64_t{r.bottom} + margin)};
}

} // namespace quorvane
