#include "CommandTestSupport.h"

#include <png.h>
#include <stdexcept>
#include <vector>

#include "SampleFrame.h"

namespace quorvane::testing {

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
