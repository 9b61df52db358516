#pragma once
// The one place where colours cross between straight and premultiplied storage.

#include "image/Pixel.h"

namespace quorvane {

// 1/MAX as written in the pipelines: 1/255, 2^-15, 1.
template <int Max>
constexpr double inverseMax()
{
    if constexpr (Max == 255)
        return 0.00392156862745098;
    else if constexpr (Max == 32768)
        return 0.000030517578125;
    else
        return 1.0 / Max;
}

// colour × (alpha × 1/MAX)
template <int Max>
inline void premultiply(Channels& c)
{
    const double factor = c.a * inverseMax<Max>();
    c.r *= factor;
    c.g *= factor;
    c.b *= factor;
}

// colour × (MAX / alpha) when alpha > 0; alpha 0 leaves the colour as it is.
template <int Max>
inline void unpremultiply(Channels& c)
{
    if (c.a > 0) {
        const double factor = Max / c.a;
        c.r *= factor;
        c.g *= factor;
        c.b *= factor;
    }
}

// Converts colour between the two storages when they differ.
template <int Max>
inline void convertPremultiplication(Channels& c, bool fromPremultiplied, bool toPremultiplied)
{
    if (fromPremultiplied == toPremultiplied)
        return;
    if (toPremultiplied)
        premultiply<Max>(c);
    else
        unpremultiply<Max>(c);
}

} // namespace quorvane
