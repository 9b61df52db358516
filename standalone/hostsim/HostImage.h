#pragma once
// Images as the host hands them to a plug-in: four channels per pixel in the order alpha, red,
// green, blue; 8-bit (0..255), 16-bit (0..32768) or 32-bit float; rows may be padded.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "host/ae/AeInterface.h"

namespace quorvane::hostsim {

// Bytes of one pixel at a depth of 8, 16 or 32 bits per channel; 0 for any other depth.
int bytesPerPixel(int depth);

// A non-owning view of host pixels. `data` null (or a zero size) means no pixels.
struct ImageView {
    void* data = nullptr;
    int width = 0;
    int height = 0;
    int rowBytes = 0;
    int depth = 8;                        // 8, 16 or 32 (float)
    PF_RationalScale pixelAspect{1, 1};   // of this image when it is an extra layer

    bool hasPixels() const { return data != nullptr && width > 0 && height > 0; }
    // Address of pixel (x, y); no bounds check.
    void* pixelAddress(int x, int y) const;
};

// Owns a zero-filled host image. Row padding must be a multiple of the channel size so that
// every channel stays naturally aligned.
class HostImage {
public:
    HostImage() = default;
    // Throws std::invalid_argument for a bad depth, negative sizes or misaligned padding.
    HostImage(int width, int height, int depth, int rowPaddingBytes = 0);

    ImageView view() const { return view_; }
    int width() const { return view_.width; }
    int height() const { return view_.height; }
    int depth() const { return view_.depth; }
    int rowBytes() const { return view_.rowBytes; }
    void setPixelAspect(PF_RationalScale aspect) { view_.pixelAspect = aspect; }

    // Channel values in host units (8-bit 0..255, 16-bit 0..32768, float as is), index 0..3
    // = alpha, red, green, blue. Integer depths store the value truncated and clamped.
    void setPixel(int x, int y, double alpha, double red, double green, double blue);
    double channel(int x, int y, int c) const;
    // Every pixel set to the same value.
    void fill(double alpha, double red, double green, double blue);

private:
    std::unique_ptr<std::uint32_t[]> storage_;   // 4-byte units keep float channels aligned
    ImageView view_;
};

// Channel c (0 alpha .. 3 blue) of pixel (x, y) of a view, as a double in host units.
double readChannel(const ImageView& image, int x, int y, int c);
void writeChannel(const ImageView& image, int x, int y, int c, double value);

// The host's image record for a view, positioned at (originX, originY) of the effect layer.
PF_LayerDef worldFor(const ImageView& image, int originX = 0, int originY = 0);

} // namespace quorvane::hostsim
