// Each blur against a brute-force reference: direct weighted sums over every window, with the
// same edge rules, on small random images with fractional radii, every edge mode, gamma on and
// off, straight and premultiplied images. Integer depths agree within one unit of the last
// place; float within the tolerances stated at each filter, relative to max(1, |value|).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "image/AbberationBlurFilter.h"
#include "image/LinearLight.h"
#include "image/MapChannel.h"
#include "image/MaskedQuadsoftFilter.h"
#include "image/QuadsoftFilter.h"
#include "image/tests/BlurTestSupport.h"

namespace quorvane {
namespace {

using test::channelOf;
using test::CountingHost;
using test::TestImage;

// A curve as the reference applies it: a table filled the documented way, a formula, or none.
template <int Max>
struct ReferenceCurve {
    std::vector<float> table;
    bool formula = false;
    LinearCurve curve = LinearCurve::Decode;

    ReferenceCurve(LinearCurve which, bool tableForm, bool gamma) : curve(which)
    {
        if (tableForm) {
            table.resize(kLinearTableSize);
            fillLinearTable<Max>(table.data(), which, gamma);
        } else {
            formula = gamma;
        }
    }
    double operator()(double v) const
    {
        if (!table.empty())
            return lookupLinear<Max>(table.data(), v);
        if (!formula)
            return v;
        return curve == LinearCurve::Decode ? decodeLinear<Max>(v) : encodeLinear<Max>(v);
    }
};

int edgeIndex(int mode, int n, long long p)
{
    int i = static_cast<int>(p);
    resolveEdgeIndex(mode, n, i);
    return i;
}

// Block sums take wrap as p modulo n; everything else maps as resolveEdgeIndex does.
int blockIndex(int mode, int n, long long p)
{
    if (mode == EdgeWrap)
        return static_cast<int>(((p % n) + n) % n);
    return edgeIndex(mode, n, p);
}

struct Case {
    int width, height;
    double rx, ry;
    int modeX, modeY;
    bool gamma, sourcePremultiplied, destinationPremultiplied;
};

Case randomCase(std::mt19937& random, double minRadius, double maxRadius)
{
    const std::pair<int, int> sizes[] = {{7, 5}, {1, 6}, {6, 1}, {1, 1}, {4, 4}, {9, 3}};
    std::uniform_int_distribution<int> size(0, 5), mode(1, 3), flag(0, 1);
    std::uniform_real_distribution<double> radius(minRadius, maxRadius);
    const auto [w, h] = sizes[size(random)];
    auto pick = [&] { return flag(random) ? 0.0 : radius(random); };
    return {w, h, pick(), pick(), mode(random), mode(random), flag(random) == 1, flag(random) == 1,
            flag(random) == 1};
}

std::string describe(const Case& c)
{
    return std::to_string(c.width) + "x" + std::to_string(c.height) + " r " + std::to_string(c.rx) + "," +
           std::to_string(c.ry) + " modes " + std::to_string(c.modeX) + std::to_string(c.modeY) +
           " gamma " + std::to_string(c.gamma) + " premultiplied " + std::to_string(c.sourcePremultiplied) +
           std::to_string(c.destinationPremultiplied);
}

template <class Array>
void expectClose(const TestImage<Array>& actual, const std::vector<Channels>& expected, double floatTolerance,
                 const std::string& what)
{
    const double tolerance = test::unitTolerance<Array>(floatTolerance);
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x) {
            const Channels& e = expected[static_cast<std::size_t>(y) * actual.width() + x];
            const double want[4] = {e.a, e.r, e.g, e.b};
            // A float alpha of rounding size (exactly 0 in the reference) gives its straight
            // colour no weight; such colours are not compared.
            const bool weightless = !Array::pixel_type::isInteger && !actual.array().premultiplied &&
                                    want[0] < 1e-9 && channelOf(actual.at(x, y), 0) < 1e-9;
            for (int c = 0; c < (weightless ? 1 : 4); ++c)
                ASSERT_NEAR(channelOf(actual.at(x, y), c), want[c],
                            Array::pixel_type::isInteger ? tolerance : tolerance * std::max(1.0, std::fabs(want[c])))
                    << what << " at " << x << "," << y << " channel " << c << " alpha "
                    << channelOf(actual.at(x, y), 0) << " expected " << want[0];
        }
}

// What the store makes of a value: limits as each filter writes them, then truncation.
template <class Array>
double stored(double v, double low, double high)
{
    if (Array::pixel_type::isInteger)
        return std::floor(std::clamp(v, low, high));
    return static_cast<float>(std::clamp(v, low, high));
}

template <class Array>
class BlurReference : public ::testing::Test {};
TYPED_TEST_SUITE(BlurReference, test::Depths);

// ----- QuadsoftFilter: weights 1 within ⌊r⌋, r − ⌊r⌋ one further, product of both axes.

template <class Array, int precise>
std::vector<Channels> quadsoftReference(const TestImage<Array>& source, const Case& k)
{
    constexpr int MAX = Array::MAX;
    const bool tables = !precise;
    const ReferenceCurve<MAX> decode(LinearCurve::Decode, tables, k.gamma);
    const ReferenceCurve<MAX> encode(LinearCurve::Encode, tables, k.gamma);
    const int w = k.width, h = k.height;
    const double Rx = k.rx + 1, Ry = k.ry + 1;
    const int nx = static_cast<int>(std::floor(Rx)), ny = static_cast<int>(std::floor(Ry));
    const double fx = Rx - nx, fy = Ry - ny;
    const double norm = 1 / (2 * Rx - 1) * (1 / (2 * Ry - 1));
    std::vector<Channels> out;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double sum[4] = {0, 0, 0, 0};
            for (int dy = -ny; dy <= ny; ++dy) {
                for (int dx = -nx; dx <= nx; ++dx) {
                    const double weight = (std::abs(dx) < nx ? 1 : fx) * (std::abs(dy) < ny ? 1 : fy);
                    const auto& p = source.at(edgeIndex(k.modeX, w, x + dx), edgeIndex(k.modeY, h, y + dy));
                    double s[4] = {channelOf(p, 0), decode(channelOf(p, 1)), decode(channelOf(p, 2)),
                                   decode(channelOf(p, 3))};
                    if (!k.sourcePremultiplied)
                        for (int c = 1; c < 4; ++c)
                            s[c] *= s[0] / MAX;
                    for (int c = 0; c < 4; ++c)
                        sum[c] += weight * s[c];
                }
            }
            double v[4];
            for (int c = 0; c < 4; ++c)
                v[c] = sum[c] * norm;
            if (!k.destinationPremultiplied && v[0] > 0)
                for (int c = 1; c < 4; ++c)
                    v[c] *= MAX / v[0];
            const double top = Array::pixel_type::isInteger ? MAX : INFINITY;
            out.push_back({stored<Array>(v[0], 0, MAX), stored<Array>(encode(v[1]), 0, top),
                           stored<Array>(encode(v[2]), 0, top), stored<Array>(encode(v[3]), 0, top)});
        }
    }
    return out;
}

