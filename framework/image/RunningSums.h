#pragma once
// Running sums over one line of samples that an edge mode extends beyond the line's ends: the
// forward sum F and its sum S, the backward sum B and its sum T, and the three interval means
// built from them. Positions lo … hi are stored; beyond them every edge mode repeats itself
// with a period, which gives F, S, B and T at any further position in closed form, so a window
// far longer than the line needs no longer buffers.

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace quorvane {

class RunningSums {
public:
    enum Kind { Forward = 0, ForwardSecond = 1, Backward = 2, BackwardSecond = 3 };

    // Four buffers of at least (hi − lo + 1) × 4 doubles and one of hi − lo + 1 counts.
    // Positions lo … hi must reach at least 2 × period + 1 positions beyond either end of the
    // line whenever positions beyond them are read.
    RunningSums(double* forward, double* forwardSecond, double* backward, double* backwardSecond,
                std::int64_t* nonzero)
        : arrays_{forward, forwardSecond, backward, backwardSecond}, nonzero_(nonzero)
    {
    }

    // Where the caller puts sample p (channels a, r, g, b) before build: at samples() + 4 (p − lo).
    double* samples() const { return arrays_[Forward]; }

    // F(i) = F(i − 1) + s(i), S(i) = S(i − 1) + F(i), B(i) = B(i + 1) + s(i),
    // T(i) = T(i + 1) + B(i), all 0 outside lo … hi.
    void build(std::int64_t lo, std::int64_t hi, std::int64_t period)
    {
        lo_ = lo;
        hi_ = hi;
        period_ = period;
        const std::size_t count = static_cast<std::size_t>(hi - lo + 1);
        double* f = arrays_[Forward];
        double* s = arrays_[ForwardSecond];
        double* b = arrays_[Backward];
        double* t = arrays_[BackwardSecond];
        const std::size_t last = 4 * (count - 1);
        std::int64_t seen = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const double* sample = f + 4 * i;
            seen += sample[0] != 0 || sample[1] != 0 || sample[2] != 0 || sample[3] != 0;
            nonzero_[i] = seen;
        }
        for (int c = 0; c < 4; ++c)
            b[last + c] = f[last + c];
        for (std::size_t i = last; i > 0; i -= 4)
            for (int c = 0; c < 4; ++c)
                b[i - 4 + c] = b[i + c] + f[i - 4 + c];
        for (std::size_t i = 4; i <= last; i += 4)
            for (int c = 0; c < 4; ++c)
                f[i + c] = f[i - 4 + c] + f[i + c];
        for (int c = 0; c < 4; ++c)
            s[c] = f[c];
        for (std::size_t i = 4; i <= last; i += 4)
            for (int c = 0; c < 4; ++c)
                s[i + c] = s[i - 4 + c] + f[i + c];
        for (int c = 0; c < 4; ++c)
            t[last + c] = b[last + c];
        for (std::size_t i = last; i > 0; i -= 4)
            for (int c = 0; c < 4; ++c)
                t[i - 4 + c] = t[i + c] + b[i - 4 + c];
    }

    // Whether any sample at positions first … last is nonzero. Beyond the stored positions the
    // edge mode repeats the whole line, so there any nonzero sample of it counts.
    bool anyNonzero(std::int64_t first, std::int64_t last) const
    {
        if (first < lo_ || last > hi_)
            return nonzero_[hi_ - lo_] > 0;
        return nonzero_[last - lo_] - (first > lo_ ? nonzero_[first - 1 - lo_] : 0) > 0;
    }

    double at(Kind kind, std::int64_t i, int c) const
    {
        if (i >= lo_ && i <= hi_)
            return stored(kind, i, c);
        return i > hi_ ? beyondHigh(kind, i, c) : beyondLow(kind, i, c);
    }

    // (1 − φ) X(⌊t⌋) + φ X(⌊t⌋ + 1), φ = t − ⌊t⌋.
    double interpolate(Kind kind, double t, int c) const
    {
        const double whole = std::floor(t);
        const double phi = t - whole;
        const auto i = static_cast<std::int64_t>(whole);
        return (1 - phi) * at(kind, i, c) + phi * at(kind, i + 1, c);
    }

    // True when positions first … last are all stored, so that Stored may read them.
    bool stores(std::int64_t first, std::int64_t last) const { return first >= lo_ && last <= hi_; }

    // The same interpolation for positions known to be stored.
    class Stored {
    public:
        explicit Stored(const RunningSums& sums) : sums_(sums) {}
        double interpolate(Kind kind, double t, int c) const
        {
            const double whole = std::floor(t);
            const double phi = t - whole;
            const double* x = sums_.arrays_[kind] + 4 * static_cast<std::size_t>(static_cast<std::int64_t>(whole) - sums_.lo_) + c;
            return (1 - phi) * x[0] + phi * x[4];
        }

    private:
        const RunningSums& sums_;
    };

private:
    double stored(Kind kind, std::int64_t i, int c) const
    {
        return arrays_[kind][4 * static_cast<std::size_t>(i - lo_) + c];
    }

    // Beyond hi: k whole periods on from a stored position ib; one period of s adds sigma to F
    // (and takes it from B), and each further period of F (or B) adds period × sigma more.
    double beyondHigh(Kind kind, std::int64_t i, int c) const
    {
        const std::int64_t P = period_;
        const std::int64_t k = (i - hi_ + P - 1) / P;
        const std::int64_t ib = i - k * P;
        const double kd = static_cast<double>(k);
        const double sigma = stored(Forward, hi_, c) - stored(Forward, hi_ - P, c);
        const double ramp = static_cast<double>(P) * sigma * (kd * (kd + 1) * 0.5);
        switch (kind) {
        case Forward:
            return stored(Forward, ib, c) + kd * sigma;
        case ForwardSecond: {
            const double q = stored(ForwardSecond, ib, c) - stored(ForwardSecond, ib - P, c);
            return stored(ForwardSecond, ib, c) + kd * q + ramp;
        }
        case Backward:
            return stored(Backward, ib, c) - kd * sigma;
        default: {
            const double q = stored(BackwardSecond, ib - P, c) - stored(BackwardSecond, ib, c);
            return stored(BackwardSecond, ib, c) - kd * q + ramp;
        }
        }
    }

    // Before lo: the same, k whole periods back from a stored position ib.
    double beyondLow(Kind kind, std::int64_t i, int c) const
    {
        const std::int64_t P = period_;
        const std::int64_t k = (lo_ - i + P - 1) / P;
        const std::int64_t ib = i + k * P;
        const double kd = static_cast<double>(k);
        const double sigma = stored(Forward, lo_ + P, c) - stored(Forward, lo_, c);
        const double ramp = static_cast<double>(P) * sigma * (kd * (kd + 1) * 0.5);
        switch (kind) {
        case Forward:
            return stored(Forward, ib, c) - kd * sigma;
        case ForwardSecond: {
            const double q = stored(ForwardSecond, ib + P, c) - stored(ForwardSecond, ib, c);
            return stored(ForwardSecond, ib, c) - kd * q + ramp;
        }
        case Backward:
            return stored(Backward, ib, c) + kd * sigma;
        default: {
            const double q = stored(BackwardSecond, ib, c) - stored(BackwardSecond, ib + P, c);
            return stored(BackwardSecond, ib, c) + kd * q + ramp;
        }
        }
    }

    double* arrays_[4];
    std::int64_t* nonzero_;
    std::int64_t lo_ = 0;
    std::int64_t hi_ = -1;
    std::int64_t period_ = 1;
};

