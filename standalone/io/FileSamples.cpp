#include "FileSamples.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quorvane {

int depthOf(SampleType type)
{
    return type == SampleType::U8 ? 8 : type == SampleType::U16 ? 16 : 32;
}

SampleType sampleTypeOf(int depth)
{
    return depth == 8 ? SampleType::U8 : depth == 16 ? SampleType::U16 : SampleType::F32;
}

std::uint16_t hostFrom16BitFile(std::uint16_t v)
{
    // round(v × 32768 / 65535) = floor((2 × 32768 × v + 65535) / (2 × 65535))
    return static_cast<std::uint16_t>((std::uint32_t{v} * 65536u + 65535u) / 131070u);
}

std::uint16_t fileFrom16BitHost(std::uint16_t h)
{
    const std::uint32_t clamped = std::min<std::uint32_t>(h, 32768u);
    return static_cast<std::uint16_t>((clamped * 131070u + 32768u) / 65536u);
}

namespace {

template <class T>
T sampleAt(const void* samples, int index)
{
    T v;
    std::memcpy(&v, static_cast<const std::uint8_t*>(samples) + index * sizeof(T), sizeof(T));
    return v;
}

template <class T>
void putSample(void* samples, int index, T v)
{
    std::memcpy(static_cast<std::uint8_t*>(samples) + index * sizeof(T), &v, sizeof(T));
}

// File samples of one pixel, colour replicated for grey, opaque without alpha.
template <class T>
struct FilePixel {
    T c[3];
    T a;
};

template <class T>
FilePixel<T> readFilePixel(const void* samples, const SampleLayout& layout, int x, T opaque)
{
    const int n = layout.channels();
    FilePixel<T> p;
    for (int i = 0; i < 3; ++i)
        p.c[i] = sampleAt<T>(samples, x * n + (layout.colourChannels == 1 ? 0 : i));
    p.a = layout.hasAlpha ? sampleAt<T>(samples, x * n + layout.colourChannels) : opaque;
    return p;
}

void storeRow8(const void* samples, const SampleLayout& layout, Pixel8* out, int width)
{
    for (int x = 0; x < width; ++x) {
        const auto p = readFilePixel<std::uint8_t>(samples, layout, x, 255);
        std::uint32_t c[3] = {p.c[0], p.c[1], p.c[2]};
        if (layout.premultiplied && p.a > 0)
            for (auto& v : c)
                v = std::min<std::uint32_t>((v * 255u + p.a / 2u) / p.a, 255u);
        out[x].alpha() = p.a;
        out[x].red() = static_cast<std::uint8_t>(c[0]);
        out[x].green() = static_cast<std::uint8_t>(c[1]);
        out[x].blue() = static_cast<std::uint8_t>(c[2]);
    }
}

void storeRow16(const void* samples, const SampleLayout& layout, Pixel16* out, int width)
{
    for (int x = 0; x < width; ++x) {
        const auto p = readFilePixel<std::uint16_t>(samples, layout, x, 65535);
        std::uint16_t c[3];
        for (int i = 0; i < 3; ++i) {
            if (layout.premultiplied && p.a > 0) {
                // The straight file value c × 65535 / a, mapped to the host: round(c × 32768 / a).
                const std::uint64_t v = (std::uint64_t{p.c[i]} * 65536u + p.a) / (2u * p.a);
                c[i] = static_cast<std::uint16_t>(std::min<std::uint64_t>(v, 32768u));
            } else {
                c[i] = hostFrom16BitFile(p.c[i]);
            }
        }
        out[x].alpha() = hostFrom16BitFile(p.a);
        out[x].red() = c[0];
        out[x].green() = c[1];
        out[x].blue() = c[2];
    }
}

void storeRowFloat(const void* samples, const SampleLayout& layout, PixelFloat* out, int width)
{
    for (int x = 0; x < width; ++x) {
        auto p = readFilePixel<float>(samples, layout, x, 1.0f);
        if (layout.premultiplied && p.a > 0)
            for (auto& v : p.c)
                v = v / p.a;
        out[x].alpha() = p.a;
        out[x].red() = p.c[0];
        out[x].green() = p.c[1];
        out[x].blue() = p.c[2];
    }
}

// convertColour(colour, alpha) and convertAlpha(alpha) give file samples of type T.
template <class T, class Pixel, class ConvertColour, class ConvertAlpha>
void loadRowWith(const Pixel* in, const SampleLayout& layout, void* samples, int width,
                 ConvertColour convertColour, ConvertAlpha convertAlpha)
{
    const int n = layout.channels();
    for (int x = 0; x < width; ++x) {
        const Pixel& p = in[x];
        putSample<T>(samples, x * n, convertColour(p.red(), p.alpha()));
        if (layout.colourChannels == 3) {
            putSample<T>(samples, x * n + 1, convertColour(p.green(), p.alpha()));
            putSample<T>(samples, x * n + 2, convertColour(p.blue(), p.alpha()));
        }
        if (layout.hasAlpha)
            putSample<T>(samples, x * n + layout.colourChannels, convertAlpha(p.alpha()));
    }
}

template <class T>
T roundedScale(double v, double scale)
{
    if (!(v > 0))
        return 0;
    return static_cast<T>(std::min(v, 1.0) * scale + 0.5);   // v > 0: rounds half up
}

} // namespace