template <class Array, int precise>
void checkQuadsoft(int cases)
{
    std::mt19937 random(precise ? 101 : 202);
    for (int i = 0; i < cases; ++i) {
        const Case k = randomCase(random, 0.1, 6.5);
        TestImage<Array> source(k.width, k.height, k.sourcePremultiplied);
        source.randomise(random);
        TestImage<Array> destination(k.width, k.height, k.destinationPremultiplied);
        CountingHost host;
        QuadsoftFilter<Array, precise> filter(&host);
        filter.source = source.array();
        filter.destination = destination.array();
        filter.radiusX = k.rx;
        filter.radiusY = k.ry;
        filter.edgeModeX = k.modeX;
        filter.edgeModeY = k.modeY;
        filter.gamma = k.gamma;
        ASSERT_EQ(filter.run(0, 1), 0);
        // Float: the sliding sums and the direct sums differ in rounding only, which may move
        // the stored float by one step (relative 2e-7).
        expectClose(destination, quadsoftReference<Array, precise>(source, k), 2e-7,
                    describe(k) + " precise " + std::to_string(precise));
    }
}

TYPED_TEST(BlurReference, QuadsoftFilter)
{
    checkQuadsoft<TypeParam, 0>(60);
    checkQuadsoft<TypeParam, 1>(60);
}

