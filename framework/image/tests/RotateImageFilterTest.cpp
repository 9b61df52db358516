// Rotation about the centre with bilinear sampling, the fractional edge rules, and robustness
// against positions no edge rule can place.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>

#include "image/RotateImageFilter.h"
#include "image/tests/ImageTestSupport.h"

namespace quorvane {
namespace {

using testing::RecordingHost;

template <class Array>
using Image = test::TestImage<Array>;

template <class Array>
void fillPattern(Image<Array>& image)
{
    std::mt19937 random(11);
    image.randomise(random, false);
}

struct EdgeCase {
    int mode;
    double in;
    double out;
    bool inside;
};

class ResolveEdgeCoordinateTest : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(ResolveEdgeCoordinateTest, RewritesByMode)
{
    const EdgeCase c = GetParam();
    double x = c.in;
    EXPECT_EQ(resolveEdgeCoordinate(c.mode, 10, x), c.inside);
    EXPECT_NEAR(x, c.out, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Length10, ResolveEdgeCoordinateTest,
    ::testing::Values(EdgeCase{EdgeClamp, 4.5, 4.5, true}, EdgeCase{EdgeMirror, 0, 0, true},
                      EdgeCase{EdgeWrap, 9.99, 9.99, true}, EdgeCase{EdgeClamp, -5, 0, false},
                      EdgeCase{EdgeClamp, 12.5, 9, false}, EdgeCase{EdgeClamp, 10, 9, false},
                      EdgeCase{EdgeMirror, 10.5, 9.5, false},     // q odd: n - d
                      EdgeCase{EdgeMirror, 10, 9.9999, false},    // n itself stays just inside
                      EdgeCase{EdgeMirror, 21.25, 1.25, false},   // q even: d
                      EdgeCase{EdgeMirror, -0.5, 0.5, false},     // q even: -d
                      EdgeCase{EdgeMirror, -10.5, 9.5, false},    // q odd: d + n
                      EdgeCase{EdgeMirror, -10, 9.9999, false},
                      EdgeCase{EdgeWrap, 12.5, 2.5, false}, EdgeCase{EdgeWrap, -0.5, 9.5, false},
                      EdgeCase{EdgeWrap, -20.5, 9.5, false}, EdgeCase{EdgeWrap, -10, 9.9999, false},
                      EdgeCase{EdgeNone, -3.5, -3.5, false}, EdgeCase{EdgeNone, 11, 11, false}));

TEST(ResolveEdgeCoordinate, UnplaceableCoordinatesStayOutside)
{
    const double inf = std::numeric_limits<double>::infinity();
    double x = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(resolveEdgeCoordinate(EdgeClamp, 10, x));
    EXPECT_TRUE(std::isnan(x));
    x = inf;
    EXPECT_FALSE(resolveEdgeCoordinate(EdgeClamp, 10, x));
    EXPECT_EQ(x, 9);
    x = -inf;
    resolveEdgeCoordinate(EdgeWrap, 10, x);
    EXPECT_FALSE(x >= 0 && x < 10);
    x = 1e300;   // a quotient far beyond any integer
    resolveEdgeCoordinate(EdgeMirror, 10, x);
    EXPECT_TRUE(x >= 0 && x < 10);
}

template <class Array>
class RotateTest : public ::testing::Test {};
TYPED_TEST_SUITE(RotateTest, test::Depths);

template <class Array>
int rotate(const Array& source, const Array& destination, double angle,
           int edgeMode = EdgeClamp, int threads = 1)
{
    RecordingHost host(threads);
    RotateImageFilter<Array> filter(&host);
    filter.source = source;
    filter.destination = destination;
    filter.angle = angle;
    filter.edgeMode = edgeMode;
    return filter.run(0, 1);
}

template <class Pixel>
bool samePixel(const Pixel& a, const Pixel& b)
{
    return std::memcmp(&a, &b, sizeof(Pixel)) == 0;
}

TYPED_TEST(RotateTest, AngleZeroCopiesExactly)
{
    Image<TypeParam> source(7, 5);
    Image<TypeParam> destination(7, 5);
    fillPattern<TypeParam>(source);
    ASSERT_EQ(rotate(source.array(), destination.array(), 0.0), 0);
    EXPECT_EQ(source.bytes(), destination.bytes());
}

TYPED_TEST(RotateTest, QuarterTurnSamplesFourMinusYAndX)
{
    constexpr double unit = TypeParam::MAX / 255.0;
    Image<TypeParam> source(4, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            const double v = (10 + 40 * x + 100 * y) * unit;
            source.set(x, y, v, v, v, v);
        }
    Image<TypeParam> destination(2, 4);
    ASSERT_EQ(rotate(source.array(), destination.array(), std::numbers::pi / 2), 0);
    // cos(pi/2) is not exactly 0 in doubles: truncation may lose one unit.
    const double tolerance = TypeParam::pixel_type::isInteger ? 1 : 1e-6;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 2; ++x) {
            SCOPED_TRACE(::testing::Message() << "destination " << x << "," << y);
            const int sx = std::min(4 - y, 3);   // clamped at the right edge
            EXPECT_NEAR(double(destination.at(x, y).red()), double(source.at(sx, x).red()),
                        tolerance);
            EXPECT_NEAR(double(destination.at(x, y).alpha()), double(source.at(sx, x).alpha()),
                        tolerance);
        }
    // Destination column 0 runs along source row 0 from right to left.
    EXPECT_NEAR(double(destination.at(0, 0).red()), double(source.at(3, 0).red()), tolerance);
    EXPECT_NEAR(double(destination.at(0, 3).red()), double(source.at(1, 0).red()), tolerance);
}

TYPED_TEST(RotateTest, LargerDestinationStretchesBordersIntoCorners)
{
    Image<TypeParam> source(2, 2);
    fillPattern<TypeParam>(source);
    Image<TypeParam> destination(6, 6);
    ASSERT_EQ(rotate(source.array(), destination.array(), 0.0), 0);
    // Destination (x, y) samples source (x - 2, y - 2), clamped.
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            const int sx = std::clamp(x - 2, 0, 1);
            const int sy = std::clamp(y - 2, 0, 1);
            EXPECT_TRUE(samePixel(destination.at(x, y), source.at(sx, sy))) << x << "," << y;
        }
}

TYPED_TEST(RotateTest, SmallerDestinationTakesTheMiddle)
{
    Image<TypeParam> source(6, 4);
    fillPattern<TypeParam>(source);
    Image<TypeParam> destination(2, 2);
    ASSERT_EQ(rotate(source.array(), destination.array(), 0.0), 0);
    EXPECT_TRUE(samePixel(destination.at(0, 0), source.at(2, 1)));
    EXPECT_TRUE(samePixel(destination.at(1, 1), source.at(3, 2)));
}

TEST(SampleBilinear, MixesNeighboursAndReusesTheEdgePixel)
{
    Image<ImageFloat> row(3, 1);
    row.set(0, 0, 1, 10, 0, 0);
    row.set(1, 0, 1, 20, 0, 0);
    row.set(2, 0, 1, 40, 0, 0);
    EXPECT_DOUBLE_EQ(sampleBilinear(row.array(), 1.5, 0.0).red(), 30);
    EXPECT_DOUBLE_EQ(sampleBilinear(row.array(), 0.25, 0.0).red(), 12.5);
    // The right neighbour is the edge pixel itself, and so is the row below.
    EXPECT_DOUBLE_EQ(sampleBilinear(row.array(), 2.5, 0.0).red(), 40);
    EXPECT_DOUBLE_EQ(sampleBilinear(row.array(), 2.5, 0.75).red(), 40);

    Image<Image8> square(2, 2);
    square.set(0, 0, 0, 0, 0, 0);
    square.set(1, 0, 100, 100, 0, 0);
    square.set(1, 1, 200, 200, 0, 0);
    square.set(0, 1, 40, 40, 0, 0);
    const AccumulatorPixel<255> p = sampleBilinear(square.array(), 0.5, 0.25);
    // 0 × 0.375 + 100 × 0.375 + 200 × 0.125 + 40 × 0.125
    EXPECT_DOUBLE_EQ(p.red(), 67.5);
    EXPECT_DOUBLE_EQ(p.alpha(), 67.5);
}

TYPED_TEST(RotateTest, UnplaceablePositionsGiveTransparentBlack)
{
    Image<TypeParam> source(4, 4);
    fillPattern<TypeParam>(source);
    Image<TypeParam> destination(6, 6);
    destination.set(0, 0, 1, 1, 1, 1);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    ASSERT_EQ(rotate(source.array(), destination.array(), nan), 0);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(destination.at(x, y).alpha(), 0);
    ASSERT_EQ(rotate(source.array(), destination.array(), 1e308, EdgeMirror), 0);

    // EdgeNone: positions outside the source are absent samples, inside ones are read.
    ASSERT_EQ(rotate(source.array(), destination.array(), 0.0, EdgeNone), 0);
    EXPECT_EQ(destination.at(0, 0).alpha(), 0);
    EXPECT_TRUE(samePixel(destination.at(1, 1), source.at(0, 0)));
    EXPECT_EQ(destination.at(5, 5).alpha(), 0);
}

TYPED_TEST(RotateTest, EmptySourceGivesTransparentBlack)
{
    Image<TypeParam> source(0, 0);
    Image<TypeParam> destination(3, 2);
    fillPattern<TypeParam>(destination);
    ASSERT_EQ(rotate(source.array(), destination.array(), 0.3), 0);
    EXPECT_EQ(destination.at(2, 1).alpha(), 0);
    EXPECT_EQ(destination.at(2, 1).red(), 0);
}

TYPED_TEST(RotateTest, SameResultOnOneThreadAndSeveral)
{
    Image<TypeParam> source(31, 17);
    fillPattern<TypeParam>(source);
    Image<TypeParam> single(40, 29);
    Image<TypeParam> several(40, 29);
    const double angle = 33 * std::numbers::pi / 180;
    ASSERT_EQ(rotate(source.array(), single.array(), angle, EdgeMirror, 1), 0);
    ASSERT_EQ(rotate(source.array(), several.array(), angle, EdgeMirror, 4), 0);
    EXPECT_TRUE(several.paddingIntact());
    EXPECT_EQ(single.bytes(), several.bytes());
}

TEST(RotateImageFilter, ReportsProgressPerRowAndStopsOnRefusal)
{
    Image<Image8> source(4, 4);
    Image<Image8> destination(5, 3);
    RecordingHost host;
    RotateImageFilter<Image8> filter(&host);
    filter.source = source.array();
    filter.destination = destination.array();
    ASSERT_EQ(filter.run(2, 4), 0);
    const auto calls = host.progressCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].done, 6);   // row 0 of pass 2 out of 3 rows × 4 passes
    EXPECT_EQ(calls[0].total, 12);
    host.refuseFrom(1);
    EXPECT_EQ(filter.run(0, 1), RecordingHost::kStopped);
}

} // namespace
} // namespace quorvane
