#pragma once
// The standalone host's in-memory image: width × height pixels of one depth (8, 16 or 32 bits
// per channel, 32 = float), four channels in the host's order alpha, red, green, blue,
// straight alpha, 16-bit full scale 32768. Rows are packed. The storage is kept when the image
// is reshaped to a size that fits, so the frames of a sequence reuse one buffer.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "image/Pixel.h"

namespace quorvane {

// Why an image could not be read or written; every kind is the user's problem (a usage error
// of the command), the text says what and where.
class ImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Largest image the host accepts: After Effects' own limit per side, and a pixel count whose
// float working buffers (up to 20 bytes a pixel) still fit the plug-ins' int-sized requests.
constexpr int kMaxImageSide = 30000;
constexpr std::int64_t kMaxImagePixels = 100'000'000;

// Throws ImageError naming `what` when width × height is not a size the host can render.
void checkImageSize(std::int64_t width, std::int64_t height, const std::string& what);

int bytesPerPixel(int depth);     // 4, 8 or 16
bool isValidDepth(int depth);     // 8, 16 or 32

class ImageBuffer {
public:
    ImageBuffer() = default;
    ImageBuffer(int width, int height, int depth) { reshape(width, height, depth); }

    // Makes the image width × height at depth; the pixels are left undefined. Keeps the storage
    // when it is large enough. Throws ImageError for sizes checkImageSize refuses.
    void reshape(int width, int height, int depth);
    void fill(std::uint8_t byte);

    int width() const { return width_; }
    int height() const { return height_; }
    int depth() const { return depth_; }
    int rowBytes() const { return width_ * bytesPerPixel(depth_); }
    std::size_t byteCount() const
    {
        return static_cast<std::size_t>(rowBytes()) * static_cast<std::size_t>(height_);
    }
    bool empty() const { return width_ == 0 || height_ == 0; }

    std::uint8_t* data() { return storage_.get(); }
    const std::uint8_t* data() const { return storage_.get(); }

    template <class Pixel>
    Pixel* row(int y)
    {
        return reinterpret_cast<Pixel*>(data() + static_cast<std::size_t>(y) * rowBytes());
    }
    template <class Pixel>
    const Pixel* row(int y) const
    {
        return reinterpret_cast<const Pixel*>(data() + static_cast<std::size_t>(y) * rowBytes());
    }

private:
    struct AlignedDelete {
        void operator()(std::uint8_t* p) const;
    };

    std::unique_ptr<std::uint8_t[], AlignedDelete> storage_;
    std::size_t capacity_ = 0;
    int width_ = 0;
    int height_ = 0;
    int depth_ = 8;
};

bool operator==(const ImageBuffer& a, const ImageBuffer& b);

} // namespace quorvane