// ----- MaskedQuadsoftFilter: per pixel a rectangle from the map; border cells weigh their
// fractions; corner cells map through resolveEdgeIndex, all others by the block-sum rules.

template <class Array>
std::vector<Channels> maskedReference(const TestImage<Array>& source, const TestImage<Array>& map,
                                      const Case& k, double focus, int channel, int offsetX, int offsetY)
{
    constexpr int MAX = Array::MAX;
    const int w = k.width, h = k.height;
    auto sample = [&](int x, int y, double s[4]) {
        const auto& p = source.at(x, y);
        for (int c = 0; c < 4; ++c)
            s[c] = channelOf(p, c);
        if (!k.sourcePremultiplied)
            for (int c = 1; c < 4; ++c)
                s[c] *= s[0] * inverseMax<MAX>();
        if (k.gamma)
            for (int c = 1; c < 4; ++c)
                s[c] = decodeLinear<MAX>(s[c]);
    };
    std::vector<Channels> out;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int mx = x + offsetX, my = y + offsetY;
            const double m = map.array().contains(mx, my) ? mapChannelValue(map.at(mx, my), channel) : 0.0;
            const float dist = static_cast<float>(std::fabs(m - focus));
            const double rx = dist * k.rx, ry = dist * k.ry;
            const double x0 = x - rx, x1 = x + rx, y0 = y - ry, y1 = y + ry;
            const long long fx0 = static_cast<long long>(std::floor(x0)), fx1 = static_cast<long long>(std::floor(x1));
            const long long fy0 = static_cast<long long>(std::floor(y0)), fy1 = static_cast<long long>(std::floor(y1));
            double sum[4] = {0, 0, 0, 0}, total = 0;
            for (long long cx = fx0; cx <= fx1 + 1; ++cx) {
                const bool borderX = cx == fx0 || cx == fx1 + 1;
                const double wx = cx == fx0 ? 1 - (x0 - std::floor(x0)) : cx == fx1 + 1 ? x1 - std::floor(x1) : 1;
                for (long long cy = fy0; cy <= fy1 + 1; ++cy) {
                    const bool borderY = cy == fy0 || cy == fy1 + 1;
                    const double wy = cy == fy0 ? 1 - (y0 - std::floor(y0)) : cy == fy1 + 1 ? y1 - std::floor(y1) : 1;
                    const bool corner = borderX && borderY;
                    const int sx = corner ? edgeIndex(k.modeX, w, cx) : blockIndex(k.modeX, w, cx);
                    const int sy = corner ? edgeIndex(k.modeY, h, cy) : blockIndex(k.modeY, h, cy);
                    double s[4];
                    sample(sx, sy, s);
                    for (int c = 0; c < 4; ++c)
                        sum[c] += wx * wy * s[c];
                    total += wx * wy;
                }
            }
            double v[4];
            for (int c = 0; c < 4; ++c)
                v[c] = std::min(total != 0 ? sum[c] / total : sum[c], double(MAX));
            if (k.gamma)
                for (int c = 1; c < 4; ++c)
                    v[c] = encodeLinear<MAX>(v[c]);
            if (!k.destinationPremultiplied && v[0] > 0)
                for (int c = 1; c < 4; ++c)
                    v[c] *= MAX / v[0];
            const double top = Array::pixel_type::isInteger ? MAX : INFINITY;
            const double bottom = Array::pixel_type::isInteger ? 0 : -INFINITY;
            out.push_back({stored<Array>(v[0], bottom, MAX), stored<Array>(v[1], bottom, top),
                           stored<Array>(v[2], bottom, top), stored<Array>(v[3], bottom, top)});
        }
    }
    return out;
}

