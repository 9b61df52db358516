// AbberationBlurFilter at each depth: the colour order of a single white pixel, inverted and
// not, both passes alike, the map shortening the window, and the empty map.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "image/AbberationBlurFilter.h"
#include "image/tests/BlurTestSupport.h"

namespace quorvane {
namespace {

using test::channelOf;
using test::CountingHost;
using test::TestImage;

template <class Array>
class AbberationBlurFilterTest : public ::testing::Test {
protected:
    static constexpr int MAX = Array::MAX;

    AbberationBlurFilter<Array> filter(const TestImage<Array>& source, TestImage<Array>& destination)
    {
        AbberationBlurFilter<Array> f(&host);
        f.source = source.array();
        f.destination = destination.array();
        return f;
    }
    int finish(AbberationBlurFilter<Array>& f, const TestImage<Array>& destination)
    {
        const int result = f.run(0, 1);
        EXPECT_EQ(host.live, 0);
        EXPECT_TRUE(destination.paddingIntact());
        return result;
    }

    // The response of every channel to a white pixel in a black line, by offset d = sample −
    // output, along a row (or a column).
    std::vector<std::vector<double>> response(bool inverted, bool vertical)
    {
        const int n = 21, white = 10;
        TestImage<Array> source(vertical ? 1 : n, vertical ? n : 1, true);
        source.fill(MAX, 0, 0, 0);
        source.set(vertical ? 0 : white, vertical ? white : 0, MAX, MAX, MAX, MAX);
        TestImage<Array> destination(source.width(), source.height(), true);
        AbberationBlurFilter<Array> f = filter(source, destination);
        (vertical ? f.radiusY : f.radiusX) = 3;
        (vertical ? f.invertY : f.invertX) = inverted;
        EXPECT_EQ(finish(f, destination), 0);
        std::vector<std::vector<double>> byOffset(4, std::vector<double>(n, 0.0));
        for (int i = 0; i < n; ++i) {
            const auto& p = vertical ? destination.at(0, i) : destination.at(i, 0);
            for (int c = 0; c < 4; ++c)
                byOffset[c][white - i + n / 2] = channelOf(p, c) / MAX;
        }
        return byOffset;
    }

    static double centroid(const std::vector<double>& weights)
    {
        double sum = 0, moment = 0;
        for (std::size_t i = 0; i < weights.size(); ++i) {
            sum += weights[i];
            moment += weights[i] * (static_cast<double>(i) - static_cast<double>(weights.size() / 2));
        }
        return moment / sum;
    }

