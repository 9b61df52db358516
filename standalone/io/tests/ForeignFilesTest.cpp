// Files written by the libraries themselves in layouts our writer never produces (grey, no
// alpha, palette, associated alpha, planar, tiled, half, luminance), and files of ours read
// with the libraries, so the conventions at the file boundary are checked against the files
// and not only against our own reader.

#include <OpenEXR/ImfChannelList.h>
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfInputFile.h>
#include <OpenEXR/ImfOutputFile.h>
#include <Imath/half.h>
#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>
#include <cstring>
#include <vector>
#include <zlib.h>

#include "FileSamples.h"
#include "ImageFile.h"
#include "TestDirectory.h"

namespace quorvane {
namespace {

using testing::TestDirectory;

// A PNG of the given colour type and depth from rows of file bytes (16-bit big-endian).
void writePngFixture(const std::string& path, int width, int height, int colourType, int bitDepth,
                     const std::vector<std::uint8_t>& bytes, const std::vector<png_color>& palette = {})
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, bitDepth, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    png_write_info(png, info);
    const std::size_t rowBytes = bytes.size() / height;
    for (int y = 0; y < height; ++y)
        png_write_row(png, bytes.data() + y * rowBytes);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

Pixel8 pixel8(const ImageBuffer& image, int x, int y = 0)
{
    return image.row<Pixel8>(y)[x];
}

TEST(ForeignPng, GreyAndGreyAlphaExpandToRgb)
{
    TestDirectory dir;
    writePngFixture(dir.file("g.png"), 2, 1, PNG_COLOR_TYPE_GRAY, 8, {10, 250});
    ImageBuffer grey = readImage(dir.file("g.png"));
    EXPECT_EQ(grey.depth(), 8);
    EXPECT_EQ(pixel8(grey, 1).red(), 250);
    EXPECT_EQ(pixel8(grey, 1).green(), 250);
    EXPECT_EQ(pixel8(grey, 1).blue(), 250);
    EXPECT_EQ(pixel8(grey, 1).alpha(), 255);

    writePngFixture(dir.file("ga.png"), 1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 16, {0xFF, 0xFF, 0x80, 0x00});
    ImageBuffer ga = readImage(dir.file("ga.png"));
    EXPECT_EQ(ga.depth(), 16);
    EXPECT_EQ(ga.row<Pixel16>(0)[0].blue(), 32768);
    EXPECT_EQ(ga.row<Pixel16>(0)[0].alpha(), hostFrom16BitFile(0x8000));
}

TEST(ForeignPng, RgbWithoutAlphaIsOpaqueAndPaletteIsExpanded)
{
    TestDirectory dir;
    writePngFixture(dir.file("rgb.png"), 1, 1, PNG_COLOR_TYPE_RGB, 16, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC});
    ImageBuffer rgb = readImage(dir.file("rgb.png"));
    const Pixel16 p = rgb.row<Pixel16>(0)[0];
    EXPECT_EQ(p.red(), hostFrom16BitFile(0x1234));
    EXPECT_EQ(p.green(), hostFrom16BitFile(0x5678));
    EXPECT_EQ(p.blue(), hostFrom16BitFile(0x9ABC));
    EXPECT_EQ(p.alpha(), 32768);

