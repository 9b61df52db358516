// QuadsoftFilter at each depth: the worked examples of the mean filter, the output step that
// inverts the fetch, and the guards on radii and image shapes.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "image/QuadsoftFilter.h"
#include "image/tests/BlurTestSupport.h"

namespace quorvane {
namespace {

using test::channelOf;
using test::CountingHost;
using test::TestImage;

// The table form for 8-bit and 16-bit and the formulas for float, as the plug-in uses them.
template <class Array>
constexpr int kPrecise = Array::pixel_type::isInteger ? 0 : 1;

template <class Array>
class QuadsoftFilterTest : public ::testing::Test {
protected:
    static constexpr int MAX = Array::MAX;

    template <int precise = kPrecise<Array>>
    int blur(const TestImage<Array>& source, TestImage<Array>& destination, double rx, double ry,
             int modeX = EdgeClamp, int modeY = EdgeClamp, bool gamma = false)
    {
        QuadsoftFilter<Array, precise> filter(&host);
        filter.source = source.array();
        filter.destination = destination.array();
        filter.radiusX = rx;
        filter.radiusY = ry;
        filter.edgeModeX = modeX;
        filter.edgeModeY = modeY;
        filter.gamma = gamma;
        const int result = filter.run(0, 1);
        EXPECT_EQ(host.live, 0);
        EXPECT_TRUE(destination.paddingIntact());
        return result;
    }

    // Tolerance of a radius-0 round trip: the tables quantise (16-bit dark values step by up to
    // 4.5 units through the encode table), the formulas only round.
    static double roundTrip(bool gamma)
    {
        if constexpr (!Array::pixel_type::isInteger)
            return 1e-6;
        return MAX == 255 ? 1.0 : (gamma ? 6.0 : 2.0);
    }

    CountingHost host;
};

TYPED_TEST_SUITE(QuadsoftFilterTest, test::Depths);

TYPED_TEST(QuadsoftFilterTest, RadiusZeroGivesThePictureBack)
{
    constexpr int MAX = TypeParam::MAX;
    std::mt19937 random(11);
    for (bool gamma : {false, true}) {
        TestImage<TypeParam> source(9, 7);
        source.randomise(random);
        TestImage<TypeParam> destination(9, 7);
        ASSERT_EQ(this->blur(source, destination, 0, 0, EdgeMirror, EdgeWrap, gamma), 0);
        const double tolerance = this->roundTrip(gamma);
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 9; ++x) {
                EXPECT_NEAR(channelOf(destination.at(x, y), 0), channelOf(source.at(x, y), 0),
                            TypeParam::pixel_type::isInteger ? 0 : 1e-12);
                if (channelOf(source.at(x, y), 0) == 0)
                    continue;   // a transparent pixel's colour is not kept
                for (int c = 1; c < 4; ++c)
                    EXPECT_NEAR(channelOf(destination.at(x, y), c), channelOf(source.at(x, y), c),
                                tolerance * (MAX == 1 ? channelOf(source.at(x, y), c) + 1 : 1))
                        << "gamma " << gamma << " at " << x << "," << y << " channel " << c;
            }
        }
    }
}

// Decoding before premultiplying must be undone by dividing by alpha before encoding: a
// half-transparent mid grey keeps its colour (it became about 174 of 255 the other way round).
TYPED_TEST(QuadsoftFilterTest, SemiTransparentColourSurvivesLinearLight)
{
    constexpr int MAX = TypeParam::MAX;
    const double half = TypeParam::pixel_type::isInteger ? std::floor(MAX * 128.0 / 255) : 0.5;
    TestImage<TypeParam> source(3, 3);
    source.fill(half, half, half, half);
    TestImage<TypeParam> table(3, 3), formula(3, 3), wide(3, 3);
    ASSERT_EQ(this->blur(source, table, 0, 0, EdgeClamp, EdgeClamp, true), 0);
    ASSERT_EQ(this->template blur<1>(source, formula, 0, 0, EdgeClamp, EdgeClamp, true), 0);
    ASSERT_EQ(this->blur(source, wide, 1.5, 2.25, EdgeClamp, EdgeClamp, true), 0);
    const double tolerance = TypeParam::pixel_type::isInteger ? 2 * this->roundTrip(true) : 1e-6;
    for (const TestImage<TypeParam>* image : {&table, &formula, &wide}) {
        EXPECT_NEAR(channelOf(image->at(1, 1), 1), half, tolerance);
        EXPECT_NEAR(channelOf(image->at(1, 1), 0), half, TypeParam::pixel_type::isInteger ? 1 : 1e-7);
    }
}

