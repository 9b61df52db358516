#include <cmath>

#include <gtest/gtest.h>

#include "image/MultImageFilter.h"
#include "image/tests/ImageTestSupport.h"

namespace quorvane {
namespace {

using testing::fillWith;
using testing::patternAt;
using testing::RecordingHost;
using testing::TestImage;

template <class T, class M>
struct MultPair {
    using Target = T;
    using Multiplier = M;
};

// Target channels (alpha, red, green, blue) at each full scale.
template <class Pixel>
Channels targetValues()
{
    if constexpr (Pixel::MAX == 255)
        return {255, 200, 100, 50};
    else if constexpr (Pixel::MAX == 32768)
        return {32768, 20000, 10000, 5000};
    else
        return {1, 0.5, 0.25, 0.125};
}

template <class Pixel>
void expectChannel(double actual, double expected)
{
    if constexpr (Pixel::isInteger)
        EXPECT_EQ(actual, std::trunc(expected));
    else
        EXPECT_NEAR(actual, expected, 1e-6 * Pixel::MAX);
}

template <class Pair>
class MultFilter : public ::testing::Test {
protected:
    using Target = typename Pair::Target;
    using Multiplier = typename Pair::Multiplier;
    using Filter = MultImageFilter<PixelArray<Target>, PixelArray<Multiplier>>;

    // Multiplies a 3 × 2 target of targetValues() by a uniform multiplier pixel.
    void multiplyBy(double a, double r, double g, double b, double expectedFactor)
    {
        TestImage<PixelArray<Target>> target(3, 2, true);
        TestImage<PixelArray<Multiplier>> multiplier(3, 2);
        const Channels t = targetValues<Target>();
        target.fill(t.a, t.r, t.g, t.b);
        multiplier.fill(a, r, g, b);
        RecordingHost host;
        Filter filter(&host);
        filter.target = target.array();
        filter.multiplier = multiplier.array();
        ASSERT_EQ(filter.run(0, 1), 0);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) {
                const Channels out = readChannels(target.at(x, y));
                expectChannel<Target>(out.a, t.a * expectedFactor);
                expectChannel<Target>(out.r, t.r * expectedFactor);
                expectChannel<Target>(out.g, t.g * expectedFactor);
                expectChannel<Target>(out.b, t.b * expectedFactor);
            }
        EXPECT_TRUE(target.paddingIntact());
        EXPECT_TRUE(multiplier.paddingIntact());
    }
};

using MultPairs = ::testing::Types<MultPair<Pixel8, Pixel8>, MultPair<Pixel16, Pixel16>,
                                   MultPair<PixelFloat, PixelFloat>,
                                   MultPair<PixelFloat255, Pixel8>,
                                   MultPair<PixelFloat32768, Pixel16>>;
TYPED_TEST_SUITE(MultFilter, MultPairs);

TYPED_TEST(MultFilter, WhiteMultiplierKeepsTheTarget)
{
    const double max = TestFixture::Multiplier::MAX;
    this->multiplyBy(max, max, max, max, 1.0);
}

TYPED_TEST(MultFilter, PureRedScalesEveryChannelByTheRedWeight)
{
    const double max = TestFixture::Multiplier::MAX;
    this->multiplyBy(max, max, 0, 0, 0.292687786);
}

TYPED_TEST(MultFilter, TransparentMultiplierClearsEverything)
{
    const double max = TestFixture::Multiplier::MAX;
    this->multiplyBy(0, max, max, max, 0.0);
}

TYPED_TEST(MultFilter, SameResultOnOneAndFourThreads)
{
    using Target = typename TestFixture::Target;
    using Multiplier = typename TestFixture::Multiplier;
    TestImage<PixelArray<Multiplier>> multiplier(29, 31);
    fillWith(multiplier, patternAt<Multiplier>);
    auto run = [&](int threads) {
        TestImage<PixelArray<Target>> target(29, 31);
        fillWith(target, patternAt<Target>);
        RecordingHost host(threads);
        typename TestFixture::Filter filter(&host);
        filter.target = target.array();
        filter.multiplier = multiplier.array();
        EXPECT_EQ(filter.run(0, 1), 0);
        return target.bytes();
    };
    EXPECT_EQ(run(1), run(4));
}

TEST(MultFilterDepths, EightBitMixedMultiplier)
{
    // weight = (0.292687786 × 64 + 0.552149646 × 32 + 0.155162568 × 255) × 128 / 255²
    //        = 0.1495395542...
    TestImage<Image8> target(1, 1);
    TestImage<Image8> multiplier(1, 1);
    target.set(0, 0, 255, 200, 100, 50);
    multiplier.set(0, 0, 128, 64, 32, 255);
    RecordingHost host;
    MultImageFilter<Image8, Image8> filter(&host);
    filter.target = target.array();
    filter.multiplier = multiplier.array();
    ASSERT_EQ(filter.run(0, 1), 0);
    const Pixel8& p = target.at(0, 0);
    EXPECT_EQ(p.alpha(), 38);
    EXPECT_EQ(p.red(), 29);
    EXPECT_EQ(p.green(), 14);
    EXPECT_EQ(p.blue(), 7);
}

TEST(MultFilterDepths, HostileFloatMultiplierNeverBreaksAnIntegerTarget)
{
    TestImage<Image8> target(3, 1);
    TestImage<ImageFloat> multiplier(3, 1);
    target.fill(255, 255, 255, 255);
    multiplier.set(0, 0, 1, 1e30, 0, 0);
    multiplier.set(1, 0, 1, -5, 0, 0);
    multiplier.set(2, 0, 1, std::nan(""), 0, 0);
    RecordingHost host;
    MultImageFilter<Image8, ImageFloat> filter(&host);
    filter.target = target.array();
    filter.multiplier = multiplier.array();
    ASSERT_EQ(filter.run(0, 1), 0);
    EXPECT_EQ(target.at(0, 0).red(), 255);
    EXPECT_EQ(target.at(1, 0).red(), 0);
    EXPECT_EQ(target.at(2, 0).red(), 0);
}

} // namespace
} // namespace quorvane