// The means read the sums through Reader: RunningSums itself (any position) or
// RunningSums::Stored (stored positions only, without the checks).

// Mean of the samples over [a, b] with equal weights.
template <class Reader>
[[gnu::always_inline]] inline double boxMean(const Reader& sums, double a, double b, int c)
{
    if (b - a <= 1)
        a = b - 1;
    return (sums.interpolate(RunningSums::Forward, b, c) - sums.interpolate(RunningSums::Forward, a, c)) /
           (b - a);
}

// Mean over [a, b] with weights falling from a to b.
template <class Reader>
[[gnu::always_inline]] inline double downMean(const Reader& sums, double a, double b, int c)
{
    if (b - a < 1)
        a = b - 1;
    const double n = std::floor(b - a);
    const double g = b - a - n;
    const double b1 = b - g;
    const double F_a = sums.interpolate(RunningSums::Forward, a, c);
    const double F_b1 = sums.interpolate(RunningSums::Forward, b1, c);
    const double F_b2 = sums.interpolate(RunningSums::Forward, b1 + 1, c);
    const double S_a = sums.interpolate(RunningSums::ForwardSecond, a, c);
    const double S_b1 = sums.interpolate(RunningSums::ForwardSecond, b1, c);
    return (S_b1 - S_a - n * F_a + (n + 1) * g * (F_b2 - F_b1)) / (n * (n + 1) / 2 + (n + 1) * g);
}

// Mean over [a, b] with weights rising from a to b.
template <class Reader>
[[gnu::always_inline]] inline double upMean(const Reader& sums, double a, double b, int c)
{
    if (b - a < 1)
        b = a + 1;
    const double n = std::floor(b - a);
    const double g = b - a - n;
    const double a1 = a + g;
    const double B_b = sums.interpolate(RunningSums::Backward, b, c);
    const double B_a0 = sums.interpolate(RunningSums::Backward, a1 - 1, c);
    const double B_a2 = sums.interpolate(RunningSums::Backward, a1 + 1, c);
    const double T_a1 = sums.interpolate(RunningSums::BackwardSecond, a1, c);
    const double T_b = sums.interpolate(RunningSums::BackwardSecond, b, c);
    return (T_a1 - T_b - n * B_b + (n + 1) * g * (B_a0 - B_a2) / 2) / (n * (n + 1) / 2 + (n + 1) * g);
}

} // namespace quorvane
