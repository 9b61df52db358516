#include "ImageBuffer.h"

#include <cstring>
#include <new>

namespace quorvane {

namespace {
constexpr std::align_val_t kAlignment{64};
}

void checkImageSize(std::int64_t width, std::int64_t height, const std::string& what)
{
    if (width <= 0 || height <= 0)
        throw ImageError(what + ": the image has no pixels (" + std::to_string(width) + " x " +
                         std::to_string(height) + ")");
    if (width > kMaxImageSide || height > kMaxImageSide || width * height > kMaxImagePixels)
        throw ImageError(what + ": " + std::to_string(width) + " x " + std::to_string(height) +
                         " pixels is too large (at most " + std::to_string(kMaxImageSide) +
                         " pixels a side and " + std::to_string(kMaxImagePixels / 1'000'000) +
                         " megapixels)");
}

int bytesPerPixel(int depth)
{
    return depth == 8 ? 4 : depth == 16 ? 8 : 16;
}

bool isValidDepth(int depth)
{
    return depth == 8 || depth == 16 || depth == 32;
}

void ImageBuffer::AlignedDelete::operator()(std::uint8_t* p) const
{
    ::operator delete[](p, kAlignment);
}

void ImageBuffer::reshape(int width, int height, int depth)
{
    if (!isValidDepth(depth))
        throw ImageError("unsupported image depth " + std::to_string(depth));
    checkImageSize(width, height, "image");
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                              static_cast<std::size_t>(bytesPerPixel(depth));
    if (bytes > capacity_) {
        storage_.reset();
        capacity_ = 0;
        auto* block = static_cast<std::uint8_t*>(::operator new[](bytes, kAlignment, std::nothrow));
        if (!block)
            throw ImageError("not enough memory for a " + std::to_string(width) + " x " +
                             std::to_string(height) + " image");
        storage_.reset(block);
        capacity_ = bytes;
    }
    width_ = width;
    height_ = height;
    depth_ = depth;
}

void ImageBuffer::fill(std::uint8_t byte)
{
    if (!empty())
        std::memset(data(), byte, byteCount());
}

bool operator==(const ImageBuffer& a, const ImageBuffer& b)
{
    if (a.width() != b.width() || a.height() != b.height() || a.depth() != b.depth())
        return false;
    return a.empty() || std::memcmp(a.data(), b.data(), a.byteCount()) == 0;
}

} // namespace quorvane