// Radius 1.5: weights 1, 1, 1 on d = −1 … 1 and 0.5 on d = ±2, sum 4.
TYPED_TEST(QuadsoftFilterTest, RadiusOneAndAHalfWeighsTheOuterPixelsHalf)
{
    constexpr int MAX = TypeParam::MAX;
    const double v = MAX == 1 ? 0.75 : (MAX == 255 ? 200 : 32000);
    TestImage<TypeParam> source(9, 1, true);
    source.fill(MAX, 0, 0, 0);
    source.set(4, 0, MAX, v, v, v);
    TestImage<TypeParam> destination(9, 1, true);
    ASSERT_EQ(this->template blur<1>(source, destination, 1.5, 0), 0);
    const double expected[9] = {0, 0, v / 8, v / 4, v / 4, v / 4, v / 8, 0, 0};
    for (int x = 0; x < 9; ++x) {
        EXPECT_NEAR(channelOf(destination.at(x, 0), 1), expected[x], MAX == 1 ? 1e-12 : 0) << x;
        EXPECT_EQ(channelOf(destination.at(x, 0), 0), MAX) << x;
    }
}

// A one-pixel-wide bright left border: clamp repeats it into the window, mirror reflects the
// interior instead.
TYPED_TEST(QuadsoftFilterTest, ClampRepeatsTheBorderMirrorReflectsTheInterior)
{
    constexpr int MAX = TypeParam::MAX;
    const double v = MAX == 1 ? 0.75 : (MAX == 255 ? 240 : 30000);
    TestImage<TypeParam> source(6, 4, true);
    source.fill(MAX, 0, 0, 0);
    for (int y = 0; y < 4; ++y)
        source.set(0, y, MAX, v, v, v);
    TestImage<TypeParam> clamp(6, 4, true), mirror(6, 4, true);
    ASSERT_EQ(this->template blur<1>(source, clamp, 1, 1, EdgeClamp, EdgeClamp), 0);
    ASSERT_EQ(this->template blur<1>(source, mirror, 1, 1, EdgeMirror, EdgeClamp), 0);
    const double tolerance = MAX == 1 ? 1e-7 : 1;
    EXPECT_NEAR(channelOf(clamp.at(0, 2), 1), 2 * v / 3, tolerance);
    EXPECT_NEAR(channelOf(mirror.at(0, 2), 1), v / 3, tolerance);
    EXPECT_NEAR(channelOf(clamp.at(1, 2), 1), v / 3, tolerance);
    EXPECT_NEAR(channelOf(mirror.at(1, 2), 1), v / 3, tolerance);
}

// Straight pixels with alpha 0 add nothing to the colour, whatever colour they carry.
TYPED_TEST(QuadsoftFilterTest, TransparentPixelsContributeNothing)
{
    constexpr int MAX = TypeParam::MAX;
    const double v = MAX == 1 ? 0.4 : (MAX == 255 ? 100 : 12800);
    TestImage<TypeParam> source(8, 6);
    source.fill(0, MAX, MAX, MAX);
    for (int x = 5; x < 8; ++x)
        for (int y = 0; y < 6; ++y)
            source.set(x, y, MAX, v, v, v);
    TestImage<TypeParam> destination(8, 6);
    ASSERT_EQ(this->template blur<1>(source, destination, 1.5, 1.5), 0);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 2; ++x)
            for (int c = 0; c < 4; ++c)
                EXPECT_EQ(channelOf(destination.at(x, y), c), 0) << x << "," << y;
        for (int x = 3; x < 8; ++x) {
            EXPECT_GT(channelOf(destination.at(x, y), 0), 0);
            EXPECT_NEAR(channelOf(destination.at(x, y), 1), v, MAX == 1 ? 1e-7 : 1) << x << "," << y;
        }
    }
}