    writePngFixture(dir.file("p.png"), 2, 1, PNG_COLOR_TYPE_PALETTE, 8, {1, 0}, {{1, 2, 3}, {200, 100, 50}});
    ImageBuffer indexed = readImage(dir.file("p.png"));
    EXPECT_EQ(pixel8(indexed, 0).red(), 200);
    EXPECT_EQ(pixel8(indexed, 1).blue(), 3);
    EXPECT_EQ(pixel8(indexed, 1).alpha(), 255);
}

TEST(ForeignPng, OurSixteenBitFileHoldsTheMappedValues)
{
    TestDirectory dir;
    ImageBuffer image(2, 1, 16);
    const std::uint16_t host[] = {32768, 1, 0, 16384, 40000, 12345, 7, 32767};
    std::memcpy(image.data(), host, sizeof host);
    writeImage(dir.file("o.png"), image);

    std::FILE* file = std::fopen(dir.file("o.png").c_str(), "rb");
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_read_info(png, info);
    EXPECT_EQ(png_get_bit_depth(png, info), 16);
    EXPECT_EQ(png_get_color_type(png, info), PNG_COLOR_TYPE_RGBA);
    std::vector<std::uint8_t> row(png_get_rowbytes(png, info));
    png_read_row(png, row.data(), nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    // File order R, G, B, A, big-endian; host order A, R, G, B.
    auto fileValue = [&](int i) { return (row[2 * i] << 8) | row[2 * i + 1]; };
    const int order[] = {1, 2, 3, 0};
    for (int pixel = 0; pixel < 2; ++pixel)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(fileValue(pixel * 4 + c), fileFrom16BitHost(host[pixel * 4 + order[c]]));
    EXPECT_EQ(fileValue(0), 2);        // host 1 -> round(65535 / 32768)
    EXPECT_EQ(fileValue(3), 65535);    // host 32768 -> full scale
    EXPECT_EQ(fileValue(7), 65535);    // host 40000 is above full scale: clamped
}

struct TiffFixture {
    int samplesPerPixel;
    int bitsPerSample;
    int sampleFormat;
    int photometric;
    int extraSample;           // -1: none written
    bool planar;
    bool tiled;
};

// Writes a 20 × 18 TIFF whose sample s of pixel (x, y) is value(x, y, s).
template <class T>
void writeTiffFixture(const std::string& path, const TiffFixture& f, T (*value)(int, int, int))
{
    constexpr int W = 20, H = 18;
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tiff, nullptr);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, W);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, H);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, f.samplesPerPixel);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, f.bitsPerSample);
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, f.sampleFormat);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, f.photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, f.planar ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    if (f.extraSample >= 0) {
        const std::uint16_t extra[] = {static_cast<std::uint16_t>(f.extraSample)};
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    const int planes = f.planar ? f.samplesPerPixel : 1;
    const int perPixel = f.planar ? 1 : f.samplesPerPixel;
    if (f.tiled) {
        constexpr int S = 16;
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, S);
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, S);
        std::vector<T> tile(S * S * perPixel);
        for (int plane = 0; plane < planes; ++plane)
            for (int top = 0; top < H; top += S)
                for (int left = 0; left < W; left += S) {
                    for (int y = 0; y < S; ++y)
                        for (int x = 0; x < S; ++x)
                            for (int s = 0; s < perPixel; ++s)
                                tile[(y * S + x) * perPixel + s] = value(left + x, top + y, plane + s);
                    TIFFWriteTile(tiff, tile.data(), left, top, 0, static_cast<std::uint16_t>(plane));
                }
    } else {
        std::vector<T> row(W * perPixel);
        for (int plane = 0; plane < planes; ++plane)
            for (int y = 0; y < H; ++y) {
                for (int x = 0; x < W; ++x)
                    for (int s = 0; s < perPixel; ++s)
                        row[x * perPixel + s] = value(x, y, plane + s);
                TIFFWriteScanline(tiff, row.data(), y, static_cast<std::uint16_t>(plane));
            }
    }
    TIFFClose(tiff);
}

std::uint8_t byteValue(int x, int y, int s)
{
    return static_cast<std::uint8_t>(s == 3 ? 100 + x : x * 7 + y * 3 + s * 50);
}

std::uint16_t wordValue(int x, int y, int s)
{
    return static_cast<std::uint16_t>(x * 3000 + y * 100 + s * 7);
}

float floatValue(int x, int y, int s)
{
    return s == 3 ? 0.5f : x * 0.25f - y * 0.125f + s;
}

class ForeignTiff : public ::testing::TestWithParam<TiffFixture> {};

TEST_P(ForeignTiff, EightBitRgbaInEveryLayout)
{
    TestDirectory dir;
    writeTiffFixture<std::uint8_t>(dir.file("t.tif"), GetParam(), byteValue);
    const ImageBuffer image = readImage(dir.file("t.tif"));
    ASSERT_EQ(image.width(), 20);
    ASSERT_EQ(image.height(), 18);
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 20; ++x) {
            const Pixel8 p = pixel8(image, x, y);
            ASSERT_EQ(p.red(), byteValue(x, y, 0));
            ASSERT_EQ(p.green(), byteValue(x, y, 1));
            ASSERT_EQ(p.blue(), byteValue(x, y, 2));
            ASSERT_EQ(p.alpha(), byteValue(x, y, 3));
        }
}

INSTANTIATE_TEST_SUITE_P(Layouts, ForeignTiff,
                         ::testing::Values(TiffFixture{4, 8, SAMPLEFORMAT_UINT, PHOTOMETRIC_RGB, EXTRASAMPLE_UNASSALPHA, false, false},
                                           TiffFixture{4, 8, SAMPLEFORMAT_UINT, PHOTOMETRIC_RGB, EXTRASAMPLE_UNASSALPHA, true, false},
                                           TiffFixture{4, 8, SAMPLEFORMAT_UINT, PHOTOMETRIC_RGB, EXTRASAMPLE_UNSPECIFIED, false, true},
                                           TiffFixture{4, 8, SAMPLEFORMAT_UINT, PHOTOMETRIC_RGB, EXTRASAMPLE_UNASSALPHA, true, true}),
                         [](const auto& info) {
                             return std::string(info.param.planar ? "Planar" : "Contig") +
                                    (info.param.tiled ? "Tiles" : "Strips");
                         });

