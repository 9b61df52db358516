#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "image/CopyImageFilter.h"
#include "image/tests/ImageTestSupport.h"

namespace quorvane {
namespace {

using testing::fillWith;
using testing::halfScale;
using testing::patternAt;
using testing::ProgressCall;
using testing::RecordingHost;
using testing::rowIsClear;
using testing::TestImage;

template <class Pixel>
void expectPixel(const Pixel& p, double a, double r, double g, double b)
{
    EXPECT_EQ(static_cast<double>(p.alpha()), a);
    EXPECT_EQ(static_cast<double>(p.red()), r);
    EXPECT_EQ(static_cast<double>(p.green()), g);
    EXPECT_EQ(static_cast<double>(p.blue()), b);
}

template <class Pixel>
class CopyFilter : public ::testing::Test {
protected:
    using Array = PixelArray<Pixel>;
    using Filter = CopyImageFilter<Array, Array>;
    static constexpr double MAX = Pixel::MAX;
};

using HostPixels = ::testing::Types<Pixel8, Pixel16, PixelFloat>;
TYPED_TEST_SUITE(CopyFilter, HostPixels);

TYPED_TEST(CopyFilter, SameStorageCopiesExactly)
{
    TestImage<PixelArray<TypeParam>> source(5, 3, true);
    TestImage<PixelArray<TypeParam>> destination(5, 3);
    fillWith(source, patternAt<TypeParam>);
    RecordingHost host;
    typename TestFixture::Filter filter(&host);
    filter.source = source.array();
    filter.destination = destination.array();
    ASSERT_EQ(filter.run(0, 1), 0);
    EXPECT_TRUE(filter.destination.premultiplied);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const Channels c = patternAt<TypeParam>(x, y);
            expectPixel(destination.at(x, y), c.a, c.r, c.g, c.b);
        }
    EXPECT_TRUE(destination.paddingIntact());
    EXPECT_TRUE(source.paddingIntact());
}

TYPED_TEST(CopyFilter, InPlaceWithoutConversionChangesNothing)
{
    TestImage<PixelArray<TypeParam>> image(4, 3, true);
    fillWith(image, patternAt<TypeParam>);
    const std::vector<std::uint8_t> before = image.bytes();
    RecordingHost host(3);
    typename TestFixture::Filter filter(&host);
    filter.source = image.array();
    filter.destination = image.array();
    ASSERT_EQ(filter.run(0, 1), 0);
    EXPECT_EQ(image.bytes(), before);
}

TYPED_TEST(CopyFilter, PremultipliesAStraightSource)
{
    // 8-bit: alpha 128, red 255 gives red 128 (255 × 128/255, truncated).
    const double half = halfScale<TypeParam>();
    const double max = TestFixture::MAX;
    TestImage<PixelArray<TypeParam>> source(1, 1);
    TestImage<PixelArray<TypeParam>> destination(1, 1);
    source.set(0, 0, half, max, 0, max);
    RecordingHost host;
    typename TestFixture::Filter filter(&host);
    filter.source = source.array();
    filter.destination = destination.array();
    filter.alphaMode = TestFixture::Filter::Premultiplied;
    ASSERT_EQ(filter.run(0, 1), 0);
    EXPECT_TRUE(filter.destination.premultiplied);
    expectPixel(destination.at(0, 0), half, half, 0, half);
}

TYPED_TEST(CopyFilter, StraightensPremultipliedAlphaZeroUnchanged)
{
    const double max = TestFixture::MAX;
    TestImage<PixelArray<TypeParam>> source(2, 1, true);
    TestImage<PixelArray<TypeParam>> destination(2, 1, true);
    source.set(0, 0, 0, max, halfScale<TypeParam>(), 0);
    source.set(1, 0, max, halfScale<TypeParam>(), 0, max);
    RecordingHost host;
    typename TestFixture::Filter filter(&host);
    filter.source = source.array();
    filter.destination = destination.array();
    filter.alphaMode = TestFixture::Filter::Straight;
    ASSERT_EQ(filter.run(0, 1), 0);
    EXPECT_FALSE(filter.destination.premultiplied);
    expectPixel(destination.at(0, 0), 0, max, halfScale<TypeParam>(), 0);
    expectPixel(destination.at(1, 0), max, halfScale<TypeParam>(), 0, max);
}

TYPED_TEST(CopyFilter, ReadsOutsideTheSourceAsOneUnitOfAlpha)
{
    const double max = TestFixture::MAX;
    TestImage<PixelArray<TypeParam>> source(2, 2);
    TestImage<PixelArray<TypeParam>> destination(4, 3);
    fillWith(source, [&](int x, int y) { return Channels{max, double(x + 1), double(y + 1), 0}; });
    RecordingHost host;
    typename TestFixture::Filter filter(&host);
    filter.source = source.array();
    filter.destination = destination.array();
    filter.offsetX = 1;
    filter.offsetY = -1;
    ASSERT_EQ(filter.run(0, 1), 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const int sx = x + 1;
            const int sy = y - 1;
            SCOPED_TRACE(::testing::Message() << "x " << x << " y " << y);
            if (sx >= 0 && sx < 2 && sy >= 0 && sy < 2)
                expectPixel(destination.at(x, y), max, sx + 1, sy + 1, 0);
            else
                expectPixel(destination.at(x, y), 1, 0, 0, 0);
        }
    EXPECT_TRUE(destination.paddingIntact());
}

TYPED_TEST(CopyFilter, SameResultOnOneAndFourThreads)
{
    TestImage<PixelArray<TypeParam>> source(37, 23);
    fillWith(source, patternAt<TypeParam>);
    auto run = [&](int threads) {
        TestImage<PixelArray<TypeParam>> destination(37, 23);
        RecordingHost host(threads);
        typename TestFixture::Filter filter(&host);
        filter.source = source.array();
        filter.destination = destination.array();
        filter.alphaMode = TestFixture::Filter::Premultiplied;
        filter.offsetX = -3;
        filter.offsetY = 2;
        EXPECT_EQ(filter.run(1, 3), 0);
        EXPECT_EQ(host.progressCalls().size(), 23u);
        return destination.bytes();
    };
    EXPECT_EQ(run(1), run(4));
}

TEST(CopyFilterDepths, HalfAlphaPremultipliedStraightensByMaxOverAlpha)
{
    // 64 × 255/128 = 127.5, truncated.
    TestImage<Image8> source(1, 1, true);
    TestImage<Image8> destination(1, 1);
    source.set(0, 0, 128, 64, 128, 0);
    RecordingHost host;
    CopyImageFilter<Image8, Image8> filter(&host);
    filter.source = source.array();
    filter.destination = destination.array();
    filter.alphaMode = 2;
    ASSERT_EQ(filter.run(0, 1), 0);
    expectPixel(destination.at(0, 0), 128, 127, 255, 0);
}

template <class SourcePixel, class DestinationPixel>
void expectClampedCopy(double in, double out)
{
    TestImage<PixelArray<SourcePixel>> source(1, 1);
    TestImage<PixelArray<DestinationPixel>> destination(1, 1);
    source.set(0, 0, in, in, in, in);
    RecordingHost host;
    CopyImageFilter<PixelArray<SourcePixel>, PixelArray<DestinationPixel>> filter(&host);
    filter.source = source.array();
    filter.destination = destination.array();
    ASSERT_EQ(filter.run(0, 1), 0);
    SCOPED_TRACE(::testing::Message() << "value " << in);
    expectPixel(destination.at(0, 0), out, out, out, out);
}

TEST(CopyFilterDepths, FloatIntoIntegerClampsToFullScale)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    expectClampedCopy<PixelFloat255, Pixel8>(300, 255);
    expectClampedCopy<PixelFloat255, Pixel8>(-20, 0);
    expectClampedCopy<PixelFloat255, Pixel8>(254.9, 254);
    expectClampedCopy<PixelFloat255, Pixel8>(nan, 0);
    expectClampedCopy<PixelFloat255, Pixel8>(inf, 255);
    expectClampedCopy<PixelFloat32768, Pixel16>(40000, 32768);
    expectClampedCopy<PixelFloat32768, Pixel16>(-1, 0);
    expectClampedCopy<PixelFloat32768, Pixel16>(32767.9, 32767);
    // Between float images nothing is clamped.
    expectClampedCopy<PixelFloat255, PixelFloat255>(300, 300);
    expectClampedCopy<PixelFloat, PixelFloat>(-0.5, -0.5);
}

