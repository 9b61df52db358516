#include "CommandTestSupport.h"

#include <png.h>
#include <stdexcept>
#include <vector>

#include "SampleFrame.h"

namespace quorvane::testing {

namespace {

std::uint32_t mixBits(std::uint32_t v)
{
    v ^= v >> 16;
    v *= 0x7FEB352Du;
    v ^= v >> 15;
    v *= 0x846CA68Bu;
    return v ^ (v >> 16);
}

} // namespace

ImageBuffer patternImage(int width, int height, int depth)
{
    ImageBuffer image(width, height, depth);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 4; ++c) {
                const std::uint32_t h = mixBits(static_cast<std::uint32_t>((y * width + x) * 4 + c));
                if (depth == 8)
                    image.row<Pixel8>(y)[x].channels[c] = static_cast<std::uint8_t>(h);
                else if (depth == 16)
                    image.row<Pixel16>(y)[x].channels[c] = static_cast<std::uint16_t>(h % 32769);
                else
                    image.row<PixelFloat>(y)[x].channels[c] = c == 0 ? 1.0f / static_cast<float>(1 << (h % 3))
                                                                     : static_cast<float>(h % 100000) / 40000.0f - 0.5f;
            }
    return image;
}

ImageBuffer samplePiece(int width, int height, int depth)
{
    const ImageBuffer frame = sampleFrame(depth);
    ImageBuffer piece(width, height, depth);
    const int pixelBytes = bytesPerPixel(depth);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // Every fourth pixel of the frame keeps gradients, edges, spots and transparency.
            const int sx = x * frame.width() / width, sy = y * frame.height() / height;
            std::copy_n(frame.data() + static_cast<std::size_t>(sy) * frame.rowBytes() + sx * pixelBytes, pixelBytes,
                        piece.data() + static_cast<std::size_t>(y) * piece.rowBytes() + x * pixelBytes);
        }
    return piece;
}

void writeOpaquePng(const std::string& path, int width, int height, bool grey, unsigned char (*value)(int, int, int))
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = grey ? PNG_FORMAT_GRAY : PNG_FORMAT_RGB;
    const int channels = grey ? 1 : 3;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(width * height * channels));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c)
                bytes[static_cast<std::size_t>((y * width + x) * channels + c)] = value(x, y, c);
    if (!png_image_write_to_file(&image, path.c_str(), 0, bytes.data(), 0, nullptr))
        throw std::runtime_error("cannot write " + path);
}

std::string describe(const CommandResult& result)
{
    return "exit " + std::to_string(result.status) + "\nstdout: " + result.out + "\nstderr: " + result.err;
}

} // namespace quorvane::testing