TEST(ForeignTiffLayouts, SixteenBitRgbWithoutAlphaAndGrey)
{
    TestDirectory dir;
    writeTiffFixture<std::uint16_t>(dir.file("rgb.tif"), {3, 16, SAMPLEFORMAT_UINT, PHOTOMETRIC_RGB, -1, false, false}, wordValue);
    const ImageBuffer rgb = readImage(dir.file("rgb.tif"));
    EXPECT_EQ(rgb.depth(), 16);
    EXPECT_EQ(rgb.row<Pixel16>(5)[19].blue(), hostFrom16BitFile(wordValue(19, 5, 2)));
    EXPECT_EQ(rgb.row<Pixel16>(5)[19].alpha(), 32768);

    writeTiffFixture<std::uint8_t>(dir.file("g.tif"), {1, 8, SAMPLEFORMAT_UINT, PHOTOMETRIC_MINISBLACK, -1, false, false}, byteValue);
    const ImageBuffer grey = readImage(dir.file("g.tif"));
    EXPECT_EQ(pixel8(grey, 3, 2).green(), byteValue(3, 2, 0));
    EXPECT_EQ(pixel8(grey, 3, 2).blue(), byteValue(3, 2, 0));
}

TEST(ForeignTiffLayouts, AssociatedAlphaIsDividedOut)
{
    TestDirectory dir;
    writeTiffFixture<float>(dir.file("f.tif"), {4, 32, SAMPLEFORMAT_IEEEFP, PHOTOMETRIC_RGB, EXTRASAMPLE_ASSOCALPHA, false, false}, floatValue);
    const ImageBuffer image = readImage(dir.file("f.tif"));
    EXPECT_EQ(image.depth(), 32);
    const PixelFloat p = image.row<PixelFloat>(4)[6];
    EXPECT_EQ(p.alpha(), 0.5f);
    EXPECT_EQ(p.red(), floatValue(6, 4, 0) / 0.5f);
    EXPECT_EQ(p.blue(), floatValue(6, 4, 2) / 0.5f);
}

TEST(ForeignTiffLayouts, UnsupportedSampleFormatIsNamed)
{
    TestDirectory dir;
    writeTiffFixture<std::uint8_t>(dir.file("s.tif"), {1, 8, SAMPLEFORMAT_INT, PHOTOMETRIC_MINISBLACK, -1, false, false}, byteValue);
    try {
        readImage(dir.file("s.tif"));
        FAIL();
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find("unsupported TIFF file (8-bit signed samples"), std::string::npos) << e.what();
    }
}

TEST(ForeignTiffLayouts, OurFloatFileIsUnassociatedRgba)
{
    TestDirectory dir;
    ImageBuffer image(1, 1, 32);
    PixelFloat& p = image.row<PixelFloat>(0)[0];
    p.alpha() = 0.5f;
    p.red() = 0.3f;
    p.green() = 2.0f;
    p.blue() = -1.0f;
    writeImage(dir.file("o.tif"), image);
    TIFF* tiff = TIFFOpen(dir.file("o.tif").c_str(), "r");
    std::uint16_t format = 0, count = 0, *kinds = nullptr;
    TIFFGetField(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &count, &kinds);
    EXPECT_EQ(format, SAMPLEFORMAT_IEEEFP);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(kinds[0], EXTRASAMPLE_UNASSALPHA);
    float row[4];
    TIFFReadScanline(tiff, row, 0, 0);
    TIFFClose(tiff);
    EXPECT_EQ(row[0], 0.3f);
    EXPECT_EQ(row[1], 2.0f);
    EXPECT_EQ(row[2], -1.0f);
    EXPECT_EQ(row[3], 0.5f);
}

