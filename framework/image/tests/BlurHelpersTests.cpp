// The pieces the blurs are built from: linear light, edge runs, the block sum, running sums
// and their interval means, map channels and the guards on radii and edge modes.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <vector>

#include "image/BlurSettings.h"
#include "image/EdgeRuns.h"
#include "image/LinearLight.h"
#include "image/MapChannel.h"
#include "image/RunningSums.h"
#include "image/SummedAreaTable.h"
#include "image/tests/BlurTestSupport.h"

namespace quorvane {
namespace {

TEST(LinearLight, ThresholdsDifferInKind)
{
    EXPECT_DOUBLE_EQ(decodeCurve(0.081), 0.081 * 0.2222222222222222);
    EXPECT_GT(decodeCurve(0.0811), 0.0811 * 0.2222222222222222 - 1e-3);
    EXPECT_DOUBLE_EQ(encodeCurve(0.0179), 4.5 * 0.0179);
    EXPECT_DOUBLE_EQ(encodeCurve(0.018), 1.099 * std::pow(0.018, 0.45) - 0.099);
    for (double v : {0.0, 0.01, 0.05, 0.2, 0.5, 0.9, 1.0})
        EXPECT_NEAR(encodeCurve(decodeCurve(v)), v, 2e-3) << v;
    EXPECT_DOUBLE_EQ(decodeLinear<255>(255), 255.0);
}

TEST(LinearLight, TableEntriesAndIndexFactors)
{
    EXPECT_EQ(linearTableIndexFactor<255>(), 32767.0 / 255);
    EXPECT_EQ(linearTableIndexFactor<32768>(), 32767.0 / 32768);
    std::vector<float> table(kLinearTableSize);
    fillLinearTable<255>(table.data(), LinearCurve::Decode, true);
    EXPECT_EQ(table[1000], static_cast<float>(decodeCurve(1000 * 0.000030517578125) * 255));
    // 100 sits at trunc(100 × 128.498…) = 12849.
    EXPECT_EQ(lookupLinear<255>(table.data(), 100), table[12849]);
    // Out of range and NaN take the ends.
    EXPECT_EQ(lookupLinear<255>(table.data(), 1e9), table[kLinearTableSize - 1]);
    EXPECT_EQ(lookupLinear<255>(table.data(), -3), table[0]);
    EXPECT_EQ(lookupLinear<255>(table.data(), std::nan("")), table[0]);
    fillLinearTable<32768>(table.data(), LinearCurve::Encode, false);
    EXPECT_EQ(table[12345], 12345.0f);
    EXPECT_EQ(lookupLinear<32768>(table.data(), 32768), table[32767]);
}

TEST(BlurSettings, RadiiAndEdgeModesAreMadeSafe)
{
    EXPECT_EQ(pixelRadius(-4, 1), 0);
    EXPECT_EQ(pixelRadius(std::nan(""), 1), 0);
    EXPECT_EQ(pixelRadius(5, 0), 0);
    EXPECT_EQ(pixelRadius(5, -1), 0);
    EXPECT_EQ(pixelRadius(5, std::nan("")), 0);
    EXPECT_EQ(pixelRadius(5, 2), 2.5);
    EXPECT_EQ(pixelRadius(1e300, 1e-300), kMaxPixelRadius);
    EXPECT_EQ(pixelRadius(INFINITY, 1), kMaxPixelRadius);
    EXPECT_EQ(blurEdgeMode(EdgeNone), EdgeClamp);
    EXPECT_EQ(blurEdgeMode(7), EdgeClamp);
    EXPECT_EQ(blurEdgeMode(EdgeMirror), EdgeMirror);
    EXPECT_EQ(blurEdgeMode(EdgeWrap), EdgeWrap);
}

// Which index each position of lo … hi takes, counted.
std::map<int, std::int64_t> countsOf(const EdgeRunList& runs)
{
    std::map<int, std::int64_t> counts;
    for (const EdgeRun& run : runs)
        for (int i = 0; i < run.length; ++i)
            counts[run.first + i] += run.count;
    return counts;
}

int mappedPosition(int mode, int n, std::int64_t p, WrapRule wrap)
{
    if (mode == EdgeWrap && wrap == WrapRule::Modulo)
        return static_cast<int>(floorMod(p, n));
    int index = static_cast<int>(p);
    resolveEdgeIndex(mode, n, index);
    return index;
}

struct ColumnCase {
    int mode;
    std::int64_t after;
    std::int64_t upTo;
    std::vector<int> columns;
};

TEST(EdgeBlockSum, ColumnMappingsOfAFivePixelRow)
{
    const ColumnCase cases[] = {
        {EdgeClamp, -2, 1, {0, 0, 1}},  {EdgeMirror, -2, 1, {1, 0, 1}}, {EdgeWrap, -2, 1, {4, 0, 1}},
        {EdgeClamp, 4, 6, {4, 4}},      {EdgeMirror, 4, 6, {4, 3}},     {EdgeWrap, 4, 6, {0, 1}},
    };
    for (const ColumnCase& c : cases) {
        std::map<int, std::int64_t> expected;
        for (int column : c.columns)
            ++expected[column];
        EXPECT_EQ(countsOf(blockSumRuns(c.mode, 5, c.after, c.upTo)), expected)
            << "mode " << c.mode << " after " << c.after;
    }
    // The sums of a one-row table over those columns; the count is (b − a) × (d − c).
    std::vector<float> cells(5 * 4);
    SummedAreaTable table(cells.data(), 5, 1);
    table.buildRow(0, [](int x, double sum[4]) {
        for (int c = 0; c < 4; ++c)
            sum[c] += (x + 1) * (c + 1);
        return true;
    });
    const BlockSum clamp = edgeBlockSum(table, -2, 1, -1, 0, EdgeClamp, EdgeClamp);
    EXPECT_EQ(clamp.count, 3);
    EXPECT_EQ(clamp.sum[0], 1 + 1 + 2);
    const BlockSum mirror = edgeBlockSum(table, -2, 1, -1, 0, EdgeMirror, EdgeClamp);
    EXPECT_EQ(mirror.sum[2], 3 * (2 + 1 + 2));
    const BlockSum wrap = edgeBlockSum(table, 4, 6, -1, 0, EdgeWrap, EdgeClamp);
    EXPECT_EQ(wrap.sum[3], 4 * (1 + 2));
}

// Every position of a range, also many image lengths beyond either edge, takes the index of
// its own mapping and is counted once.
TEST(EdgeRuns, AgreeWithThePositionMappingAtAnyDistance)
{
    std::mt19937 random(7);
    for (int mode : {EdgeClamp, EdgeMirror, EdgeWrap}) {
        for (WrapRule wrap : {WrapRule::Resolve, WrapRule::Modulo}) {
            for (int n = 1; n <= 6; ++n) {
                for (int trial = 0; trial < 60; ++trial) {
                    std::uniform_int_distribution<int> start(-9 * n - 5, 9 * n + 5);
                    std::uniform_int_distribution<int> length(0, 12 * n + 3);
                    const std::int64_t lo = start(random);
                    const std::int64_t hi = lo + length(random) - 1;
                    std::map<int, std::int64_t> expected;
                    for (std::int64_t p = lo; p <= hi; ++p)
                        ++expected[mappedPosition(mode, n, p, wrap)];
                    const EdgeRunList runs = edgeRuns(mode, n, lo, hi, wrap);
                    ASSERT_LT(runs.size(), EdgeRunList::kCapacity);
                    ASSERT_EQ(countsOf(runs), expected)
                        << "mode " << mode << " n " << n << " lo " << lo << " hi " << hi;
                }
            }
        }
    }
}

TEST(EdgeRuns, StayFewForRangesMuchLongerThanTheImage)
{
    for (int mode : {EdgeClamp, EdgeMirror, EdgeWrap}) {
        const std::int64_t lo = -1000000007;
        const std::int64_t hi = 999999991;
        const EdgeRunList runs = edgeRuns(mode, 7, lo, hi, WrapRule::Resolve);
        std::int64_t cells = 0;
        for (const EdgeRun& run : runs)
            cells += run.length * run.count;
        EXPECT_EQ(cells, hi - lo + 1);
        EXPECT_LT(runs.size(), 16);
    }
}

TEST(EdgeBlockSum, AgreesWithCellByCellSumsBeyondEveryEdge)
{
    const int w = 4, h = 3;
    std::vector<float> cells(w * h * 4);
    SummedAreaTable table(cells.data(), w, h);
    auto value = [](int x, int y, int c) { return 1 + x + 10 * y + 100 * c; };
    for (int y = 0; y < h; ++y)
        table.buildRow(y, [&](int x, double sum[4]) {
            for (int c = 0; c < 4; ++c)
                sum[c] += value(x, y, c);
            return true;
        });
    std::mt19937 random(3);
    std::uniform_int_distribution<int> position(-20, 20);
    for (int mode : {EdgeClamp, EdgeMirror, EdgeWrap}) {
        for (int trial = 0; trial < 200; ++trial) {
            int a = position(random), b = position(random), c = position(random), d = position(random);
            if (a > b)
                std::swap(a, b);
            if (c > d)
                std::swap(c, d);
            double expected[4] = {0, 0, 0, 0};
            for (int x = a + 1; x <= b; ++x)
                for (int y = c + 1; y <= d; ++y)
                    for (int ch = 0; ch < 4; ++ch)
                        expected[ch] += value(mappedPosition(mode, w, x, WrapRule::Modulo),
                                              mappedPosition(mode, h, y, WrapRule::Modulo), ch);
            const BlockSum sum = edgeBlockSum(table, a, b, c, d, mode, mode);
            EXPECT_EQ(sum.count, double(b - a) * (d - c));
            for (int ch = 0; ch < 4; ++ch)
                ASSERT_EQ(sum.sum[ch], expected[ch]) << mode << " " << a << " " << b << " " << c << " " << d;
        }
    }
}

// A line of samples, its running sums over `extent` positions beyond each end.
struct Line {
    std::vector<double> f, s, b, t;
    std::vector<std::int64_t> nonzero;
    RunningSums sums;
    Line(const std::vector<double>& values, int mode, int extent)
        : f(values.size() * 4 + 8 * extent), s(f.size()), b(f.size()), t(f.size()), nonzero(f.size()),
          sums(f.data(), s.data(), b.data(), t.data(), nonzero.data())
    {
        const int n = static_cast<int>(values.size());
        for (int p = 1 - extent; p <= n + extent - 1; ++p) {
            int i = p;
            resolveEdgeIndex(mode, n, i);
            for (int c = 0; c < 4; ++c)
                sums.samples()[4 * (p - 1 + extent) + c] = values[i] * (c + 1);
        }
        sums.build(1 - extent, n + extent - 1, edgePeriod(mode, n));
    }
};

// Far positions come from whole periods of the edge mode; they must match what a long enough
// line holds (up to the constant by which the two sums' origins differ, which no mean sees).
TEST(RunningSums, PositionsBeyondTheStoredLineFollowTheEdgeMode)
{
    const std::vector<double> values = {3, 1, 4, 1, 5};
    const int n = static_cast<int>(values.size());
    for (int mode : {EdgeClamp, EdgeMirror, EdgeWrap}) {
        const int longExtent = 90;
        const Line full(values, mode, longExtent);
        const Line shortLine(values, mode, 4 * n + 4);
        for (double a = -60.5; a < 55; a += 3.7) {
            for (double length : {0.3, 1.0, 2.6, 7.0, 31.25}) {
                const double b = a + length;
                for (int c = 0; c < 4; ++c) {
                    EXPECT_NEAR(boxMean(shortLine.sums, a, b, c), boxMean(full.sums, a, b, c), 1e-9);
                    EXPECT_NEAR(downMean(shortLine.sums, a, b, c), downMean(full.sums, a, b, c), 1e-9);
                    EXPECT_NEAR(upMean(shortLine.sums, a, b, c), upMean(full.sums, a, b, c), 1e-9)
                        << mode << " " << a << " " << b;
                }
            }
        }
    }
}

// With L = 3 at an integer x the whole window [x − 3, x + 3] gives: Box 1/6 on x − 2 … x + 3,
// Down 6 … 1 (/21) on x − 2 … x + 3, Up 1 … 6 (/21) on x − 3 … x + 2.
TEST(IntervalMeans, WeightsOfAWindowOfThree)
{
    const int n = 21, x = 10;
    for (int j = 0; j < n; ++j) {
        std::vector<double> impulse(n, 0.0);
        impulse[j] = 1;
        const Line line(impulse, EdgeClamp, 8);
        const int d = j - x;
        const double box = d >= -2 && d <= 3 ? 1.0 / 6 : 0;
        const double down = d >= -2 && d <= 3 ? (4 - d) / 21.0 : 0;
        const double up = d >= -3 && d <= 2 ? (d + 4) / 21.0 : 0;
        EXPECT_NEAR(boxMean(line.sums, x - 3, x + 3, 0), box, 1e-12) << d;
        EXPECT_NEAR(downMean(line.sums, x - 3, x + 3, 0), down, 1e-12) << d;
        EXPECT_NEAR(upMean(line.sums, x - 3, x + 3, 0), up, 1e-12) << d;
    }
    // Each mean of a constant line is that constant, for any interval.
    const Line flat(std::vector<double>(n, 2.0), EdgeMirror, 8);
    for (double a = 3; a < 12; a += 0.37)
        for (double length : {0.2, 1.0, 1.5, 4.25}) {
            EXPECT_NEAR(boxMean(flat.sums, a, a + length, 0), 2.0, 1e-12);
            EXPECT_NEAR(downMean(flat.sums, a, a + length, 0), 2.0, 1e-12);
            EXPECT_NEAR(upMean(flat.sums, a, a + length, 0), 2.0, 1e-12);
        }
}

TEST(MapChannel, ChannelsAndTheirScale)
{
    Pixel8 p;
    p.alpha() = 255;
    p.red() = 51;
    p.green() = 102;
    p.blue() = 204;
    EXPECT_DOUBLE_EQ(mapChannelValue(p, MapAlpha), 1.0);
    EXPECT_DOUBLE_EQ(mapChannelValue(p, MapRed), 0.2);
    EXPECT_DOUBLE_EQ(mapChannelValue(p, MapGreen), 0.4);
    EXPECT_DOUBLE_EQ(mapChannelValue(p, MapBlue), 0.8);
    EXPECT_DOUBLE_EQ(mapChannelValue(p, 0), 0.8);
    EXPECT_DOUBLE_EQ(mapChannelValue(p, 9), 0.8);
    EXPECT_NEAR(mapChannelValue(p, MapLuminance),
                (kLumaRed * 51 + kLumaGreen * 102 + kLumaBlue * 204) / 255.0, 1e-12);
    PixelFloat f;
    f.alpha() = 1;
    f.red() = 7;
    f.green() = -2;
    f.blue() = std::nanf("");
    EXPECT_EQ(mapChannelValue(f, MapRed), 1.0);
    EXPECT_EQ(mapChannelValue(f, MapGreen), 0.0);
    EXPECT_EQ(mapChannelValue(f, MapBlue), 0.0);
}

} // namespace
} // namespace quorvane
