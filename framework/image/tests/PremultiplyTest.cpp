#include <gtest/gtest.h>

#include "image/ChannelConversion.h"
#include "image/Premultiply.h"

namespace quorvane {
namespace {

TEST(Premultiply, ExactConstants)
{
    EXPECT_EQ(inverseMax<255>(), 0.00392156862745098);
    EXPECT_EQ(inverseMax<32768>(), 0.000030517578125);
    EXPECT_EQ(inverseMax<1>(), 1.0);
}

TEST(Premultiply, SixteenBitExamples)
{
    Channels full{32768, 16384, 0, 32768};
    premultiply<32768>(full);
    EXPECT_EQ(full.r, 16384.0);
    EXPECT_EQ(full.g, 0.0);
    EXPECT_EQ(full.b, 32768.0);
    EXPECT_EQ(full.a, 32768.0);

    Channels half{16384, 16384, 0, 0};
    premultiply<32768>(half);
    EXPECT_EQ(half.r, 8192.0);
}

TEST(Premultiply, EightBitHalfAlphaTruncatesTo128)
{
    Channels c{128, 255, 0, 0};
    premultiply<255>(c);
    EXPECT_EQ(toChannel<unsigned char>(c.r), 128);
}

TEST(Premultiply, StraightAgainWithAlphaZeroKeepsColour)
{
    Channels c{0, 40, 50, 60};
    unpremultiply<255>(c);
    EXPECT_EQ(c.r, 40.0);
    EXPECT_EQ(c.g, 50.0);
    EXPECT_EQ(c.b, 60.0);
}

TEST(Premultiply, StraightAgainScalesByMaxOverAlpha)
{
    Channels c{128, 64, 0, 128};
    unpremultiply<255>(c);
    EXPECT_EQ(c.r, 127.5);
    EXPECT_EQ(c.b, 255.0);

    Channels f{0.5, 0.25, 0.5, 0.125};
    unpremultiply<1>(f);
    EXPECT_EQ(f.r, 0.5);
    EXPECT_EQ(f.g, 1.0);
    EXPECT_EQ(f.b, 0.25);
}

TEST(Premultiply, ConversionOnlyWhenStoragesDiffer)
{
    Channels c{128, 200, 100, 50};
    convertPremultiplication<255>(c, true, true);
    convertPremultiplication<255>(c, false, false);
    EXPECT_EQ(c.r, 200.0);
    convertPremultiplication<255>(c, false, true);
    EXPECT_NEAR(c.r, 200.0 * 128 / 255, 1e-12);
    convertPremultiplication<255>(c, true, false);
    EXPECT_NEAR(c.r, 200.0, 1e-12);
}

TEST(ChannelConversion, HostileValuesSaturate)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(toChannel<unsigned char>(254.99), 254);
    EXPECT_EQ(toChannel<unsigned char>(300.0), 255);
    EXPECT_EQ(toChannel<unsigned char>(-0.5), 0);
    EXPECT_EQ(toChannel<unsigned char>(nan), 0);
    EXPECT_EQ(toChannel<unsigned short>(inf), 65535);
    EXPECT_EQ(toChannel<unsigned short>(-inf), 0);
    EXPECT_EQ(truncateToInt(-2.7), -2);
    EXPECT_EQ(truncateToInt(nan), 0);
    EXPECT_EQ(truncateToInt(1e300), std::numeric_limits<int>::max());
    EXPECT_EQ(truncateToInt(-1e300), std::numeric_limits<int>::min());
}

} // namespace
} // namespace quorvane