    CountingHost host;
};

TYPED_TEST_SUITE(AbberationBlurFilterTest, test::Depths);

// Red averages the left fifth and the right end of the window, green the middle, blue the
// right three fifths; inverted mirrors it. Rows and columns behave alike.
TYPED_TEST(AbberationBlurFilterTest, WhitePixelSplitsIntoColoursInOrder)
{
    const double tolerance = TypeParam::pixel_type::isInteger ? 1.5 / TypeParam::MAX : 1e-6;
    for (bool inverted : {false, true}) {
        const auto rows = this->response(inverted, false);
        const auto columns = this->response(inverted, true);
        const int centre = 10;
        for (int c = 0; c < 4; ++c)
            for (int d = 0; d < 21; ++d)
                EXPECT_NEAR(rows[c][d], columns[c][d], tolerance) << "channel " << c << " d " << d - centre;
        const double red = this->centroid(rows[1]);
        const double green = this->centroid(rows[2]);
        const double blue = this->centroid(rows[3]);
        const int s = inverted ? -1 : 1;
        EXPECT_LT(s * red, s * green) << inverted;
        EXPECT_LT(s * green, s * blue) << inverted;
        // Red at both ends of the window, its larger part on the far side from blue.
        EXPECT_GT(rows[1][inverted ? centre + 3 : centre - 2], 0.3);
        EXPECT_GT(rows[1][inverted ? centre - 2 : centre + 2], 0.15);
        // Blue hardly reaches the side red leads on.
        double blueThere = 0;
        for (int d = 1; d <= 4; ++d)
            blueThere += rows[3][centre - d * s];
        EXPECT_LT(blueThere, 0.15);
        for (int d = 0; d < 21; ++d)
            EXPECT_NEAR(rows[0][d], 1.0, tolerance);
    }
}

// Where the map equals the focus the window has length 0 and the pixel is its own mean; an
// empty map lets every pixel use the full radius.
TYPED_TEST(AbberationBlurFilterTest, MapShortensTheWindowEmptyMapKeepsIt)
{
    constexpr int MAX = TypeParam::MAX;
    std::mt19937 random(31);
    TestImage<TypeParam> source(9, 7);
    source.randomise(random);
    TestImage<TypeParam> atFocus(9, 7);
    atFocus.fill(MAX, MAX, MAX, MAX);
    TestImage<TypeParam> identity(9, 7);
    auto f = this->filter(source, identity);
    f.map = atFocus.array();
    f.radiusX = 4;
    f.radiusY = 5;
    f.focus = 1;
    f.mapChannel = MapGreen;
    ASSERT_EQ(this->finish(f, identity), 0);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            for (int c = 0; c < 4; ++c) {
                if (c > 0 && channelOf(source.at(x, y), 0) == 0)
                    continue;
                // Each table step loses up to a unit, which back in straight colour weighs
                // MAX / alpha.
                const double steps = MAX == 32768 ? 2 + 2 * MAX / channelOf(source.at(x, y), 0) : 1;
                EXPECT_NEAR(channelOf(identity.at(x, y), c), channelOf(source.at(x, y), c),
                            TypeParam::pixel_type::isInteger ? steps : 1e-5)
                    << x << "," << y << " " << c;
            }

    TestImage<TypeParam> empty(9, 7), full(9, 7);
    auto plain = this->filter(source, empty);
    plain.radiusX = 4;
    plain.radiusY = 5;
    ASSERT_EQ(this->finish(plain, empty), 0);
    TestImage<TypeParam> farFromFocus(9, 7);
    farFromFocus.fill(MAX, 0, 0, 0);
    auto mapped = this->filter(source, full);
    mapped.map = farFromFocus.array();
    mapped.radiusX = 4;
    mapped.radiusY = 5;
    mapped.focus = 1;
    mapped.mapChannel = MapRed;
    ASSERT_EQ(this->finish(mapped, full), 0);
    EXPECT_EQ(empty.bytes(), full.bytes());
}

// A map positioned elsewhere is read through both origins; outside it the full radius holds.
TYPED_TEST(AbberationBlurFilterTest, MapIsAlignedThroughTheOrigins)
{
    constexpr int MAX = TypeParam::MAX;
    TestImage<TypeParam> source(12, 1, true);
    source.fill(MAX, 0, 0, 0);
    source.set(6, 0, MAX, MAX, MAX, MAX);
    source.array().originX = 100;
    TestImage<TypeParam> map(3, 1);
    map.fill(MAX, MAX, MAX, MAX);   // at the focus: no blur over source pixels 5 … 7
    map.array().originX = 105;
    TestImage<TypeParam> destination(12, 1, true);
    auto f = this->filter(source, destination);
    f.map = map.array();
    f.radiusX = 4;
    f.focus = 1;
    f.mapChannel = MapAlpha;
    ASSERT_EQ(this->finish(f, destination), 0);
    // Through both tables a 16-bit white comes back two units lower.
    EXPECT_NEAR(channelOf(destination.at(6, 0), 2), MAX, MAX == 32768 ? 2 : (MAX == 255 ? 1 : 1e-6));
    EXPECT_EQ(channelOf(destination.at(5, 0), 2), 0);
    EXPECT_GT(channelOf(destination.at(4, 0), 3), 0);   // full radius again: blue reaches left
}

TYPED_TEST(AbberationBlurFilterTest, TinyImagesHugeAndHostileRadii)
{
    constexpr int MAX = TypeParam::MAX;
    const double v = MAX == 1 ? 0.25 : (MAX == 255 ? 64 : 8192);
    for (auto [w, h] : {std::pair{1, 1}, std::pair{1, 4}, std::pair{4, 1}, std::pair{3, 2}}) {
        TestImage<TypeParam> source(w, h, true);
        source.fill(MAX, v, v, v);
        for (double radius : {3.0, 50.0, 1e5, 1e300}) {
            for (int mode : {1, 2, 3, 0}) {
                TestImage<TypeParam> destination(w, h, true);
                auto f = this->filter(source, destination);
                f.radiusX = radius;
                f.radiusY = radius / 2;
                f.edgeModeX = f.edgeModeY = mode;
                ASSERT_EQ(this->finish(f, destination), 0);
                EXPECT_NEAR(channelOf(destination.at(w - 1, h - 1), 2), v, MAX == 1 ? 1e-4 : 2)
                    << w << "x" << h << " radius " << radius << " mode " << mode;
            }
        }
    }
    TestImage<TypeParam> source(4, 3);
    source.fill(MAX, v, v, v);
    TestImage<TypeParam> destination(4, 3);
    auto f = this->filter(source, destination);
    f.radiusX = -2;
    f.radiusY = NAN;
    f.pixelSizeX = 0;
    f.focus = NAN;
    ASSERT_EQ(this->finish(f, destination), 0);
    EXPECT_NEAR(channelOf(destination.at(1, 1), 1), v, MAX == 1 ? 1e-6 : 2);
}

} // namespace
} // namespace quorvane
