// The selection filter at its five instantiations: layer alignment, the straight layer's
// premultiplication, the selection-only grey and the rules when selection is off.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "image/HslRangeSelectionFilter.h"
#include "image/tests/ImageTestSupport.h"

namespace quorvane {
namespace {

using testing::RecordingHost;

template <class Array>
using Image = test::TestImage<Array>;

// A view of a test image, marked premultiplied or not, placed at an origin in layer space.
template <class Array>
Array viewOf(const Image<Array>& image, bool premultiplied, int originX = 0, int originY = 0)
{
    Array array = image.array();
    array.premultiplied = premultiplied;
    array.originX = originX;
    array.originY = originY;
    return array;
}

template <class S, class O, class L>
struct Config {
    using Source = S;
    using Output = O;
    using Layer = L;
};

using Configs = ::testing::Types<Config<Image8, Image8, Image8>, Config<Image16, Image16, Image16>,
                                 Config<ImageFloat, ImageFloat, ImageFloat>,
                                 Config<Image8, ImageFloat255, Image8>,
                                 Config<Image16, ImageFloat32768, Image16>>;

template <class C>
class HslRangeSelectionFilterTest : public ::testing::Test {
protected:
    using Source = typename C::Source;
    using Output = typename C::Output;
    using Layer = typename C::Layer;
    using Filter = HslRangeSelectionFilter<Source, Output, Layer>;
    static constexpr double M = Source::MAX;
    static constexpr bool integerOutput = Output::pixel_type::isInteger;

    // What the output channel holds for a computed value.
    static double stored(double v) { return integerOutput ? std::trunc(v) : double(float(v)); }

    Channels run(Filter& filter, int x, int y)
    {
        RecordingHost host;
        filter.host = &host;
        EXPECT_EQ(filter.run(0, 1), 0);
        return readChannels(filter.output.at(x, y));
    }