TYPED_TEST(BlurReference, MaskedQuadsoftFilter)
{
    constexpr int MAX = TypeParam::MAX;
    std::mt19937 random(303);
    std::uniform_int_distribution<int> offset(-2, 2), channel(1, 5);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int i = 0; i < 80; ++i) {
        const Case k = randomCase(random, 0.1, 7.5);
        TestImage<TypeParam> source(k.width, k.height, k.sourcePremultiplied);
        // Straight results divide by the mean alpha: keep it well away from 0 there, so that
        // the float table's rounding stays below a unit.
        source.randomise(random, k.destinationPremultiplied);
        TestImage<TypeParam> map(std::max(1, k.width - 1), k.height + 1);
        map.randomise(random, false);
        const double focus = unit(random);
        const int mapChannel = channel(random), ox = offset(random), oy = offset(random);
        TestImage<TypeParam> destination(k.width, k.height, k.destinationPremultiplied);
        CountingHost host;
        MaskedQuadsoftFilter<TypeParam> filter(&host);
        filter.source = source.array();
        filter.destination = destination.array();
        filter.map = map.array();
        filter.radiusX = k.rx;
        filter.radiusY = k.ry;
        filter.focus = focus;
        filter.mapChannel = mapChannel;
        filter.mapOffsetX = ox;
        filter.mapOffsetY = oy;
        filter.edgeModeX = k.modeX;
        filter.edgeModeY = k.modeY;
        filter.gamma = k.gamma;
        ASSERT_EQ(filter.run(0, 1), 0);
        // Float: the summed-area table holds single precision.
        expectClose(destination, maskedReference(source, map, k, focus, mapChannel, ox, oy), 2e-5,
                    describe(k));
        (void)MAX;
    }
}

// ----- AbberationBlurFilter: every interval mean as explicit weights of the samples.
// F̂(t) weighs sample p by clamp(t + 1 − p, 0, 1), Ŝ(t) by the sum of those weights from p on;
// B̂(t) by clamp(p − t + 1, 0, 1), T̂(t) by the sum of those up to p.

struct LineWeights {
    long long lo;
    std::vector<double> w;
    LineWeights(long long lo, std::size_t n) : lo(lo), w(n, 0.0) {}
    LineWeights& add(const LineWeights& o, double scale)
    {
        for (std::size_t i = 0; i < w.size(); ++i)
            w[i] += scale * o.w[i];
        return *this;
    }
};

class LineReference {
public:
    LineReference(long long lo, long long hi) : lo_(lo), n_(static_cast<std::size_t>(hi - lo + 1)) {}

    LineWeights F(double t) const
    {
        LineWeights r(lo_, n_);
        for (std::size_t i = 0; i < n_; ++i)
            r.w[i] = std::clamp(t + 1 - (lo_ + static_cast<long long>(i)), 0.0, 1.0);
        return r;
    }
    LineWeights S(double t) const
    {
        LineWeights f = F(t);
        for (std::size_t i = n_ - 1; i > 0; --i)
            f.w[i - 1] += f.w[i];
        return f;
    }
    LineWeights B(double t) const
    {
        LineWeights r(lo_, n_);
        for (std::size_t i = 0; i < n_; ++i)
            r.w[i] = std::clamp((lo_ + static_cast<long long>(i)) - t + 1, 0.0, 1.0);
        return r;
    }
    LineWeights T(double t) const
    {
        LineWeights b = B(t);
        for (std::size_t i = 1; i < n_; ++i)
            b.w[i] += b.w[i - 1];
        return b;
    }

    LineWeights box(double a, double b) const
    {
        if (b - a <= 1)
            a = b - 1;
        return scaled(F(b).add(F(a), -1), 1 / (b - a));
    }
    LineWeights down(double a, double b) const
    {
        if (b - a < 1)
            a = b - 1;
        const double n = std::floor(b - a), g = b - a - n, b1 = b - g;
        LineWeights r = S(b1);
        r.add(S(a), -1).add(F(a), -n).add(F(b1 + 1), (n + 1) * g).add(F(b1), -(n + 1) * g);
        return scaled(r, 1 / (n * (n + 1) / 2 + (n + 1) * g));
    }
    LineWeights up(double a, double b) const
    {
        if (b - a < 1)
            b = a + 1;
        const double n = std::floor(b - a), g = b - a - n, a1 = a + g;
        LineWeights r = T(a1);
        r.add(T(b), -1).add(B(b), -n).add(B(a1 - 1), (n + 1) * g / 2).add(B(a1 + 1), -(n + 1) * g / 2);
        return scaled(r, 1 / (n * (n + 1) / 2 + (n + 1) * g));
    }

private:
    static LineWeights scaled(LineWeights r, double s)
    {
        for (double& v : r.w)
            v *= s;
        return r;
    }

