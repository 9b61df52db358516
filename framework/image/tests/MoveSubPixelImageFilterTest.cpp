#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "image/MoveSubPixelImageFilter.h"
#include "image/tests/ImageTestSupport.h"

namespace quorvane {
namespace {

using testing::ProgressCall;
using testing::fillWith;
using testing::RecordingHost;
using testing::TestImage;

template <class Pixel>
class MoveSubPixel : public ::testing::Test {
protected:
    using Filter = MoveSubPixelImageFilter<PixelArray<Pixel>>;

    // Shifts a line of pixels holding `values` in all four channels, laid out along x or y.
    std::vector<float> shiftLine(const std::vector<float>& values, double shift, bool vertical)
    {
        const int n = static_cast<int>(values.size());
        TestImage<PixelArray<Pixel>> image(vertical ? 1 : n, vertical ? n : 1, true);
        for (int i = 0; i < n; ++i) {
            const double v = values[i];
            image.set(vertical ? 0 : i, vertical ? i : 0, v, v, v, v);
        }
        RecordingHost host;
        Filter filter(&host);
        filter.image = image.array();
        (vertical ? filter.shiftY : filter.shiftX) = shift;
        EXPECT_EQ(filter.run(0, 1), 0);
        EXPECT_TRUE(image.paddingIntact());
        std::vector<float> result;
        for (int i = 0; i < n; ++i) {
            const Pixel& p = image.at(vertical ? 0 : i, vertical ? i : 0);
            for (int c = 1; c < 4; ++c)
                EXPECT_EQ(p.channels[c], p.channels[0]) << "all channels alike";
            result.push_back(p.channels[0]);
        }
        return result;
    }
};

using FloatPixels = ::testing::Types<PixelFloat255, PixelFloat32768, PixelFloat>;
TYPED_TEST_SUITE(MoveSubPixel, FloatPixels);

TYPED_TEST(MoveSubPixel, HalfPixelRightAveragesTheLastPixelWithItself)
{
    EXPECT_EQ(this->shiftLine({0, 1, 0}, 0.5, false), (std::vector<float>{0.5f, 0.5f, 0}));
    EXPECT_EQ(this->shiftLine({0, 1, 0}, 0.5, true), (std::vector<float>{0.5f, 0.5f, 0}));
}

TYPED_TEST(MoveSubPixel, NegativeShiftTruncatesTowardZeroAndReadsShiftedPixels)
{
    const std::vector<float> expected{-3.0f / 16, 0.75f, 0.25f};
    EXPECT_EQ(this->shiftLine({0, 1, 0}, -0.25, false), expected);
    EXPECT_EQ(this->shiftLine({0, 1, 0}, -0.25, true), expected);
}

TYPED_TEST(MoveSubPixel, PositiveShiftsMatchBilinearSamplingOfTheOriginal)
{
    const int w = 5;
    const int h = 4;
    TestImage<PixelArray<TypeParam>> image(w, h, true);
    auto original = [](int x, int y) { return double(x * x + 3 * y); };
    fillWith(image, [&](int x, int y) {
        const double v = original(x, y);
        return Channels{v, v + 1, v + 2, v + 3};
    });
    RecordingHost host;
    typename TestFixture::Filter filter(&host);
    filter.image = image.array();
    filter.shiftX = 0.5;
    filter.shiftY = 0.25;
    ASSERT_EQ(filter.run(0, 1), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int x1 = std::min(x + 1, w - 1);
            const int y1 = std::min(y + 1, h - 1);
            const double expected = 0.375 * original(x, y) + 0.375 * original(x1, y) +
                                    0.125 * original(x, y1) + 0.125 * original(x1, y1);
            EXPECT_NEAR(image.at(x, y).alpha(), expected, 1e-5) << x << "," << y;
            EXPECT_NEAR(image.at(x, y).blue(), expected + 3, 1e-5) << x << "," << y;
        }
    EXPECT_TRUE(image.paddingIntact());
}

TYPED_TEST(MoveSubPixel, ProgressPerRowOnTheCallingThread)
{
    for (double shiftY : {0.25, -0.25}) {
        TestImage<PixelArray<TypeParam>> image(2, 3, true);
        RecordingHost host(4);
        typename TestFixture::Filter filter(&host);
        filter.image = image.array();
        filter.shiftY = shiftY;
        ASSERT_EQ(filter.run(1, 3), 0);
        const std::vector<ProgressCall> up{{5, 9, 0}, {4, 9, 0}, {3, 9, 0}};
        const std::vector<ProgressCall> down{{3, 9, 0}, {4, 9, 0}, {5, 9, 0}};
        EXPECT_EQ(host.progressCalls(), shiftY >= 0 ? down : up) << "shift " << shiftY;
    }
}

TYPED_TEST(MoveSubPixel, RefusedProgressStopsAfterThatRow)
{
    TestImage<PixelArray<TypeParam>> image(2, 3, true);
    image.fill(1, 1, 1, 1);
    image.set(1, 2, 0, 0, 0, 0);
    RecordingHost host;
    host.refuseFrom(2);
    typename TestFixture::Filter filter(&host);
    filter.image = image.array();
    filter.shiftX = 0.5;
    EXPECT_EQ(filter.run(0, 1), RecordingHost::kStopped);
    EXPECT_EQ(host.progressCalls().size(), 2u);
    EXPECT_EQ(image.at(0, 2).red(), 1.0f) << "row 2 not processed";
    EXPECT_EQ(image.at(1, 2).red(), 0.0f);
}

} // namespace
} // namespace quorvane