TEST(ForeignExr, HalfRgbaIsWidenedAndDividedByAlpha)
{
    TestDirectory dir;
    Imf::Header header(2, 1);
    for (const char* name : {"R", "G", "B", "A"})
        header.channels().insert(name, Imf::Channel(Imf::HALF));
    // Premultiplied in the file: R 0.25 at alpha 0.5 is straight 0.5.
    half pixels[2][4] = {{half(0.25f), half(0.75f), half(3.0f), half(0.5f)},
                         {half(0.125f), half(0.0f), half(0.0f), half(0.0f)}};
    {
        Imf::OutputFile file(dir.file("h.exr").c_str(), header);
        Imf::FrameBuffer buffer;
        const char* names[] = {"R", "G", "B", "A"};
        for (int c = 0; c < 4; ++c)
            buffer.insert(names[c], Imf::Slice(Imf::HALF, reinterpret_cast<char*>(&pixels[0][c]), sizeof pixels[0], 0));
        file.setFrameBuffer(buffer);
        file.writePixels(1);
    }
    const ImageBuffer image = readImage(dir.file("h.exr"));
    ASSERT_EQ(image.depth(), 32);
    const PixelFloat a = image.row<PixelFloat>(0)[0];
    EXPECT_EQ(a.red(), 0.5f);
    EXPECT_EQ(a.green(), 1.5f);
    EXPECT_EQ(a.blue(), 6.0f);
    EXPECT_EQ(a.alpha(), 0.5f);
    EXPECT_EQ(image.row<PixelFloat>(0)[1].red(), 0.125f);   // alpha 0: as stored
}

TEST(ForeignExr, LuminanceOnlyIsGreyAndOpaque)
{
    TestDirectory dir;
    Imf::Header header(1, 1);
    header.channels().insert("Y", Imf::Channel(Imf::FLOAT));
    float y = 0.625f;
    {
        Imf::OutputFile file(dir.file("y.exr").c_str(), header);
        Imf::FrameBuffer buffer;
        buffer.insert("Y", Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(&y), sizeof y, 0));
        file.setFrameBuffer(buffer);
        file.writePixels(1);
    }
    const PixelFloat p = readImage(dir.file("y.exr")).row<PixelFloat>(0)[0];
    EXPECT_EQ(p.red(), 0.625f);
    EXPECT_EQ(p.green(), 0.625f);
    EXPECT_EQ(p.blue(), 0.625f);
    EXPECT_EQ(p.alpha(), 1.0f);
}

TEST(ForeignExr, OurFileStoresPremultipliedFloat)
{
    TestDirectory dir;
    ImageBuffer image(1, 1, 32);
    PixelFloat& p = image.row<PixelFloat>(0)[0];
    p.alpha() = 0.5f;
    p.red() = 0.5f;
    p.green() = 3.0f;
    p.blue() = 0.0f;
    writeImage(dir.file("o.exr"), image);
    Imf::InputFile file(dir.file("o.exr").c_str());
    EXPECT_EQ(file.header().channels().findChannel("R")->type, Imf::FLOAT);
    float rgba[4] = {};
    Imf::FrameBuffer buffer;
    const char* names[] = {"R", "G", "B", "A"};
    for (int c = 0; c < 4; ++c)
        buffer.insert(names[c], Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(&rgba[c]), sizeof rgba, 0));
    file.setFrameBuffer(buffer);
    file.readPixels(0, 0);
    EXPECT_EQ(rgba[0], 0.25f);
    EXPECT_EQ(rgba[1], 1.5f);
    EXPECT_EQ(rgba[3], 0.5f);
}

// A PNG whose header claims 40000 × 40000 pixels: refused from the header, before any pixel
// memory is taken.
TEST(HugeImages, AreRefusedFromTheHeader)
{
    TestDirectory dir;
    std::string bytes("\x89PNG\r\n\x1a\n", 8);
    const unsigned char ihdr[] = {'I', 'H', 'D', 'R', 0, 0, 0x9c, 0x40, 0, 0, 0x9c, 0x40, 8, 6, 0, 0, 0};
    const std::uint32_t crc = static_cast<std::uint32_t>(::crc32(0, ihdr, sizeof ihdr));
    bytes += std::string("\0\0\0\x0d", 4);
    bytes += std::string(reinterpret_cast<const char*>(ihdr), sizeof ihdr);
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += static_cast<char>((crc >> shift) & 0xff);
    // The header is read up to the first image data; what follows is never looked at.
    const unsigned char idat[] = {0, 0, 0, 0, 'I', 'D', 'A', 'T', 0x35, 0xaf, 0x06, 0x1e};
    bytes += std::string(reinterpret_cast<const char*>(idat), sizeof idat);
    testing::writeBytes(dir.file("huge.png"), bytes);

    Imf::Header header(40000, 40000);
    header.channels().insert("R", Imf::Channel(Imf::HALF));
    { Imf::OutputFile file(dir.file("huge.exr").c_str(), header); }

    for (const char* name : {"huge.png", "huge.exr"}) {
        try {
            readImage(dir.file(name));
            FAIL() << name;
        } catch (const ImageError& e) {
            EXPECT_NE(std::string(e.what()).find("40000 x 40000 pixels is too large"), std::string::npos) << e.what();
        }
    }
}

} // namespace
} // namespace quorvane