TEST(CopyFilterRun, ProgressCountsRowsAcrossPasses)
{
    TestImage<Image8> source(3, 4);
    TestImage<Image8> destination(3, 4);
    RecordingHost host(3);
    CopyImageFilter<Image8, Image8> filter(&host);
    filter.source = source.array();
    filter.destination = destination.array();
    ASSERT_EQ(filter.run(2, 5), 0);
    std::multiset<int> done;
    for (const ProgressCall& call : host.progressCalls()) {
        done.insert(call.done);
        EXPECT_EQ(call.total, 20);
        EXPECT_GE(call.threadIndex, 0);
        EXPECT_LT(call.threadIndex, 3);
    }
    EXPECT_EQ(done, (std::multiset<int>{8, 9, 10, 11}));
}

TEST(CopyFilterRun, RefusedProgressStopsAndIsReturned)
{
    TestImage<Image8> source(3, 5);
    TestImage<Image8> destination(3, 5);
    source.fill(255, 10, 20, 30);
    RecordingHost host(1);
    host.refuseFrom(2);
    CopyImageFilter<Image8, Image8> filter(&host);
    filter.source = source.array();
    filter.destination = destination.array();
    EXPECT_EQ(filter.run(0, 1), RecordingHost::kStopped);
    EXPECT_FALSE(rowIsClear(destination, 1));
    for (int y = 2; y < 5; ++y)
        EXPECT_TRUE(rowIsClear(destination, y)) << y;
}

TEST(CopyFilterRun, MissingPixelsSkipRowsWithoutProgress)
{
    TestImage<Image8> destination(3, 2);
    destination.fill(255, 1, 2, 3);
    const std::vector<std::uint8_t> before = destination.bytes();
    RecordingHost host;
    CopyImageFilter<Image8, Image8> filter(&host);
    filter.destination = destination.array();
    EXPECT_EQ(filter.run(0, 1), 0);
    EXPECT_TRUE(host.progressCalls().empty());
    EXPECT_EQ(destination.bytes(), before);
}

} // namespace
} // namespace quorvane
