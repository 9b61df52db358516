#include "hostsim/HostImage.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace quorvane::hostsim {

int bytesPerPixel(int depth)
{
    switch (depth) {
    case 8: return 4;
    case 16: return 8;
    case 32: return 16;
    default: return 0;
    }
}

void* ImageView::pixelAddress(int x, int y) const
{
    return static_cast<char*>(data) + static_cast<std::ptrdiff_t>(y) * rowBytes
        + static_cast<std::ptrdiff_t>(x) * bytesPerPixel(depth);
}

HostImage::HostImage(int width, int height, int depth, int rowPaddingBytes)
{
    const int pixelBytes = bytesPerPixel(depth);
    if (pixelBytes == 0)
        throw std::invalid_argument("image depth must be 8, 16 or 32, not " + std::to_string(depth));
    if (width < 0 || height < 0 || rowPaddingBytes < 0)
        throw std::invalid_argument("image sizes and row padding must not be negative");
    if (rowPaddingBytes % (pixelBytes / 4) != 0)
        throw std::invalid_argument("row padding must be a multiple of the channel size");
    const long long rowBytes = static_cast<long long>(width) * pixelBytes + rowPaddingBytes;
    if (rowBytes > 0x7fffffff)
        throw std::invalid_argument("image rows too wide");
    const std::size_t bytes = static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height);
    const std::size_t units = (bytes + 3) / 4;
    storage_.reset(new std::uint32_t[std::max<std::size_t>(units, 1)]());
    view_.data = storage_.get();
    view_.width = width;
    view_.height = height;
    view_.rowBytes = static_cast<int>(rowBytes);
    view_.depth = depth;
}

void HostImage::setPixel(int x, int y, double alpha, double red, double green, double blue)
{
    const double values[4] = {alpha, red, green, blue};
    for (int c = 0; c < 4; ++c)
        writeChannel(view_, x, y, c, values[c]);
}

double HostImage::channel(int x, int y, int c) const
{
    return readChannel(view_, x, y, c);
}

void HostImage::fill(double alpha, double red, double green, double blue)
{
    for (int y = 0; y < view_.height; ++y)
        for (int x = 0; x < view_.width; ++x)
            setPixel(x, y, alpha, red, green, blue);
}

namespace {

template <class T>
T clampedInteger(double v, double top)
{
    if (!(v > 0))
        return 0;
    return static_cast<T>(std::min(v, top));
}

} // namespace

double readChannel(const ImageView& image, int x, int y, int c)
{
    const void* p = image.pixelAddress(x, y);
    switch (image.depth) {
    case 8: return static_cast<const std::uint8_t*>(p)[c];
    case 16: return static_cast<const std::uint16_t*>(p)[c];
    case 32: return static_cast<const float*>(p)[c];
    default: return 0.0;
    }
}

void writeChannel(const ImageView& image, int x, int y, int c, double value)
{
    void* p = image.pixelAddress(x, y);
    switch (image.depth) {
    case 8: static_cast<std::uint8_t*>(p)[c] = clampedInteger<std::uint8_t>(value, 255.0); break;
    case 16: static_cast<std::uint16_t*>(p)[c] = clampedInteger<std::uint16_t>(value, 32768.0); break;
    case 32: static_cast<float*>(p)[c] = static_cast<float>(value); break;
    default: break;
    }
}

PF_LayerDef worldFor(const ImageView& image, int originX, int originY)
{
    PF_LayerDef world{};
    if (!image.hasPixels())
        return world;
    world.world_flags = image.depth == 16 ? PF_WorldFlag_DEEP : 0;
    world.data = image.data;
    world.rowbytes = image.rowBytes;
    world.width = image.width;
    world.height = image.height;
    world.extent_hint = PF_LRect{0, 0, image.width, image.height};
    world.pix_aspect_ratio = image.pixelAspect;
    world.origin_x = originX;
    world.origin_y = originY;
    return world;
}

} // namespace quorvane::hostsim
