#pragma once
// A non-owning view of a rectangle of pixels. Rows may be padded (rowBytes larger than
// width × pixelBytes); the padding is never read or written.

#include <cstddef>
#include <cstdint>

#include "host/RenderDescriptors.h"
#include "image/Pixel.h"

namespace quorvane {

template <class Pixel, int Unused1 = 0, int Unused2 = 0>
class PixelArray {
public:
    using pixel_type = Pixel;
    using channel_type = typename Pixel::channel_type;
    static constexpr int MAX = Pixel::MAX;

    PixelArray() = default;

    // Wraps a host image; valid only while the host keeps the buffer checked out.
    explicit PixelArray(const ImageInfo& info)
        : width(info.width), height(info.height), rowBytes(info.rowBytes),
          pixelBytes(static_cast<int>(sizeof(Pixel))), originX(info.originX),
          originY(info.originY), pixelAspect(info.pixelAspect),
          data(static_cast<std::uint8_t*>(info.data)), valid(info.valid && info.data != nullptr),
          premultiplied(info.premultiplied)
    {
    }

    // Shape of a buffer a filter allocates to shadow `like`: packed rows, premultiplied.
    template <class Other>
    static PixelArray shadowOf(const Other& like, void* buffer)
    {
        PixelArray array;
        array.width = like.width;
        array.height = like.height;
        array.pixelBytes = static_cast<int>(sizeof(Pixel));
        array.rowBytes = like.width * array.pixelBytes;
        array.originX = like.originX;
        array.originY = like.originY;
        array.pixelAspect = 1.0;
        array.data = static_cast<std::uint8_t*>(buffer);
        array.valid = buffer != nullptr;
        array.premultiplied = true;
        return array;
    }

    // Bytes a packed buffer of this pixel type needs for width × height pixels.
    static std::size_t packedBytes(int width, int height)
    {
        if (width <= 0 || height <= 0)
            return 0;
        return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * sizeof(Pixel);
    }

    Pixel* row(int y) const
    {
        return reinterpret_cast<Pixel*>(data + static_cast<std::ptrdiff_t>(y) * rowBytes);
    }
    Pixel& at(int x, int y) const { return row(y)[x]; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    bool hasPixels() const { return data != nullptr && width > 0 && height > 0; }

    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t rowBytes = 0;
    std::int32_t pixelBytes = 0;
    std::int32_t originX = 0;
    std::int32_t originY = 0;
    double pixelAspect = 1.0;
    std::uint8_t* data = nullptr;
    bool valid = false;
    bool premultiplied = false;
};

using Image8 = PixelArray<Pixel8>;
using Image16 = PixelArray<Pixel16>;
using ImageFloat = PixelArray<PixelFloat>;
using ImageFloat255 = PixelArray<PixelFloat255>;
using ImageFloat32768 = PixelArray<PixelFloat32768>;
using ImageWeighted255 = PixelArray<PixelWeighted255>;
using ImageWeighted32768 = PixelArray<PixelWeighted32768>;
using ImageWeightedFloat = PixelArray<PixelWeightedFloat>;

} // namespace quorvane
