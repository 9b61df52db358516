#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "FileSamples.h"

namespace quorvane {
namespace {

TEST(SixteenBitMapping, FileToHostRoundsToThe32768Scale)
{
    for (int v = 0; v <= 65535; ++v)
        ASSERT_EQ(hostFrom16BitFile(static_cast<std::uint16_t>(v)), std::lround(v * 32768.0 / 65535.0)) << v;
}

TEST(SixteenBitMapping, HostToFileClampsAboveFullScale)
{
    for (int h = 0; h <= 65535; ++h) {
        const double expected = std::round(std::min(h, 32768) * 65535.0 / 32768.0);
        ASSERT_EQ(fileFrom16BitHost(static_cast<std::uint16_t>(h)), expected) << h;
    }
}

TEST(SixteenBitMapping, EveryHostValueSurvivesTheFile)
{
    for (int h = 0; h <= 32768; ++h)
        ASSERT_EQ(hostFrom16BitFile(fileFrom16BitHost(static_cast<std::uint16_t>(h))), h);
}

ImageBuffer onePixel(int depth)
{
    ImageBuffer image(1, 1, depth);
    image.fill(0);
    return image;
}

TEST(StoreRow, GreyBecomesRgbAndNoAlphaIsOpaque)
{
    ImageBuffer image = onePixel(8);
    const std::uint8_t grey[] = {77};
    storeRow(grey, {SampleType::U8, 1, false, false}, image, 0);
    const Pixel8& p = image.row<Pixel8>(0)[0];
    EXPECT_EQ(p.alpha(), 255);
    EXPECT_EQ(p.red(), 77);
    EXPECT_EQ(p.green(), 77);
    EXPECT_EQ(p.blue(), 77);

    ImageBuffer image16 = onePixel(16);
    const std::uint16_t greyAlpha[] = {65535, 32768};
    storeRow(greyAlpha, {SampleType::U16, 1, true, false}, image16, 0);
    const Pixel16& q = image16.row<Pixel16>(0)[0];
    EXPECT_EQ(q.red(), 32768);
    EXPECT_EQ(q.blue(), 32768);
    EXPECT_EQ(q.alpha(), 16384);
}

TEST(StoreRow, PremultipliedColourIsDividedByAlphaWhereAlphaIsAboveZero)
{
    ImageBuffer f = onePixel(32);
    const float premultiplied[] = {0.25f, 0.5f, 0.125f, 0.5f};
    storeRow(premultiplied, {SampleType::F32, 3, true, true}, f, 0);
    const PixelFloat& p = f.row<PixelFloat>(0)[0];
    EXPECT_EQ(p.red(), 0.5f);
    EXPECT_EQ(p.green(), 1.0f);
    EXPECT_EQ(p.blue(), 0.25f);
    EXPECT_EQ(p.alpha(), 0.5f);

    const float transparent[] = {0.25f, 0.0f, 0.0f, 0.0f};
    storeRow(transparent, {SampleType::F32, 3, true, true}, f, 0);
    EXPECT_EQ(f.row<PixelFloat>(0)[0].red(), 0.25f);   // alpha 0: colour as stored

    ImageBuffer b = onePixel(8);
    const std::uint8_t premultiplied8[] = {64, 128, 200, 128};   // 200 > alpha: clamps
    storeRow(premultiplied8, {SampleType::U8, 3, true, true}, b, 0);
    const Pixel8& q = b.row<Pixel8>(0)[0];
    EXPECT_EQ(q.red(), 128);     // round(64 × 255 / 128) = 127.5 -> 128
    EXPECT_EQ(q.green(), 255);
    EXPECT_EQ(q.blue(), 255);

    ImageBuffer w = onePixel(16);
    const std::uint16_t premultiplied16[] = {16384, 0, 40000, 32768};
    storeRow(premultiplied16, {SampleType::U16, 3, true, true}, w, 0);
    const Pixel16& r = w.row<Pixel16>(0)[0];
    EXPECT_EQ(r.red(), 16384);   // 16384 / 32768 of full scale
    EXPECT_EQ(r.green(), 0);
    EXPECT_EQ(r.blue(), 32768);
    EXPECT_EQ(r.alpha(), hostFrom16BitFile(32768));
}

TEST(LoadRow, FloatPremultipliesOnlyWhenAsked)
{
    ImageBuffer f = onePixel(32);
    PixelFloat& p = f.row<PixelFloat>(0)[0];
    p.alpha() = 0.5f;
    p.red() = 0.5f;
    p.green() = 2.0f;
    p.blue() = 0.0f;
    float out[4];
    loadRow(f, 0, {SampleType::F32, 3, true, true}, out);
    EXPECT_EQ(out[0], 0.25f);
    EXPECT_EQ(out[1], 1.0f);
    EXPECT_EQ(out[3], 0.5f);
    loadRow(f, 0, {SampleType::F32, 3, true, false}, out);
    EXPECT_EQ(out[1], 2.0f);
}

TEST(ConvertDepth, EightBitSurvivesSixteenBit)
{
    ImageBuffer image(256, 1, 8);
    for (int x = 0; x < 256; ++x)
        for (auto& c : image.row<Pixel8>(0)[x].channels)
            c = static_cast<std::uint8_t>(x);
    const ImageBuffer deep = convertDepth(image, 16);
    EXPECT_EQ(deep.row<Pixel16>(0)[255].red(), 32768);
    EXPECT_EQ(deep.row<Pixel16>(0)[1].red(), 129);   // round(32768 / 255) = 128.5 -> 129
    EXPECT_TRUE(convertDepth(deep, 8) == image);
}

TEST(ConvertDepth, FloatToIntegerClampsAndRounds)
{
    ImageBuffer f(4, 1, 32);
    const float values[] = {std::numeric_limits<float>::quiet_NaN(), -1.0f, 1.5f, 0.5f};
    for (int x = 0; x < 4; ++x)
        for (auto& c : f.row<PixelFloat>(0)[x].channels)
            c = values[x];
    const ImageBuffer eight = convertDepth(f, 8);
    const ImageBuffer sixteen = convertDepth(f, 16);
    const int expected8[] = {0, 0, 255, 128};
    const int expected16[] = {0, 0, 32768, 16384};
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(eight.row<Pixel8>(0)[x].green(), expected8[x]) << x;
        EXPECT_EQ(sixteen.row<Pixel16>(0)[x].green(), expected16[x]) << x;
    }
    EXPECT_EQ(convertDepth(sixteen, 32).row<PixelFloat>(0)[3].red(), 0.5f);
}

TEST(ImageSize, RefusesSizesTheHostCannotRender)
{
    EXPECT_NO_THROW(checkImageSize(kMaxImageSide, 3000, "x"));
    EXPECT_THROW(checkImageSize(kMaxImageSide + 1, 1, "x"), ImageError);
    EXPECT_THROW(checkImageSize(20000, 20000, "x"), ImageError);
    EXPECT_THROW(checkImageSize(0, 10, "x"), ImageError);
    EXPECT_THROW(checkImageSize(std::int64_t{1} << 40, std::int64_t{1} << 40, "x"), ImageError);
    ImageBuffer image;
    EXPECT_THROW(image.reshape(kMaxImageSide, kMaxImageSide, 32), ImageError);
    EXPECT_TRUE(image.empty());
}

} // namespace
} // namespace quorvane