    long long lo_;
    std::size_t n_;
};

double weighSamples(const LineWeights& weights, const std::vector<double>& samples)
{
    double v = 0;
    for (std::size_t i = 0; i < weights.w.size(); ++i)
        v += weights.w[i] * samples[i];
    return v;
}

// The four means at position x of a line (samples already mapped by the edge mode).
Channels aberrationReference(const std::vector<double> (&line)[4], int length, int mode, double x, double L,
                             bool inverted)
{
    const long long lo = static_cast<long long>(std::floor(x - L)) - 4;
    const long long hi = static_cast<long long>(std::ceil(x + L)) + 4;
    std::vector<double> s[4];
    for (long long p = lo; p <= hi; ++p)
        for (int c = 0; c < 4; ++c)
            s[c].push_back(line[c][edgeIndex(mode, length, p)]);
    const LineReference ref(lo, hi);
    const double p0 = x - L, p1 = p0 + 0.4 * L, p2 = p0 + 0.8 * L, p3 = p0 + 1.2 * L, p4 = p0 + 1.6 * L,
                 p5 = x + L;
    Channels c;
    if (!inverted) {
        c.r = 0.5 * (weighSamples(ref.box(p0, p1), s[1]) + 0.5 * weighSamples(ref.down(p1, p2), s[1]) +
                     0.5 * weighSamples(ref.up(p4, p5), s[1]));
        c.g = (0.5 * weighSamples(ref.up(p0, p1), s[2]) + weighSamples(ref.box(p1, p2), s[2]) + weighSamples(ref.box(p2, p3), s[2]) +
               0.5 * weighSamples(ref.down(p3, p4), s[2])) / 3;
        c.b = 0.4 * (0.5 * weighSamples(ref.up(p2, p3), s[3]) + weighSamples(ref.box(p3, p4), s[3]) + weighSamples(ref.box(p4, p5), s[3]));
    } else {
        c.r = 0.5 * (weighSamples(ref.box(p4, p5), s[1]) + 0.5 * weighSamples(ref.up(p3, p4), s[1]) +
                     0.5 * weighSamples(ref.down(p0, p1), s[1]));
        c.g = (0.5 * weighSamples(ref.down(p4, p5), s[2]) + weighSamples(ref.box(p3, p4), s[2]) + weighSamples(ref.box(p2, p3), s[2]) +
               0.5 * weighSamples(ref.up(p1, p2), s[2])) / 3;
        c.b = 0.4 * (0.5 * weighSamples(ref.down(p2, p3), s[3]) + weighSamples(ref.box(p1, p2), s[3]) + weighSamples(ref.box(p0, p1), s[3]));
    }
    c.a = weighSamples(ref.box(p0, p5), s[0]);
    return c;
}

