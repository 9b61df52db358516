// MaskedQuadsoftFilter at each depth: the map-driven rectangle, its identity at the focus, the
// edge-aware block sum at radii beyond the image, and straight colours kept inside the range.

#include <gtest/gtest.h>

#include <random>

#include "image/MaskedQuadsoftFilter.h"
#include "image/tests/BlurTestSupport.h"

namespace quorvane {
namespace {

using test::channelOf;
using test::CountingHost;
using test::TestImage;

template <class Array>
class MaskedQuadsoftFilterTest : public ::testing::Test {
protected:
    static constexpr int MAX = Array::MAX;

    int blur(const TestImage<Array>& source, const TestImage<Array>& map, TestImage<Array>& destination,
             double radius, double focus, int channel = MapBlue, int mode = EdgeClamp, bool gamma = false)
    {
        MaskedQuadsoftFilter<Array> filter(&host);
        filter.source = source.array();
        filter.destination = destination.array();
        filter.map = map.array();
        filter.radiusX = radius;
        filter.radiusY = radius;
        filter.focus = focus;
        filter.mapChannel = channel;
        filter.edgeModeX = mode;
        filter.edgeModeY = mode;
        filter.gamma = gamma;
        const int result = filter.run(0, 1);
        EXPECT_EQ(host.live, 0);
        EXPECT_TRUE(destination.paddingIntact());
        return result;
    }

    CountingHost host;
};

TYPED_TEST_SUITE(MaskedQuadsoftFilterTest, test::Depths);

// Map equal to the focus everywhere: rx = ry = 0 and every pixel is its own source pixel, up to
// the round trip premultiply, decode, encode, divide by alpha. That round trip is not exact for
// premultiplied values just above 0.081: decode's power branch gives less than encode's
// threshold 0.018 there, and the linear branch of encode takes it back.
TYPED_TEST(MaskedQuadsoftFilterTest, MapAtTheFocusGivesThePictureBack)
{
    constexpr int MAX = TypeParam::MAX;
    const bool integer = TypeParam::pixel_type::isInteger;
    std::mt19937 random(21);
    for (bool gamma : {false, true}) {
        TestImage<TypeParam> source(7, 6);
        source.randomise(random);
        TestImage<TypeParam> map(7, 6);
        map.fill(MAX, MAX, 0, MAX / 2.0);   // blue at half: focus 0.5 for channel 5
        const double focus = integer ? std::floor(MAX / 2.0) / MAX : 0.5;
        TestImage<TypeParam> destination(7, 6);
        ASSERT_EQ(this->blur(source, map, destination, 40, focus, MapBlue, EdgeMirror, gamma), 0);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 7; ++x) {
                const double a = channelOf(source.at(x, y), 0);
                EXPECT_EQ(channelOf(destination.at(x, y), 0), a);
                if (a == 0)
                    continue;
                for (int c = 1; c < 4; ++c) {
                    const double premultiplied = channelOf(source.at(x, y), c) * (a * inverseMax<MAX>());
                    const double back = gamma ? encodeLinear<MAX>(decodeLinear<MAX>(premultiplied)) : premultiplied;
                    EXPECT_NEAR(channelOf(destination.at(x, y), c), back * (MAX / a), integer ? 1 : 1e-6)
                        << x << "," << y << " channel " << c << " gamma " << gamma;
                }
            }
    }
}

// Channel 5 reads blue: with red at the focus instead, the same map blurs.
TYPED_TEST(MaskedQuadsoftFilterTest, MapChannelFiveIsBlue)
{
    constexpr int MAX = TypeParam::MAX;
    TestImage<TypeParam> source(5, 5, true);
    source.fill(MAX, 0, 0, 0);
    source.set(2, 2, MAX, MAX, MAX, MAX);
    TestImage<TypeParam> map(5, 5);
    map.fill(MAX, 0, MAX, MAX);   // red 0, blue 1
    TestImage<TypeParam> blue(5, 5, true), red(5, 5, true);
    ASSERT_EQ(this->blur(source, map, blue, 1, 1.0, MapBlue), 0);
    ASSERT_EQ(this->blur(source, map, red, 1, 1.0, MapRed), 0);
    EXPECT_EQ(blue.bytes(), source.bytes());
    EXPECT_NEAR(channelOf(red.at(2, 2), 1), MAX / 9.0, TypeParam::pixel_type::isInteger ? 1 : 1e-6);
    EXPECT_NEAR(channelOf(red.at(1, 1), 1), MAX / 9.0, TypeParam::pixel_type::isInteger ? 1 : 1e-6);
}

// Outside the map the map value is 0; the map is read at the position plus the offset.
TYPED_TEST(MaskedQuadsoftFilterTest, MapIsReadAtTheOffsetAndZeroOutsideIt)
{
    constexpr int MAX = TypeParam::MAX;
    TestImage<TypeParam> source(6, 1, true);
    source.fill(MAX, 0, 0, 0);
    source.set(3, 0, MAX, MAX, MAX, MAX);
    TestImage<TypeParam> map(2, 1);
    map.fill(MAX, 0, 0, MAX);   // blue 1 = the focus: no blur where the map lies
    MaskedQuadsoftFilter<TypeParam> filter(&this->host);
    TestImage<TypeParam> destination(6, 1, true);
    filter.source = source.array();
    filter.destination = destination.array();
    filter.map = map.array();
    filter.radiusX = 1;
    filter.focus = 1;
    filter.mapChannel = MapBlue;
    filter.mapOffsetX = -2;   // source pixels 2 and 3 read map pixels 0 and 1
    ASSERT_EQ(filter.run(0, 1), 0);
    EXPECT_EQ(channelOf(destination.at(3, 0), 1), MAX);
    EXPECT_EQ(channelOf(destination.at(2, 0), 1), 0);
    EXPECT_NEAR(channelOf(destination.at(4, 0), 1), MAX / 3.0, TypeParam::pixel_type::isInteger ? 1 : 1e-6);
}

// An opaque uniform 8 × 8 picture under clamp, whole-number radii up to far beyond the image:
// every pixel keeps its value, in the border rows and columns too.
TYPED_TEST(MaskedQuadsoftFilterTest, UniformPictureStaysUniformForAnyRadius)
{
    constexpr int MAX = TypeParam::MAX;
    const double v = MAX == 1 ? 0.375 : (MAX == 255 ? 90 : 11111);
    TestImage<TypeParam> source(8, 8);
    source.fill(MAX, v, v, v);
    TestImage<TypeParam> map(8, 8);
    map.fill(MAX, 0, 0, 0);
    // Far beyond (radii of many million pixels) the sums no longer hold every bit, so the mean
    // may come out a rounding step below v and truncate to one unit less.
    for (double radius : {1.0, 3.0, 8.0, 20.0, 1000.0, 1e9}) {
        const double tolerance = radius > 1e6 ? (TypeParam::pixel_type::isInteger ? 1 : 1e-6) : 0;
        for (int mode : {EdgeClamp, EdgeMirror, EdgeWrap}) {
            TestImage<TypeParam> destination(8, 8);
            ASSERT_EQ(this->blur(source, map, destination, radius, 1.0, MapBlue, mode), 0);
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) {
                    EXPECT_NEAR(channelOf(destination.at(x, y), 1), v, tolerance) << radius << " mode " << mode;
                    EXPECT_NEAR(channelOf(destination.at(x, y), 0), MAX, tolerance);
                }
        }
    }
}

