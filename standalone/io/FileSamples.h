#pragma once
// The one place where pixels cross between image files and the host's image: rows of
// interleaved file samples (grey or RGB, with or without alpha, straight or premultiplied)
// become host pixels and back.
//   8-bit   as stored.
//   16-bit  file v (0..65535) -> host round(v × 32768 / 65535);
//           host h -> file round(min(h, 32768) × 65535 / 32768).
//   float   as stored.
//   Premultiplied colour is divided by alpha on reading where alpha > 0 and multiplied on
//   writing; grey becomes R = G = B; a file without alpha reads as opaque.

#include <cstdint>

#include "ImageBuffer.h"

namespace quorvane {

enum class SampleType { U8, U16, F32 };

struct SampleLayout {
    SampleType type = SampleType::U8;
    int colourChannels = 3;     // 1 (grey) or 3 (RGB)
    bool hasAlpha = true;
    bool premultiplied = false;

    int channels() const { return colourChannels + (hasAlpha ? 1 : 0); }
    int sampleBytes() const { return type == SampleType::U8 ? 1 : type == SampleType::U16 ? 2 : 4; }
    int rowBytes(int width) const { return width * channels() * sampleBytes(); }
};

int depthOf(SampleType type);
SampleType sampleTypeOf(int depth);

std::uint16_t hostFrom16BitFile(std::uint16_t v);
std::uint16_t fileFrom16BitHost(std::uint16_t h);

// One row of file samples (native byte order) into row y of the image, whose depth must be
// that of the sample type.
void storeRow(const void* samples, const SampleLayout& layout, ImageBuffer& image, int y);

// Row y of the image as file samples of the layout (RGB or grey taken from red), which must
// have the image's depth.
void loadRow(const ImageBuffer& image, int y, const SampleLayout& layout, void* samples);

// The image at another depth: 8 <-> 16 scale between 255 and 32768 (rounded), integer -> float
// divides by full scale, float -> integer clamps to [0, 1] (NaN gives 0) and rounds.
ImageBuffer convertDepth(const ImageBuffer& image, int depth);

} // namespace quorvane
