#pragma once
// Linear light: the curves between stored (gamma-encoded) channel values and the linear values
// that a blur averages, as formulas and as 32768-entry tables of floats.

#include <cmath>
#include <optional>

#include "image/HostBuffer.h"

namespace quorvane {

// Stored to linear on v = channel / MAX.
inline double decodeCurve(double v)
{
    if (v <= 0.081)
        return v * 0.2222222222222222;
    return std::pow((v + 0.099) * 0.9099181073703367, 2.2222222222222223);
}

// Linear to stored on v = channel / MAX. Its threshold differs in kind from decodeCurve's.
inline double encodeCurve(double v)
{
    if (v < 0.018)
        return 4.5 * v;
    return 1.099 * std::pow(v, 0.45) - 0.099;
}

template <int Max>
inline double decodeLinear(double channel)
{
    return decodeCurve(channel / Max) * Max;
}

template <int Max>
inline double encodeLinear(double channel)
{
    return encodeCurve(channel / Max) * Max;
}

constexpr int kLinearTableSize = 32768;

// Table position of a channel value: trunc(value × 32767 / MAX).
template <int Max>
constexpr double linearTableIndexFactor()
{
    if constexpr (Max == 255)
        return 128.49803921568628;
    else if constexpr (Max == 32768)
        return 0.999969482421875;
    else
        return 32767.0 / Max;
}

enum class LinearCurve { Decode, Encode };

// Entry i = curve(i × 2^-15) × MAX; with gamma off the curve is the identity, so the table still
// quantises the way the linear one does.
template <int Max>
void fillLinearTable(float* table, LinearCurve curve, bool gamma)
{
    for (int i = 0; i < kLinearTableSize; ++i) {
        const double v = i * 0.000030517578125;
        const double mapped = !gamma                         ? v
                              : curve == LinearCurve::Decode ? decodeCurve(v)
                                                             : encodeCurve(v);
        table[i] = static_cast<float>(mapped * Max);
    }
}

// Table position of a channel value; values outside the table's range (and NaN) take its ends.
template <int Max>
inline int linearTableIndex(double value)
{
    const double position = value * linearTableIndexFactor<Max>();
    if (!(position > 0))
        return 0;
    if (position >= kLinearTableSize - 1)
        return kLinearTableSize - 1;
    return static_cast<int>(position);
}

template <int Max>
inline double lookupLinear(const float* table, double value)
{
    return table[linearTableIndex<Max>(value)];
}

// One curve applied to stored values: the table when there is one, else the formula when gamma
// is on, else nothing.
template <int Max>
struct LinearLightCurve {
    const float* table = nullptr;
    bool gamma = false;
    LinearCurve curve = LinearCurve::Decode;

    double operator()(double channel) const
    {
        if (table)
            return lookupLinear<Max>(table, channel);
        if (!gamma)
            return channel;
        return curve == LinearCurve::Decode ? decodeLinear<Max>(channel) : encodeLinear<Max>(channel);
    }
};

// The decode and the encode table of the table form, from the host's allocate.
template <int Max>
class LinearLightTables {
public:
    // False when the host refused a table; what it gave goes back with this object.
    bool allocate(QuorvaneHost* host, bool gamma)
    {
        decode_.emplace(host, kLinearTableSize);
        if (!*decode_)
            return false;
        encode_.emplace(host, kLinearTableSize);
        if (!*encode_)
            return false;
        fillLinearTable<Max>(decode_->get(), LinearCurve::Decode, gamma);
        fillLinearTable<Max>(encode_->get(), LinearCurve::Encode, gamma);
        return true;
    }

    LinearLightCurve<Max> decoder() const { return {decode_->get(), true, LinearCurve::Decode}; }
    LinearLightCurve<Max> encoder() const { return {encode_->get(), true, LinearCurve::Encode}; }

private:
    std::optional<HostBuffer<float>> decode_;
    std::optional<HostBuffer<float>> encode_;
};

} // namespace quorvane