TYPED_TEST(BlurReference, AbberationBlurFilter)
{
    constexpr int MAX = TypeParam::MAX;
    constexpr bool integer = TypeParam::pixel_type::isInteger;
    std::mt19937 random(404);
    std::uniform_int_distribution<int> flag(0, 1), offset(-3, 3);
    for (int i = 0; i < 40; ++i) {
        // Window lengths of 0 or from 2.5 pixels on: below that the Down and Up means jump at
        // whole-number interval lengths.
        Case k = randomCase(random, 3.6, 7.5);
        const bool invertX = flag(random) == 1, invertY = flag(random) == 1;
        TestImage<TypeParam> source(k.width, k.height, k.sourcePremultiplied);
        source.randomise(random);
        // Alpha 0 (at the focus 0: no blur) or at least 0.7 of MAX; part of the image lies off it.
        TestImage<TypeParam> map(k.width + 1, std::max(1, k.height - 1));
        std::uniform_real_distribution<double> far(0.7, 1.0);
        for (int y = 0; y < map.height(); ++y)
            for (int x = 0; x < map.width(); ++x)
                map.set(x, y, flag(random) ? 0 : (integer ? std::ceil(far(random) * MAX) : far(random)), 0, 0, 0);
        map.array().originX = offset(random);
        map.array().originY = offset(random);

        TestImage<TypeParam> destination(k.width, k.height, k.destinationPremultiplied);
        CountingHost host;
        AbberationBlurFilter<TypeParam> filter(&host);
        filter.source = source.array();
        filter.destination = destination.array();
        filter.map = map.array();
        filter.radiusX = k.rx;
        filter.radiusY = k.ry;
        filter.focus = 0;
        filter.mapChannel = MapAlpha;
        filter.edgeModeX = k.modeX;
        filter.edgeModeY = k.modeY;
        filter.gamma = k.gamma;
        filter.invertX = invertX;
        filter.invertY = invertY;
        ASSERT_EQ(filter.run(0, 1), 0);

        const ReferenceCurve<MAX> decode(LinearCurve::Decode, integer, k.gamma);
        const ReferenceCurve<MAX> encode(LinearCurve::Encode, integer, k.gamma);
        const int w = k.width, h = k.height;
        auto windowLength = [&](int x, int y, double r) {
            const int mx = x - map.array().originX, my = y - map.array().originY;
            if (!map.array().contains(mx, my))
                return r;
            return std::fabs(mapChannelValue(map.at(mx, my), MapAlpha)) * r;
        };
        const double top = integer ? MAX : INFINITY;
        std::vector<float> buffer(static_cast<std::size_t>(w) * h * 4);
        for (int y = 0; y < h; ++y) {
            std::vector<double> line[4];
            for (int x = 0; x < w; ++x) {
                const auto& p = source.at(x, y);
                double s[4] = {channelOf(p, 0), channelOf(p, 1), channelOf(p, 2), channelOf(p, 3)};
                if (!k.sourcePremultiplied)
                    for (int c = 1; c < 4; ++c)
                        s[c] *= s[0] * inverseMax<MAX>();
                for (int c = 0; c < 4; ++c)
                    line[c].push_back(c == 0 ? s[0] : decode(s[c]));
            }
            for (int x = 0; x < w; ++x) {
                const Channels m = aberrationReference(line, w, k.modeX, x, windowLength(x, y, k.rx), invertX);
                float* cell = &buffer[(static_cast<std::size_t>(y) * w + x) * 4];
                cell[0] = static_cast<float>(m.a);
                cell[1] = static_cast<float>(std::clamp(m.r, 0.0, top));
                cell[2] = static_cast<float>(std::clamp(m.g, 0.0, top));
                cell[3] = static_cast<float>(std::clamp(m.b, 0.0, top));
            }
        }
        std::vector<Channels> expected(static_cast<std::size_t>(w) * h);
        for (int x = 0; x < w; ++x) {
            std::vector<double> line[4];
            for (int y = 0; y < h; ++y)
                for (int c = 0; c < 4; ++c)
                    line[c].push_back(buffer[(static_cast<std::size_t>(y) * w + x) * 4 + c]);
            for (int y = 0; y < h; ++y) {
                const Channels m = aberrationReference(line, h, k.modeY, y, windowLength(x, y, k.ry), invertY);
                double v[4] = {m.a, encode(std::clamp(m.r, 0.0, top)), encode(std::clamp(m.g, 0.0, top)),
                               encode(std::clamp(m.b, 0.0, top))};
                const double brightest = std::max({v[1], v[2], v[3]});
                if (brightest > v[0])
                    v[0] = std::min(brightest, double(MAX));
                if (!k.destinationPremultiplied && v[0] > 0)
                    for (int c = 1; c < 4; ++c)
                        v[c] *= MAX / v[0];
                expected[static_cast<std::size_t>(y) * w + x] = {
                    stored<TypeParam>(v[0], 0, MAX), stored<TypeParam>(v[1], -INFINITY, INFINITY),
                    stored<TypeParam>(v[2], -INFINITY, INFINITY), stored<TypeParam>(v[3], -INFINITY, INFINITY)};
            }
        }
        // Float: the intermediate buffer holds single precision.
        expectClose(destination, expected, 1e-5,
                    describe(k) + " inverted " + std::to_string(invertX) + std::to_string(invertY));
    }
}

} // namespace
} // namespace quorvane
