// Blend modes against a reference written independently in units of full scale, at every
// depth, plus the worked examples.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <type_traits>

#include "image/BlendModes.h"

namespace quorvane {
namespace {

// ---- Reference: straight operands as fractions of full scale ----

struct Unit {
    double a, r, g, b;
};

double lumaOf(const Unit& p)
{
    return (0.292687786 * p.r + 0.552149646 * p.g + 0.155162568 * p.b) * p.a;
}

void referenceHsl(double r, double g, double b, double& h, double& s, double& l)
{
    const double mx = std::max({r, g, b});
    const double mn = std::min({r, g, b});
    l = (mx + mn) / 2;
    h = s = 0;
    if (mx == mn)
        return;
    const double d = mx - mn;
    s = l > 0.5 ? d / (2 - mx - mn) : d / (mx + mn);
    if (mx == r)
        h = (g - b) / d + (g < b ? 6 : 0);
    else if (mx == g)
        h = (b - r) / d + 2;
    else
        h = (r - g) / d + 4;
    h /= 6;   // turns
}

double hueToChannel(double p, double q, double t)
{
    if (t < 0)
        t += 1;
    if (t > 1)
        t -= 1;
    if (t < 1.0 / 6)
        return p + (q - p) * 6 * t;
    if (t < 0.5)
        return q;
    if (t < 2.0 / 3)
        return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
}

void referenceRgb(double h, double s, double l, double out[3])
{
    if (s == 0) {
        out[0] = out[1] = out[2] = l;
        return;
    }
    const double q = l < 0.5 ? l * (1 + s) : l + s - l * s;
    const double p = 2 * l - q;
    out[0] = hueToChannel(p, q, h + 1.0 / 3);
    out[1] = hueToChannel(p, q, h);
    out[2] = hueToChannel(p, q, h - 1.0 / 3);
}

// Premultiplied colour c with alpha a back to straight, alpha raised where a colour exceeds it.
void referenceSettle(double& a, double c[3])
{
    const double m = std::max({c[0], c[1], c[2]});
    if (a < m) {
        if (m >= 1 || m == 0) {
            a = 1;
        } else {
            a = m;
            for (int i = 0; i < 3; ++i)
                c[i] /= m;
        }
    } else if (a > 0) {
        for (int i = 0; i < 3; ++i)
            c[i] /= a;
    }
}

Unit reference(const Unit& bottom, const Unit& top, int mode)
{
    const double s = bottom.a;
    const double g = top.a;
    const double S[3] = {bottom.r * s, bottom.g * s, bottom.b * s};
    const double G[3] = {top.r * g, top.g * g, top.b * g};
    const double T[3] = {top.r, top.g, top.b};
    double c[3];
    double a = s;
    enum Finish { Settle, Unpremultiply } finish = Settle;
    switch (mode) {
    case 1:
        a = g + (1 - g) * s;
        for (int i = 0; i < 3; ++i)
            c[i] = G[i] + S[i] * (1 - g);
        finish = Unpremultiply;
        break;
    case 2: {
        const double o = 1 - g * std::max({T[0], T[1], T[2]});
        for (int i = 0; i < 3; ++i)
            c[i] = G[i] + o * (S[i] - G[i]);
        break;
    }
    case 3:
        for (int i = 0; i < 3; ++i)
            c[i] = G[i] + S[i] * (1 - G[i]);
        break;
    case 4:
        for (int i = 0; i < 3; ++i) {
            const double a = S[i];
            const double b = T[i];
            const double w =
                a < 0.5 ? 2 * a * b : 1 - 2 * (1 - std::min(a, 1.0)) * (1 - std::min(b, 1.0));
            c[i] = S[i] + g * (w - S[i]) + G[i] * (1 - s);
        }
        a = std::clamp(s, 0.0, 1.0);
        finish = Unpremultiply;
        break;
    case 5:
        for (int i = 0; i < 3; ++i)
            c[i] = S[i] + G[i];
        break;
    case 6:
        for (int i = 0; i < 3; ++i)
            c[i] = std::max(S[i] - G[i], 0.0);
        break;
    case 7:
        for (int i = 0; i < 3; ++i) {
            const double m = T[i] * S[i];
            c[i] = m + (1 - g) * (S[i] - m) + (1 - s) * G[i];
        }
        a = s + g * (1 - s);
        break;
    case 8:
        for (int i = 0; i < 3; ++i)
            c[i] = S[i] + g * (S[i] / (G[i] + 0.0001) - S[i]);
        break;
    case 9:
        for (int i = 0; i < 3; ++i)
            c[i] = std::fabs(S[i] - G[i]);
        break;
    case 10:
        for (int i = 0; i < 3; ++i)
            c[i] = S[i] * (1 - G[i]) + G[i] * (1 - S[i]);
        break;
    case 11:
        for (int i = 0; i < 3; ++i)
            c[i] = std::max(S[i], G[i]);
        break;
    case 12:
        for (int i = 0; i < 3; ++i)
            c[i] = S[i] + g * (std::min(S[i], G[i]) - S[i]);
        break;
    case 13:
        return lumaOf(top) > lumaOf(bottom) ? top : bottom;
    case 14:
        return lumaOf(top) < lumaOf(bottom) ? top : bottom;
    case 15:
    case 16:
    case 17:
    case 18: {
        double hb, sb, lb, ht, st, lt;
        referenceHsl(S[0], S[1], S[2], hb, sb, lb);
        referenceHsl(G[0], G[1], G[2], ht, st, lt);
        double h = ht, sat = sb, l = lb;
        if (mode == 15 && st == 0)
            sat = 0;
        if (mode == 16) {
            h = hb;
            sat = st;
        }
        if (mode == 17)
            sat = st;
        if (mode == 18)
            l = lt;
        double x[3];
        referenceRgb(h, sat, l, x);
        for (int i = 0; i < 3; ++i)
            c[i] = S[i] + g * (x[i] - S[i]) + G[i] * (1 - s);
        a = s + g * (1 - s);
        break;
    }
    case 19:
        return {std::clamp(s + lumaOf(top), 0.0, 1.0), bottom.r, bottom.g, bottom.b};
    case 20:
        return {std::max(s - lumaOf(top), 0.0), bottom.r, bottom.g, bottom.b};
    case 21:
        return {std::clamp(lumaOf(top) * s, 0.0, 1.0), bottom.r, bottom.g, bottom.b};
    case 22:
        return {std::clamp(lumaOf(top), 0.0, 1.0), bottom.r, bottom.g, bottom.b};
    default:
        return top;
    }
    if (finish == Settle) {
        referenceSettle(a, c);
    } else if (a > 0) {
        for (int i = 0; i < 3; ++i)
            c[i] /= a;
    }
    return {a, c[0], c[1], c[2]};
}

struct OperandPair {
    const char* name;
    Unit bottom;
    Unit top;
};

const OperandPair kPairs[] = {
    {"general", {0.8, 0.4, 0.6, 0.2}, {0.5, 0.9, 0.1, 0.35}},
    {"bottom alpha 0", {0, 0.3, 0.5, 0.7}, {0.6, 0.2, 0.8, 0.4}},
    {"top alpha 0", {0.7, 0.5, 0.25, 0.9}, {0, 0.6, 0.3, 0.1}},
    {"both opaque", {1, 0.2, 0.4, 0.6}, {1, 0.7, 0.5, 0.3}},
    {"both transparent", {0, 0, 0, 0}, {0, 0, 0, 0}},
    {"opaque top", {0.6, 1, 0, 0.5}, {1, 0.25, 0.75, 1}},
    {"over range", {1.25, 0.3, 0.6, 0.9}, {0.7, 1.2, 0.4, 0.5}},   // float images are not limited
};

template <int M>
Channels scaled(const Unit& u)
{
    return {u.a * M, u.r * M, u.g * M, u.b * M};
}

template <class MaxT>
class BlendModeTest : public ::testing::Test {};
using Maxes = ::testing::Types<std::integral_constant<int, 255>, std::integral_constant<int, 32768>,
                               std::integral_constant<int, 1>>;
TYPED_TEST_SUITE(BlendModeTest, Maxes);

TYPED_TEST(BlendModeTest, EveryModeMatchesTheReference)
{
    constexpr int M = TypeParam::value;
    for (int mode = 1; mode <= kBlendModeCount; ++mode) {
        for (const OperandPair& pair : kPairs) {
            SCOPED_TRACE(::testing::Message() << "mode " << mode << ", " << pair.name);
            Channels bottom = scaled<M>(pair.bottom);
            blendPixel<M>(bottom, scaled<M>(pair.top), mode);
            const Channels want = scaled<M>(reference(pair.bottom, pair.top, mode));
            // The component modes round their HSL result to single precision.
            const double relative = mode >= 15 && mode <= 18 ? 1e-6 : 1e-10;
            auto near = [&](double got, double expected) {
                EXPECT_NEAR(got, expected, relative * std::max(double(M), std::fabs(expected)));
            };
            near(bottom.a, want.a);
            near(bottom.r, want.r);
            near(bottom.g, want.g);
            near(bottom.b, want.b);
        }
    }
}

TYPED_TEST(BlendModeTest, NormalWithTransparentOrOpaqueTop)
{
    constexpr int M = TypeParam::value;
    const Channels bottom{0.6 * M, 0.2 * M, 0.4 * M, 0.9 * M};
    Channels result = bottom;
    blendPixel<M>(result, Channels{0, 0.5 * M, 0.5 * M, 0.5 * M}, BlendNormal);
    EXPECT_NEAR(result.a, bottom.a, 1e-12 * M);
    EXPECT_NEAR(result.r, bottom.r, 1e-12 * M);
    EXPECT_NEAR(result.b, bottom.b, 1e-12 * M);

    const Channels top{double(M), 0.7 * M, 0.1 * M, 0.3 * M};
    result = bottom;
    blendPixel<M>(result, top, BlendNormal);
    EXPECT_EQ(result.a, M);
    EXPECT_DOUBLE_EQ(result.r, top.r);
    EXPECT_DOUBLE_EQ(result.g, top.g);
    EXPECT_DOUBLE_EQ(result.b, top.b);

    result = Channels{0, 0.3 * M, 0.3 * M, 0.3 * M};
    blendPixel<M>(result, Channels{0, 0.8 * M, 0.8 * M, 0.8 * M}, BlendNormal);
    EXPECT_EQ(result.a, 0);
    EXPECT_EQ(result.r, 0);
    EXPECT_EQ(result.g, 0);
    EXPECT_EQ(result.b, 0);
}

TYPED_TEST(BlendModeTest, ValuesOutsideTheListReplace)
{
    constexpr int M = TypeParam::value;
    const Channels top{0.25 * M, 2.0 * M, 0.5 * M, -0.1 * M};   // passed through as it is
    for (int mode : {0, 23, 24, -1, INT_MIN, INT_MAX}) {
        Channels bottom{double(M), 0.1 * M, 0.2 * M, 0.3 * M};
        blendPixel<M>(bottom, top, mode);
        EXPECT_EQ(bottom.a, top.a) << mode;
        EXPECT_EQ(bottom.r, top.r) << mode;
        EXPECT_EQ(bottom.g, top.g) << mode;
        EXPECT_EQ(bottom.b, top.b) << mode;
    }
}

TYPED_TEST(BlendModeTest, ScreenExample)
{
    constexpr int M = TypeParam::value;
    constexpr double unit = M / 255.0;
    Channels bottom{200 * unit, 100 * unit, 150 * unit, 50 * unit};
    blendPixel<M>(bottom, Channels{128 * unit, 250 * unit, 20 * unit, 90 * unit}, BlendScreen);
    EXPECT_NEAR(bottom.a, 200 * unit, 1e-9 * M);
    EXPECT_NEAR(bottom.r, 210.79 * unit, 0.005 * unit);
}

TEST(BlendModes, ScreenExampleBeforeAndAfterSettle)
{
    // G + S (1 - G/255) for red: 125.49 + 78.43 × (1 - 125.49/255)
    const double topRed = 250 * (128 / 255.0);
    const double bottomRed = 100 * (200 / 255.0);
    const double beforeSettle = topRed + bottomRed * (1 - topRed / 255);
    EXPECT_NEAR(beforeSettle, 165.32, 0.005);
    Channels c{200, beforeSettle, 100, 50};
    settle<255>(c);
    EXPECT_EQ(c.a, 200);
    EXPECT_NEAR(c.r, 210.79, 0.005);
}

TEST(BlendModes, SettleBranches)
{
    Channels over{100, 300, 20, 20};    // a colour at or above MAX: alpha MAX, colours kept
    settle<255>(over);
    EXPECT_EQ(over.a, 255);
    EXPECT_EQ(over.r, 300);
    Channels raised{100, 200, 50, 0};   // alpha below the largest colour: alpha becomes it
    settle<255>(raised);
    EXPECT_EQ(raised.a, 200);
    EXPECT_DOUBLE_EQ(raised.r, 255);
    EXPECT_DOUBLE_EQ(raised.g, 50 * 255.0 / 200);
    Channels black{0, 0, 0, 0};
    settle<255>(black);
    EXPECT_EQ(black.a, 0);
    EXPECT_EQ(black.r, 0);
}

TEST(BlendModes, AddAboveMaxKeepsUnscaledColours)
{
    Channels bottom{255, 200, 10, 10};
    blendPixel<255>(bottom, Channels{255, 100, 10, 10}, BlendAdd);
    EXPECT_EQ(bottom.a, 255);
    EXPECT_DOUBLE_EQ(bottom.r, 300);
    EXPECT_DOUBLE_EQ(bottom.g, 20);
}

TEST(BlendModes, DivideByBlackIsVeryBright)
{
    Channels bottom{255, 100, 100, 100};
    blendPixel<255>(bottom, Channels{128, 0, 0, 0}, BlendDivide);
    const double g = 128 / 255.0;
    EXPECT_EQ(bottom.a, 255);
    EXPECT_NEAR(bottom.r, 100 + g * (100 / 0.0001 - 100), 1e-6);
}

TEST(BlendModes, MaximumAndMinimumTiesKeepTheBottom)
{
    const Channels top{0, 200, 100, 50};   // luma 0, as the bottom's
    for (int mode : {BlendMaximum, BlendMinimum}) {
        Channels bottom{0, 10, 20, 30};
        blendPixel<255>(bottom, top, mode);
        EXPECT_EQ(bottom.r, 10) << mode;
        EXPECT_EQ(bottom.b, 30) << mode;
    }
}

TEST(BlendModes, HueFromAGreyTopGivesGreyAtTheBottomsLightness)
{
    Channels bottom{255, 200, 50, 50};
    blendPixel<255>(bottom, Channels{255, 128, 128, 128}, BlendHue);
    EXPECT_EQ(bottom.a, 255);
    EXPECT_NEAR(bottom.r, 125, 1e-4);
    EXPECT_NEAR(bottom.g, 125, 1e-4);
    EXPECT_NEAR(bottom.b, 125, 1e-4);
}

TEST(BlendModes, AlphaSubtractStopsAtZeroAndKeepsColours)
{
    Channels bottom{50, 10, 20, 30};
    blendPixel<255>(bottom, Channels{255, 255, 255, 255}, BlendAlphaSubtract);
    EXPECT_EQ(bottom.a, 0);
    EXPECT_EQ(bottom.r, 10);
    EXPECT_EQ(bottom.g, 20);
    EXPECT_EQ(bottom.b, 30);
}

} // namespace
} // namespace quorvane
