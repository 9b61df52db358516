#pragma once
// Conversion of computed doubles into stored channels.

#include <cmath>
#include <limits>
#include <type_traits>

namespace quorvane {

// Integer channels truncate toward zero. Values the type cannot hold (NaN, infinities, out of
// range) are saturated rather than converted, so no conversion is ever undefined; in-range
// values are unaffected. Float channels store the value as is.
template <class Channel>
inline Channel toChannel(double v)
{
    if constexpr (std::is_integral_v<Channel>) {
        if (!(v > 0))   // also NaN
            return 0;
        constexpr double top = static_cast<double>(std::numeric_limits<Channel>::max());
        if (v >= top)
            return std::numeric_limits<Channel>::max();
        return static_cast<Channel>(v);
    } else {
        return static_cast<Channel>(v);
    }
}

// Conversion to int for host values, coordinates and sizes: truncates toward zero, NaN gives 0,
// values beyond the int range saturate.
inline int truncateToInt(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return std::numeric_limits<int>::max();
    if (v <= -2147483648.0)
        return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

} // namespace quorvane
