#include <cstddef>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "image/PixelArray.h"

namespace quorvane {
namespace {

TEST(PixelArray, DefaultHoldsNoImage)
{
    const Image8 a;
    EXPECT_EQ(a.width, 0);
    EXPECT_EQ(a.height, 0);
    EXPECT_EQ(a.rowBytes, 0);
    EXPECT_EQ(a.pixelBytes, 0);
    EXPECT_EQ(a.originX, 0);
    EXPECT_EQ(a.originY, 0);
    EXPECT_EQ(a.pixelAspect, 1.0);
    EXPECT_EQ(a.data, nullptr);
    EXPECT_FALSE(a.valid);
    EXPECT_FALSE(a.premultiplied);
}

TEST(PixelArray, PixelSizesOfEveryUse)
{
    EXPECT_EQ(sizeof(Pixel8), 4u);
    EXPECT_EQ(sizeof(Pixel16), 8u);
    EXPECT_EQ(sizeof(PixelFloat), 16u);
    EXPECT_EQ(sizeof(PixelFloat255), 16u);
    EXPECT_EQ(sizeof(PixelWeighted32768), 20u);
    EXPECT_EQ(sizeof(PixelWeightedFloat), 20u);
    EXPECT_EQ(Pixel16::MAX, 32768);
    EXPECT_EQ(PixelFloat32768::MAX, 32768);
    EXPECT_EQ(PixelWeighted255::channelCount, 5);
}

template <class Pixel>
class PixelArrayDepth : public ::testing::Test {};

using HostPixels = ::testing::Types<Pixel8, Pixel16, PixelFloat>;
TYPED_TEST_SUITE(PixelArrayDepth, HostPixels);

TYPED_TEST(PixelArrayDepth, FromImageInfo)
{
    using Pixel = TypeParam;
    std::vector<std::uint64_t> storage(64);
    ImageInfo info;
    info.data = storage.data();
    info.width = 3;
    info.height = 2;
    info.rowBytes = 3 * static_cast<int>(sizeof(Pixel)) + 24;
    info.originX = -4;
    info.originY = 7;
    info.pixelAspect = 0.9;
    info.valid = true;
    info.premultiplied = true;

    const PixelArray<Pixel> a(info);
    EXPECT_EQ(a.width, 3);
    EXPECT_EQ(a.height, 2);
    EXPECT_EQ(a.rowBytes, info.rowBytes);
    EXPECT_EQ(a.pixelBytes, static_cast<int>(sizeof(Pixel)));
    EXPECT_EQ(a.originX, -4);
    EXPECT_EQ(a.originY, 7);
    EXPECT_EQ(a.pixelAspect, 0.9);
    EXPECT_TRUE(a.valid);
    EXPECT_TRUE(a.premultiplied);

    // Pixel (x, y) at data + y × rowBytes + x × pixelBytes; alpha first, then red, green, blue.
    const auto* base = static_cast<const std::uint8_t*>(info.data);
    const Pixel& p = a.at(2, 1);
    const auto* address = reinterpret_cast<const std::uint8_t*>(&p);
    EXPECT_EQ(address, base + info.rowBytes + 2 * sizeof(Pixel));
    const std::size_t channel = sizeof(typename Pixel::channel_type);
    EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(&p.alpha()), address);
    EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(&p.red()), address + channel);
    EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(&p.green()), address + 2 * channel);
    EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(&p.blue()), address + 3 * channel);
}

TYPED_TEST(PixelArrayDepth, NullDataIsNeverValid)
{
    ImageInfo info;
    info.width = 4;
    info.height = 4;
    info.valid = true;
    const PixelArray<TypeParam> a(info);
    EXPECT_FALSE(a.valid);
    EXPECT_FALSE(a.hasPixels());
}

TEST(PixelArray, ShadowBufferIsPackedAndPremultiplied)
{
    ImageInfo info;
    std::vector<std::uint32_t> host(40);
    info.data = host.data();
    info.width = 5;
    info.height = 2;
    info.rowBytes = 80;
    info.originX = 3;
    info.originY = -2;
    info.pixelAspect = 2.0;
    info.valid = true;
    const Image8 source(info);

    std::vector<PixelFloat255> buffer(10);
    const auto shadow = ImageFloat255::shadowOf(source, buffer.data());
    EXPECT_EQ(shadow.width, 5);
    EXPECT_EQ(shadow.height, 2);
    EXPECT_EQ(shadow.pixelBytes, 16);
    EXPECT_EQ(shadow.rowBytes, 80);
    EXPECT_EQ(shadow.originX, 3);
    EXPECT_EQ(shadow.originY, -2);
    EXPECT_EQ(shadow.pixelAspect, 1.0);
    EXPECT_TRUE(shadow.valid);
    EXPECT_TRUE(shadow.premultiplied);
    EXPECT_EQ(ImageFloat255::packedBytes(5, 2), 160u);
    EXPECT_EQ(ImageFloat255::packedBytes(-5, 2), 0u);
}

} // namespace
} // namespace quorvane