    void expectPixel(const Channels& got, double a, double r, double g, double b)
    {
        const double tolerance = integerOutput ? 0 : 1e-6 * M;
        EXPECT_NEAR(got.a, stored(a), tolerance);
        EXPECT_NEAR(got.r, stored(r), tolerance);
        EXPECT_NEAR(got.g, stored(g), tolerance);
        EXPECT_NEAR(got.b, stored(b), tolerance);
    }
};
TYPED_TEST_SUITE(HslRangeSelectionFilterTest, Configs);

// Source values as fractions of MAX; tests read back what each depth stores.
constexpr double kA = 0.5;
constexpr double kR = 0.75;
constexpr double kG = 0.25;
constexpr double kB = 1.0;

template <class TestImage>
Channels setAndRead(TestImage& image, int x, int y, double a, double r, double g, double b)
{
    image.set(x, y, a, r, g, b);
    return readChannels(image.at(x, y));
}

TYPED_TEST(HslRangeSelectionFilterTest, SelectionOffScalesEveryChannelByAlpha)
{
    using T = TestFixture;
    const double M = T::M;
    Image<typename T::Source> source(2, 1);
    Image<typename T::Output> output(2, 1);
    const Channels s = setAndRead(source, 0, 0, kA * M, kR * M, kG * M, kB * M);
    const Channels opaque = setAndRead(source, 1, 0, M, kR * M, kG * M, kB * M);
    typename T::Filter filter;
    filter.source = source.array();
    filter.output = output.array();
    filter.layer = source.array();
    Channels c = this->run(filter, 0, 0);
    const double k = s.a / M;
    this->expectPixel(c, s.a * k, s.r * k, s.g * k, s.b * k);
    c = readChannels(filter.output.at(1, 0));
    this->expectPixel(c, M, opaque.r, opaque.g, opaque.b);

    filter.params.selectionOnly = true;   // off and selection-only: full white
    c = this->run(filter, 0, 0);
    this->expectPixel(c, M, M, M, M);
}

TYPED_TEST(HslRangeSelectionFilterTest, WeightMultipliesEveryChannelAndSelectionOnlyShowsIt)
{
    using T = TestFixture;
    const double M = T::M;
    Image<typename T::Source> source(1, 1);
    Image<typename T::Output> output(1, 1);
    Image<typename T::Layer> layer(1, 1);
    const Channels s = setAndRead(source, 0, 0, kA * M, kR * M, kG * M, kB * M);
    const double grey = setAndRead(layer, 0, 0, M, 0.25 * M, 0.25 * M, 0.25 * M).r;
    typename T::Filter filter;
    filter.source = source.array();
    filter.output = output.array();
    filter.layer = viewOf(layer, true);
    filter.params.enabled = true;
    filter.params.lumSoftness = 1;   // weight = L / 1.00001
    const double w = grey / M / 1.00001;
    const double k = s.a / M;
    Channels c = this->run(filter, 0, 0);
    this->expectPixel(c, s.a * k * w, s.r * k * w, s.g * k * w, s.b * k * w);

    filter.params.selectionOnly = true;   // the source alpha squared, a grey of the weight
    c = this->run(filter, 0, 0);
    this->expectPixel(c, s.a * k, w * M, w * M, w * M);
}

TYPED_TEST(HslRangeSelectionFilterTest, LayerIsAlignedThroughOriginsAndZeroOutside)
{
    using T = TestFixture;
    const double M = T::M;
    Image<typename T::Source> source(4, 1);
    Image<typename T::Output> output(4, 1);
    Image<typename T::Layer> layer(2, 1);   // placed to cover output x = 1, 2
    Channels s;
    for (int x = 0; x < 4; ++x)
        s = setAndRead(source, x, 0, M, kR * M, kG * M, kB * M);
    layer.set(0, 0, M, M, M, M);      // white: passes
    layer.set(1, 0, M, 0, 0, 0);      // black: fails the luminance range
    typename T::Filter filter;
    filter.source = viewOf(source, false, 10, 5);
    filter.output = viewOf(output, true, 10, 5);
    filter.layer = viewOf(layer, true, 11, 5);
    filter.params.enabled = true;
    filter.params.lumStart = 0.5;
    this->run(filter, 0, 0);
    const auto pixel = [&](int x) { return readChannels(output.at(x, 0)); };
    this->expectPixel(pixel(0), 0, 0, 0, 0);   // left of the layer
    this->expectPixel(pixel(1), M, s.r, s.g, s.b);
    this->expectPixel(pixel(2), 0, 0, 0, 0);
    this->expectPixel(pixel(3), 0, 0, 0, 0);   // right of the layer

    filter.params.selectionOnly = true;        // grey 0 with the source alpha squared
    this->run(filter, 0, 0);
    this->expectPixel(pixel(0), M, 0, 0, 0);
    this->expectPixel(pixel(1), M, M, M, M);
}

TYPED_TEST(HslRangeSelectionFilterTest, StraightLayerIsPremultipliedFirst)
{
    using T = TestFixture;
    const double M = T::M;
    Image<typename T::Source> source(1, 1);
    Image<typename T::Output> output(1, 1);
    Image<typename T::Layer> layer(1, 1);
    source.set(0, 0, M, kR * M, kG * M, kB * M);
    layer.set(0, 0, kA * M, M, M, M);   // half-transparent white: lightness 0.5 once premultiplied
    typename T::Filter filter;
    filter.source = source.array();
    filter.output = output.array();
    filter.layer = layer.array();
    filter.params.enabled = true;
    filter.params.selectionOnly = true;
    filter.params.lumStart = 0.6;
    EXPECT_EQ(this->run(filter, 0, 0).r, 0);
    filter.layer = viewOf(layer, true);   // taken as stored: lightness 1
    EXPECT_EQ(this->run(filter, 0, 0).r, M);
}

TYPED_TEST(HslRangeSelectionFilterTest, TransparentLayerPixelIsBlackAndSourceFlagIsIgnored)
{
    using T = TestFixture;
    const double M = T::M;
    Image<typename T::Source> source(1, 1);
    Image<typename T::Output> output(1, 1);
    Image<typename T::Layer> layer(1, 1);
    const Channels s = setAndRead(source, 0, 0, kA * M, kR * M, kG * M, kB * M);
    layer.set(0, 0, 0, M, M, M);              // transparent white: colour 0 once premultiplied
    typename T::Filter filter;
    filter.source = viewOf(source, true);       // still read as straight
    filter.output = output.array();
    filter.layer = layer.array();
    filter.params.enabled = true;
    filter.params.lumEnd = 0;                 // only black passes
    const double k = s.a / M;
    this->expectPixel(this->run(filter, 0, 0), s.a * k, s.r * k, s.g * k, s.b * k);
}

TYPED_TEST(HslRangeSelectionFilterTest, SameResultOnOneThreadAndSeveral)
{
    using T = TestFixture;
    std::mt19937 random(5);
    Image<typename T::Source> source(37, 23);
    Image<typename T::Layer> layer(30, 25);
    source.randomise(random);
    layer.randomise(random);
    Image<typename T::Output> single(37, 23);
    Image<typename T::Output> several(37, 23);
    for (auto* out : {&single, &several}) {
        typename T::Filter filter;
        RecordingHost host(out == &several ? 4 : 1);
        filter.host = &host;
        filter.source = viewOf(source, false, 3, 4);
        filter.output = viewOf(*out, true, 3, 4);
        filter.layer = viewOf(layer, false, 0, 2);
        filter.params.enabled = true;
        filter.params.hueStart = 0.1;
        filter.params.hueEnd = 0.8;
        filter.params.hueSoftness = 1.5;
        filter.params.lumPeak = 0.2;
        filter.params.lumSoftness = 0.7;
        ASSERT_EQ(filter.run(1, 3), 0);
        const auto calls = host.progressCalls();
        ASSERT_EQ(calls.size(), 23u);
        EXPECT_EQ(calls.front().total, 69);
        EXPECT_TRUE(out->paddingIntact());
    }
    EXPECT_EQ(single.bytes(), several.bytes());
}


// An 8-bit filter wired to its own images: the source doubles as the layer until a test
// points the layer elsewhere.
struct EightBitRun {
    EightBitRun(int width, int height) : source(width, height), output(width, height),
                                         layer(width, height)
    {
        filter.host = &host;
        filter.source = source.array();
        filter.output = output.array();
        filter.layer = source.array();
    }