// Transparent pixels add nothing; a straight colour that linear light lifts above its alpha is
// still stored within [0, MAX].
TYPED_TEST(MaskedQuadsoftFilterTest, StraightColoursStayInRange)
{
    constexpr int MAX = TypeParam::MAX;
    TestImage<TypeParam> source(2, 1);
    source.set(0, 0, MAX, MAX, MAX, MAX);
    source.set(1, 0, 0, MAX, MAX, MAX);
    TestImage<TypeParam> map(2, 1);
    TestImage<TypeParam> destination(2, 1);
    ASSERT_EQ(this->blur(source, map, destination, 1, 1.0, MapBlue, EdgeClamp, true), 0);
    // Alpha 2/3 of MAX at pixel 0; the encoded mean of the colour lies above that.
    EXPECT_NEAR(channelOf(destination.at(0, 0), 0), 2.0 * MAX / 3, TypeParam::pixel_type::isInteger ? 1 : 1e-6);
    if constexpr (TypeParam::pixel_type::isInteger)
        EXPECT_EQ(channelOf(destination.at(0, 0), 1), MAX);
    else
        EXPECT_GT(channelOf(destination.at(0, 0), 1), 1.0);
    TestImage<TypeParam> clear(4, 4);
    clear.fill(0, MAX, MAX, MAX);
    TestImage<TypeParam> clearMap(4, 4);
    TestImage<TypeParam> out(4, 4);
    ASSERT_EQ(this->blur(clear, clearMap, out, 2.5, 1.0, MapBlue, EdgeWrap, true), 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            for (int c = 0; c < 4; ++c)
                EXPECT_EQ(channelOf(out.at(x, y), c), 0);
}

// The float table leaves rounding in rectangles of transparent pixels next to opaque ones;
// such a rectangle still gives (0, 0, 0, 0).
TYPED_TEST(MaskedQuadsoftFilterTest, TransparentAreaNextToOpaqueContentIsClear)
{
    constexpr int MAX = TypeParam::MAX;
    std::mt19937 random(23);
    TestImage<TypeParam> source(20, 16);
    source.randomise(random, false);
    for (int y = 6; y < 16; ++y)
        for (int x = 8; x < 20; ++x)
            source.set(x, y, 0, MAX, (x + y) % 2 ? MAX : 0, MAX);
    TestImage<TypeParam> map(20, 16);
    for (int x = 0; x < 20; ++x)
        for (int y = 0; y < 16; ++y)
            map.set(x, y, MAX, 0, 0, TypeParam::pixel_type::isInteger ? std::floor(MAX * (x % 5) / 4.0) : (x % 5) / 4.0);
    TestImage<TypeParam> destination(20, 16);
    ASSERT_EQ(this->blur(source, map, destination, 3.3, 0.0, MapBlue, EdgeClamp, true), 0);
    for (int y = 10; y < 16; ++y)
        for (int x = 12; x < 20; ++x)
            for (int c = 0; c < 4; ++c)
                ASSERT_EQ(channelOf(destination.at(x, y), c), 0) << x << "," << y;
}

} // namespace
} // namespace quorvane
