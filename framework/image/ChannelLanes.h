#pragma once
// Four double channels (a, r, g, b) as two SSE2 lanes of two. Every operation works lane by lane
// in the order written, so results equal the same expression written per channel.

#include <cstring>

namespace quorvane {

using DoublePair = double __attribute__((vector_size(16)));

struct ChannelLanes {
    DoublePair low;    // a, r
    DoublePair high;   // g, b

    static ChannelLanes load(const double* p)
    {
        ChannelLanes v;
        std::memcpy(&v.low, p, sizeof v.low);
        std::memcpy(&v.high, p + 2, sizeof v.high);
        return v;
    }
    static ChannelLanes zero() { return {DoublePair{0, 0}, DoublePair{0, 0}}; }
    void store(double* p) const
    {
        std::memcpy(p, &low, sizeof low);
        std::memcpy(p + 2, &high, sizeof high);
    }
    double operator[](int c) const { return c < 2 ? low[c] : high[c - 2]; }
};

inline ChannelLanes operator+(ChannelLanes a, ChannelLanes b) { return {a.low + b.low, a.high + b.high}; }
inline ChannelLanes operator-(ChannelLanes a, ChannelLanes b) { return {a.low - b.low, a.high - b.high}; }
inline ChannelLanes operator*(double s, ChannelLanes a) { return {s * a.low, s * a.high}; }

static_assert(sizeof(ChannelLanes) == 4 * sizeof(double));

} // namespace quorvane