// Sums that slid over opaque pixels into a transparent area keep rounding residue; a window of
// transparent pixels must still give (0, 0, 0, 0), not a colour divided by that residue.
TYPED_TEST(QuadsoftFilterTest, TransparentAreaAfterOpaqueContentIsClear)
{
    constexpr int MAX = TypeParam::MAX;
    std::mt19937 random(17);
    TestImage<TypeParam> source(20, 16);
    source.randomise(random, false);
    for (int y = 6; y < 16; ++y)
        for (int x = 8; x < 20; ++x)
            source.set(x, y, 0, MAX, (x + y) % 2 ? MAX : 0, MAX);
    for (double radius : {0.3, 1.7, 2.45}) {
        TestImage<TypeParam> table(20, 16), formula(20, 16);
        ASSERT_EQ(this->blur(source, table, radius, radius, EdgeClamp, EdgeClamp, true), 0);
        ASSERT_EQ(this->template blur<1>(source, formula, radius, radius, EdgeClamp, EdgeClamp, true), 0);
        for (const TestImage<TypeParam>* image : {&table, &formula})
            for (int y = 10; y < 16; ++y)
                for (int x = 12; x < 20; ++x) {
                    for (int c = 0; c < 4; ++c)
                        ASSERT_EQ(channelOf(image->at(x, y), c), 0) << radius << " at " << x << "," << y;
                }
    }
}

// Windows far larger than the image: a uniform picture stays uniform under clamp, wrap
// averages whole periods, and the cost stays that of any other radius.
TYPED_TEST(QuadsoftFilterTest, RadiiFarLargerThanTheImage)
{
    constexpr int MAX = TypeParam::MAX;
    const double v = MAX == 1 ? 0.5 : (MAX == 255 ? 77 : 9000);
    TestImage<TypeParam> uniform(8, 8, true);
    uniform.fill(MAX, v, v, v);
    for (double radius : {20.0, 1e6, 1e300}) {
        TestImage<TypeParam> destination(8, 8, true);
        ASSERT_EQ(this->template blur<1>(uniform, destination, radius, radius), 0);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                EXPECT_NEAR(channelOf(destination.at(x, y), 1), v, MAX == 1 ? 1e-6 : 1) << radius;
    }
    // Two columns 0 and MAX under wrap. Right of the image a huge window sees both columns
    // equally; left of it every position takes column 1, since positions −2, −4, … wrap to
    // n − 1 like all others there: three quarters of MAX.
    TestImage<TypeParam> stripes(2, 3, true);
    for (int y = 0; y < 3; ++y) {
        stripes.set(0, y, MAX, 0, 0, 0);
        stripes.set(1, y, MAX, MAX, MAX, MAX);
    }
    TestImage<TypeParam> destination(2, 3, true);
    ASSERT_EQ(this->template blur<1>(stripes, destination, 1e7, 1e7, EdgeWrap, EdgeWrap), 0);
    for (int x = 0; x < 2; ++x)
        EXPECT_NEAR(channelOf(destination.at(x, 1), 1), 0.75 * MAX, MAX == 1 ? 1e-6 : 1);
}

TYPED_TEST(QuadsoftFilterTest, TinyImagesAndHostileRadii)
{
    constexpr int MAX = TypeParam::MAX;
    const double v = MAX == 1 ? 0.25 : (MAX == 255 ? 64 : 8192);
    for (auto [w, h] : {std::pair{1, 1}, std::pair{1, 5}, std::pair{5, 1}}) {
        TestImage<TypeParam> source(w, h, true);
        source.fill(MAX, v, v, v);
        for (int mode : {1, 2, 3, 0, 42}) {
            TestImage<TypeParam> destination(w, h, true);
            ASSERT_EQ(this->template blur<1>(source, destination, 3.5, 2.5, mode, mode), 0);
            EXPECT_NEAR(channelOf(destination.at(w - 1, h - 1), 1), v, MAX == 1 ? 1e-9 : 1);
        }
    }
    // Negative, NaN and infinite radii and pixel sizes of 0 blur as radius 0 does; none crashes.
    std::mt19937 random(5);
    TestImage<TypeParam> source(5, 4);
    source.randomise(random);
    TestImage<TypeParam> plain(5, 4);
    ASSERT_EQ(this->blur(source, plain, 0, 0), 0);
    for (double bad : {-3.0, double(NAN), -double(INFINITY)}) {
        TestImage<TypeParam> destination(5, 4);
        ASSERT_EQ(this->blur(source, destination, bad, bad), 0);
        EXPECT_EQ(destination.bytes(), plain.bytes()) << bad;
    }
    QuadsoftFilter<TypeParam, kPrecise<TypeParam>> filter(&this->host);
    TestImage<TypeParam> destination(5, 4);
    filter.source = source.array();
    filter.destination = destination.array();
    filter.radiusX = filter.radiusY = 4;
    filter.pixelSizeX = 0;
    filter.pixelSizeY = std::nan("");
    ASSERT_EQ(filter.run(0, 1), 0);
    EXPECT_EQ(destination.bytes(), plain.bytes());
}

} // namespace
} // namespace quorvane