    Image<Image8> source;
    Image<Image8> output;
    Image<Image8> layer;
    RecordingHost host;
    HslRangeSelectionFilter<Image8, Image8, Image8> filter;
};

TEST(HslRangeSelectionFilter, HalfAlphaEightBitSelectionOffGivesQuarter)
{
    EightBitRun t(1, 1);
    t.source.set(0, 0, 128, 255, 100, 0);
    ASSERT_EQ(t.filter.run(0, 1), 0);
    EXPECT_EQ(t.output.at(0, 0).alpha(), 64);   // 128 × 128/255 = 64.25
    EXPECT_EQ(t.output.at(0, 0).red(), 128);    // 255 × 128/255
    EXPECT_EQ(t.output.at(0, 0).green(), 50);   // 50.196
}

TEST(HslRangeSelectionFilter, StraightEightBitLayerIsTruncatedAfterPremultiplying)
{
    // 200 × 100 × 0.003921569 = 78.43 stores as 78: lightness 78/255.
    EightBitRun t(1, 1);
    t.source.set(0, 0, 255, 255, 255, 255);
    t.layer.set(0, 0, 100, 200, 200, 200);
    t.filter.layer = t.layer.array();
    t.filter.params.enabled = true;
    t.filter.params.lumStart = 78 / 255.0;
    ASSERT_EQ(t.filter.run(0, 1), 0);
    EXPECT_EQ(t.output.at(0, 0).alpha(), 255);
    t.filter.params.lumStart = 78.2 / 255.0;
    ASSERT_EQ(t.filter.run(0, 1), 0);
    EXPECT_EQ(t.output.at(0, 0).alpha(), 0);
}

TEST(HslRangeSelectionFilter, RefusedProgressIsReturned)
{
    EightBitRun t(3, 5);
    t.host.refuseFrom(2);
    EXPECT_EQ(t.filter.run(0, 1), RecordingHost::kStopped);
}

TEST(HslRangeSelectionFilter, MissingLayerWeighsZero)
{
    EightBitRun t(2, 1);
    t.source.fill(255, 10, 20, 30);
    t.filter.layer = Image8{};
    t.filter.params.enabled = true;
    ASSERT_EQ(t.filter.run(0, 1), 0);
    EXPECT_EQ(t.output.at(1, 0).alpha(), 0);
    EXPECT_EQ(t.output.at(1, 0).red(), 0);
}

} // namespace
} // namespace quorvane
