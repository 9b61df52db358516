// Colour-space conversions, range curves, selection weights and the colour offset.

#include <gtest/gtest.h>

#include <cmath>
#include <type_traits>
#include <limits>

#include "image/HslSelection.h"

namespace quorvane {
namespace {

struct HslCase {
    double r, g, b;
    double h, s, l;
};

class RgbToHslTest : public ::testing::TestWithParam<HslCase> {};

TEST_P(RgbToHslTest, MatchesHandValues)
{
    const HslCase c = GetParam();
    const Hsl hsl = rgbToHsl(c.r, c.g, c.b);
    EXPECT_NEAR(hsl.h, c.h, 1e-12);
    EXPECT_NEAR(hsl.s, c.s, 1e-12);
    EXPECT_NEAR(hsl.l, c.l, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Colours, RgbToHslTest,
    ::testing::Values(HslCase{1, 0, 0, 0, 1, 0.5}, HslCase{0, 1, 0, 2, 1, 0.5},
                      HslCase{0, 0, 1, 4, 1, 0.5}, HslCase{1, 0, 1, 5, 1, 0.5},
                      HslCase{0.5, 0.5, 0.5, 0, 0, 0.5}, HslCase{0, 0, 0, 0, 0, 0},
                      HslCase{1, 0.5, 0.5, 0, 1, 0.75},       // L > 0.5: d / (2 - max - min)
                      HslCase{0.2, 0.4, 0.6, 3.5, 0.5, 0.4},  // blue largest
                      HslCase{0.6, 0.2, 0.4, 5.5, 0.5, 0.4})); // negative hue wraps

TEST(RgbToHsl, HueStaysBelowSix)
{
    // (g - b) / d is a rounding step below 0: adding the turn would give exactly 6.
    const Hsl hsl = rgbToHsl(1.0, 0.5, std::nextafter(0.5, 1.0));
    EXPECT_GE(hsl.h, 0);
    EXPECT_LT(hsl.h, 6);
}

TEST(HslToRgb, ProducesPrimariesAndRoundsToSingle)
{
    const Rgb cyan = hslToRgb(3, 1, 0.5);
    EXPECT_EQ(cyan.r, 0);
    EXPECT_EQ(cyan.g, 1);
    EXPECT_EQ(cyan.b, 1);
    const Rgb grey = hslToRgb(1.5, 0, 0.1);
    EXPECT_EQ(grey.r, double(0.1f));
    EXPECT_EQ(grey.g, double(0.1f));
    const Rgb c = hslToRgb(3.5, 0.5, 0.4);
    EXPECT_EQ(c.r, double(0.2f));
    EXPECT_EQ(c.g, double(0.4f));
    EXPECT_EQ(c.b, double(0.6f));
    const Rgb light = hslToRgb(0, 1, 0.75);   // m2 = L + S - L S
    EXPECT_EQ(light.r, 1);
    EXPECT_EQ(light.g, 0.5);
}

TEST(HslToRgb, ZeroDenominatorOfOverRangeColourStaysFinite)
{
    const Hsl hsl = rgbToHsl(1.5, 0.5, 0.5);   // max + min = 2 with L > 0.5
    EXPECT_TRUE(std::isfinite(hsl.s));
    const Rgb back = hslToRgb(hsl.h, hsl.s, hsl.l);
    EXPECT_TRUE(std::isfinite(back.r) && std::isfinite(back.g) && std::isfinite(back.b));
}

TEST(RangeCurve, StartAfterEndIsTheMiddlePart)
{
    const HslRangeCurve c = prepareRangeCurve(230 / 255.0, 25 / 255.0, 0, 1, 0);
    EXPECT_DOUBLE_EQ(c.lo, 25 / 255.0);
    EXPECT_DOUBLE_EQ(c.hi, 230 / 255.0);
    EXPECT_DOUBLE_EQ(c.invWidth, 1 / (230 / 255.0 - 25 / 255.0));
}

TEST(RangeCurve, FullRangeAndWholeTurns)
{
    const HslRangeCurve full = prepareRangeCurve(0, 1, 0, 1, 0);
    EXPECT_EQ(full.lo, 0);
    EXPECT_EQ(full.hi, 1.00001);
    const HslRangeCurve shifted = prepareRangeCurve(0.2, 0.4, -0.5, 1, 0);
    EXPECT_NEAR(shifted.lo, 0.7, 1e-15);
    EXPECT_NEAR(shifted.hi, 0.9, 1e-15);
    const HslRangeCurve up = prepareRangeCurve(0.2, 0.4, 2.5, 1, 0);
    EXPECT_NEAR(up.lo, 0.7, 1e-15);
    // A negative whole number moves down by one more.
    const HslRangeCurve negativeWhole = prepareRangeCurve(0, 0.5, -1, 1, 0);
    EXPECT_EQ(negativeWhole.lo, 1);
    EXPECT_EQ(negativeWhole.hi, 1.5);
    const HslRangeCurve point = prepareRangeCurve(0.5, 0.5, 0, 1, 0);
    EXPECT_EQ(point.invWidth, 1);
}

TEST(RangeCurve, PeakMapsToZeroOne)
{
    EXPECT_EQ(prepareRangeCurve(0, 1, 0, -1, 0).peak, 0);
    EXPECT_EQ(prepareRangeCurve(0, 1, 0, 0, 0).peak, 0.5);
    EXPECT_EQ(prepareRangeCurve(0, 1, 0, 1, 0).peak, 1);
}

TEST(RangeCurve, HugeOffsetsNeedNoIntegerConversion)
{
    const double huge = std::numeric_limits<double>::max();
    const HslRangeCurve c = prepareRangeCurve(0, 1, huge, 1, 0);
    EXPECT_FALSE(c.lo < 0);
    HslSelectionParams p;
    p.enabled = true;
    p.lumOffset = huge;
    p.lumStart = huge;
    HslSelectionCurve curve = prepareSelectionCurve(p);   // lo overflows to infinity
    const PixelFloat grey{{1, 0.5f, 0.5f, 0.5f}};
    const double w = selectionWeight(grey, curve);
    EXPECT_TRUE(w == 0 || w == 1);
}

// Weight of a float (MAX 1) layer pixel with the given straight-looking colour (alpha 1).
double weightOf(const HslSelectionParams& p, float r, float g, float b)
{
    const PixelFloat pixel{{1, r, g, b}};
    return selectionWeight(pixel, prepareSelectionCurve(p));
}

HslSelectionParams enabledParams()
{
    HslSelectionParams p;
    p.enabled = true;
    return p;
}

TEST(SelectionWeight, DefaultsSelectEverythingAndDisabledNothing)
{
    const HslSelectionParams p = enabledParams();
    EXPECT_EQ(weightOf(p, 1, 0, 0), 1);
    EXPECT_EQ(weightOf(p, 0.3f, 0.6f, 0.9f), 1);
    EXPECT_EQ(weightOf(p, 0, 0, 0), 1);
    EXPECT_EQ(weightOf(p, 1, 1, 1), 1);
    HslSelectionParams off = p;
    off.enabled = false;
    EXPECT_EQ(weightOf(off, 0.3f, 0.6f, 0.9f), 0);
}

TEST(SelectionWeight, ReversedHueRangeSelectsTheMiddle)
{
    HslSelectionParams p = enabledParams();
    p.hueStart = 230 / 255.0;
    p.hueEnd = 25 / 255.0;
    EXPECT_EQ(weightOf(p, 1, 0, 0), 0);       // hue 0: raised to 1, not below hi
    EXPECT_EQ(weightOf(p, 0, 1, 1), 1);       // hue 0.5
    EXPECT_EQ(weightOf(p, 0, 0, 1), 1);       // hue 2/3
    EXPECT_EQ(weightOf(p, 1, 0, 0.2f), 0);    // hue near 1
    // Half a turn of offset turns it into the wrap-around range.
    p.hueOffset = 0.5;
    EXPECT_EQ(weightOf(p, 1, 0, 0), 1);
    EXPECT_EQ(weightOf(p, 1, 0, 0.2f), 1);
    EXPECT_EQ(weightOf(p, 0, 1, 1), 0);
}

TEST(SelectionWeight, StartEqualToEndPassesOnlyThatValue)
{
    HslSelectionParams p = enabledParams();
    p.lumStart = p.lumEnd = 0.5;
    EXPECT_EQ(weightOf(p, 0.5f, 0.5f, 0.5f), 1);
    EXPECT_EQ(weightOf(p, 0.50001f, 0.50001f, 0.50001f), 0);
    EXPECT_EQ(weightOf(p, 0.49999f, 0.49999f, 0.49999f), 0);
}

TEST(SelectionWeight, SoftnessOneRampsUpWithPeakOneAndDownWithPeakMinusOne)
{
    HslSelectionParams p = enabledParams();
    p.lumSoftness = 1;
    for (float l : {0.0f, 0.25f, 0.5f, 1.0f}) {
        SCOPED_TRACE(l);
        p.lumPeak = 1;
        EXPECT_NEAR(weightOf(p, l, l, l), l / 1.00001, 1e-12);
        p.lumPeak = -1;
        EXPECT_NEAR(weightOf(p, l, l, l), 1 - l / 1.00001, 1e-12);
    }
}

TEST(SelectionWeight, MiddlePeakAndSofterPowers)
{
    HslSelectionParams p = enabledParams();
    p.lumPeak = 0;           // peak in the middle of the range
    p.lumSoftness = 2;
    const double x = 0.25 / 1.00001;
    EXPECT_NEAR(weightOf(p, 0.25f, 0.25f, 0.25f), std::pow(x / 0.5, 2), 1e-12);
    const double y = 0.75 / 1.00001;
    EXPECT_NEAR(weightOf(p, 0.75f, 0.75f, 0.75f), std::pow(1 - (y - 0.5) / 0.5, 2), 1e-12);
}

TEST(SelectionWeight, ComponentsMultiply)
{
    HslSelectionParams p = enabledParams();
    p.lumSoftness = 1;
    p.satSoftness = 1;
    p.satPeak = -1;
    // (0.6, 0.2, 0.4): L = 0.4, S = 0.5
    EXPECT_NEAR(weightOf(p, 0.6f, 0.2f, 0.4f), (0.4 / 1.00001) * (1 - 0.5 / 1.00001), 1e-7);
}

TEST(SelectionWeight, TransparentLayerPixelIsBlack)
{
    HslSelectionParams p = enabledParams();
    const Pixel8 transparent{{0, 0, 0, 0}};
    EXPECT_EQ(selectionWeight(transparent, prepareSelectionCurve(p)), 1);
    p.lumStart = 0.01;
    EXPECT_EQ(selectionWeight(transparent, prepareSelectionCurve(p)), 0);
    p.lumStart = 0;
    p.hueStart = 0.01;
    EXPECT_EQ(selectionWeight(transparent, prepareSelectionCurve(p)), 0);
}

TEST(SelectionWeight, DividesIntegerChannelsByMax)
{
    HslSelectionParams p = enabledParams();
    p.lumStart = 128 / 255.0;
    const Pixel8 a{{255, 128, 128, 128}};
    const Pixel8 b{{255, 127, 127, 127}};
    EXPECT_EQ(selectionWeight(a, prepareSelectionCurve(p)), 1);
    EXPECT_EQ(selectionWeight(b, prepareSelectionCurve(p)), 0);
    p.lumStart = 0.5;
    const Pixel16 half{{32768, 16384, 16384, 16384}};
    EXPECT_EQ(selectionWeight(half, prepareSelectionCurve(p)), 1);
}

template <class MaxT>
class ColourOffsetTest : public ::testing::Test {};
using Maxes = ::testing::Types<std::integral_constant<int, 255>, std::integral_constant<int, 32768>,
                               std::integral_constant<int, 1>>;
TYPED_TEST_SUITE(ColourOffsetTest, Maxes);

TYPED_TEST(ColourOffsetTest, ZeroOffsetsKeepTheColour)
{
    constexpr int M = TypeParam::value;
    const double cases[][3] = {{0.8, 0.4, 0.2}, {0.1, 0.9, 0.5}, {0.3, 0.3, 0.3}, {1, 0, 0},
                               {0, 0, 0},       {1, 1, 1},       {0.25, 0.5, 0.75}};
    for (const auto& c : cases) {
        Channels colour{0.5 * M, c[0] * M, c[1] * M, c[2] * M};
        const Channels before = colour;
        applyColourOffset<M>(colour, 0, 0, 0);
        EXPECT_NEAR(colour.r, before.r, 1e-6 * M);
        EXPECT_NEAR(colour.g, before.g, 1e-6 * M);
        EXPECT_NEAR(colour.b, before.b, 1e-6 * M);
        EXPECT_EQ(colour.a, before.a);
    }
}

TYPED_TEST(ColourOffsetTest, FullLightnessGivesMaxAndNoneGivesBlack)
{
    constexpr int M = TypeParam::value;
    Channels up{double(M), 0.8 * M, 0.4 * M, 0.2 * M};
    applyColourOffset<M>(up, 0, 0, 1);
    EXPECT_DOUBLE_EQ(up.r, M);
    EXPECT_DOUBLE_EQ(up.g, M);
    EXPECT_DOUBLE_EQ(up.b, M);
    Channels down{double(M), 0.8 * M, 0.4 * M, 0.2 * M};
    applyColourOffset<M>(down, 0, 0, -1);
    EXPECT_EQ(down.r, 0);
    EXPECT_EQ(down.g, 0);
    EXPECT_EQ(down.b, 0);
    Channels half{double(M), 0.5 * M, 0.5 * M, 0.5 * M};
    applyColourOffset<M>(half, 0, 0, 0.5);   // c + (1 - c) × 0.5
    EXPECT_NEAR(half.r, 0.75 * M, 1e-7 * M);
}

TYPED_TEST(ColourOffsetTest, HueOffsetOneTurnsHalfACircle)
{
    constexpr int M = TypeParam::value;
    for (double offset : {1.0, -1.0}) {
        Channels red{double(M), double(M), 0, 0};
        applyColourOffset<M>(red, offset, 0, 0);
        EXPECT_NEAR(red.r, 0, 1e-9);
        EXPECT_NEAR(red.g, M, 1e-9);
        EXPECT_NEAR(red.b, M, 1e-9);
    }
    Channels green{double(M), 0, double(M), 0};
    applyColourOffset<M>(green, 1.0 / 3, 0, 0);   // hue 2 + 3 × 1/3 = 3: cyan
    EXPECT_NEAR(green.r, 0, 1e-6 * M);
    EXPECT_NEAR(green.g, M, 1e-6 * M);
    EXPECT_NEAR(green.b, M, 1e-6 * M);
}

TYPED_TEST(ColourOffsetTest, SaturationBoostAndCut)
{
    constexpr int M = TypeParam::value;
    // (0.4, 0.6, 0.4): hue 2, S 0.2, L 0.5; satOffset 1 saturates fully.
    Channels full{double(M), 0.4 * M, 0.6 * M, 0.4 * M};
    applyColourOffset<M>(full, 0, 1, 0);
    EXPECT_NEAR(full.r, 0, 1e-6 * M);
    EXPECT_NEAR(full.g, M, 1e-6 * M);
    EXPECT_NEAR(full.b, 0, 1e-6 * M);
    // satOffset -1 removes all saturation.
    Channels grey{double(M), 0.4 * M, 0.6 * M, 0.4 * M};
    applyColourOffset<M>(grey, 0, -1, 0);
    EXPECT_NEAR(grey.r, 0.5 * M, 1e-6 * M);
    EXPECT_NEAR(grey.g, 0.5 * M, 1e-6 * M);
    // A boost of 0.5: amount = (1 - 1e-8^chroma) × 0.5, chroma 0.2.
    Channels some{double(M), 0.4 * M, 0.6 * M, 0.4 * M};
    applyColourOffset<M>(some, 0, 0.5, 0);
    const double amount = (1 - std::pow(1e-8, 0.2)) * 0.5;
    const double s = 0.2 + 0.8 * amount;
    // hue 2 at L 0.5: green = L + S/2, red = blue = L - S/2
    EXPECT_NEAR(some.g, (0.5 + s / 2) * M, 1e-6 * M);
    EXPECT_NEAR(some.r, (0.5 - s / 2) * M, 1e-6 * M);
}

TYPED_TEST(ColourOffsetTest, HueZeroKeepsItsSaturation)
{
    constexpr int M = TypeParam::value;
    Channels red{double(M), 0.6 * M, 0.4 * M, 0.4 * M};   // hue exactly 0
    applyColourOffset<M>(red, 0, -1, 0);
    EXPECT_NEAR(red.r, 0.6 * M, 1e-6 * M);
    EXPECT_NEAR(red.g, 0.4 * M, 1e-6 * M);
    Channels grey{double(M), 0.5 * M, 0.5 * M, 0.5 * M};
    applyColourOffset<M>(grey, 0, 1, 0);
    EXPECT_NEAR(grey.r, 0.5 * M, 1e-6 * M);
    EXPECT_NEAR(grey.b, 0.5 * M, 1e-6 * M);
}

TEST(ColourOffset, OffsetsBeyondTheirRangeStayFinite)
{
    for (double bad : {2.0, -3.0, 1e300, std::numeric_limits<double>::quiet_NaN()}) {
        Channels c{255, 200, 100, 50};
        applyColourOffset<255>(c, bad, bad, bad);
        EXPECT_TRUE(std::isfinite(c.r) && std::isfinite(c.g) && std::isfinite(c.b)) << bad;
    }
}

} // namespace
} // namespace quorvane