void storeRow(const void* samples, const SampleLayout& layout, ImageBuffer& image, int y)
{
    switch (layout.type) {
    case SampleType::U8:
        storeRow8(samples, layout, image.row<Pixel8>(y), image.width());
        break;
    case SampleType::U16:
        storeRow16(samples, layout, image.row<Pixel16>(y), image.width());
        break;
    case SampleType::F32:
        storeRowFloat(samples, layout, image.row<PixelFloat>(y), image.width());
        break;
    }
}

void loadRow(const ImageBuffer& image, int y, const SampleLayout& layout, void* samples)
{
    const int w = image.width();
    switch (layout.type) {
    case SampleType::U8: {
        const auto asStored = [](std::uint8_t v) { return v; };
        loadRowWith<std::uint8_t>(image.row<Pixel8>(y), layout, samples, w,
                                  [&](std::uint8_t v, std::uint8_t) { return asStored(v); }, asStored);
        break;
    }
    case SampleType::U16:
        loadRowWith<std::uint16_t>(image.row<Pixel16>(y), layout, samples, w,
                                   [](std::uint16_t v, std::uint16_t) { return fileFrom16BitHost(v); },
                                   fileFrom16BitHost);
        break;
    case SampleType::F32: {
        const auto asStored = [](float v) { return v; };
        if (layout.premultiplied)
            loadRowWith<float>(image.row<PixelFloat>(y), layout, samples, w,
                               [](float v, float a) { return v * a; }, asStored);
        else
            loadRowWith<float>(image.row<PixelFloat>(y), layout, samples, w,
                               [](float v, float) { return v; }, asStored);
        break;
    }
    }
}

namespace {

template <class In, class Out, class Convert>
void convertPixels(const ImageBuffer& from, ImageBuffer& to, Convert convert)
{
    for (int y = 0; y < from.height(); ++y) {
        const In* in = from.row<In>(y);
        Out* out = to.row<Out>(y);
        for (int x = 0; x < from.width(); ++x)
            for (int c = 0; c < 4; ++c)
                out[x].channels[c] = convert(in[x].channels[c]);
    }
}

} // namespace

ImageBuffer convertDepth(const ImageBuffer& image, int depth)
{
    ImageBuffer out(image.width(), image.height(), depth);
    const int from = image.depth();
    if (from == depth) {
        std::memcpy(out.data(), image.data(), image.byteCount());
    } else if (from == 8 && depth == 16) {
        convertPixels<Pixel8, Pixel16>(image, out, [](std::uint8_t v) {
            return static_cast<std::uint16_t>((std::uint32_t{v} * 65536u + 255u) / 510u);
        });
    } else if (from == 16 && depth == 8) {
        convertPixels<Pixel16, Pixel8>(image, out, [](std::uint16_t v) {
            const std::uint32_t clamped = std::min<std::uint32_t>(v, 32768u);
            return static_cast<std::uint8_t>((clamped * 510u + 32768u) / 65536u);
        });
    } else if (from == 8) {
        convertPixels<Pixel8, PixelFloat>(image, out,
                                          [](std::uint8_t v) { return static_cast<float>(v / 255.0); });
    } else if (from == 16) {
        convertPixels<Pixel16, PixelFloat>(image, out, [](std::uint16_t v) {
            return static_cast<float>(v / 32768.0);
        });
    } else if (depth == 8) {
        convertPixels<PixelFloat, Pixel8>(image, out,
                                          [](float v) { return roundedScale<std::uint8_t>(v, 255.0); });
    } else {
        convertPixels<PixelFloat, Pixel16>(image, out,
                                           [](float v) { return roundedScale<std::uint16_t>(v, 32768.0); });
    }
    return out;
}

} // namespace quorvane
