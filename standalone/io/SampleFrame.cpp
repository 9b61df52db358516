#include "SampleFrame.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "FileSamples.h"

namespace quorvane {

namespace {

constexpr int W = kSampleFrameWidth;
constexpr int H = kSampleFrameHeight;

struct Colour {
    double r, g, b;
};

Colour mix(const Colour& a, const Colour& b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// A well-mixed 32-bit hash of a pixel position, for texture that repeats nowhere.
std::uint32_t hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed)
{
    std::uint32_t h = x * 0x9E3779B1u ^ (y + seed) * 0x85EBCA77u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

double unit(std::uint32_t h)
{
    return (h >> 8) * (1.0 / 16777216.0);
}

// Fully saturated hue, h in [0, 1).
Colour hue(double h)
{
    const double s = h * 6.0;
    const int sector = std::min(5, static_cast<int>(s));
    const double f = s - sector;
    switch (sector) {
    case 0: return {1, f, 0};
    case 1: return {1 - f, 1, 0};
    case 2: return {0, 1, f};
    case 3: return {0, 1 - f, 1};
    case 4: return {f, 0, 1};
    default: return {1, 0, 1 - f};
    }
}

double clamp01(double v)
{
    return std::clamp(v, 0.0, 1.0);
}

// Background: a diagonal gradient from deep blue to warm orange, with a faint 120-pixel grid.
Colour background(int x, int y)
{
    const double t = (x / double(W - 1) + y / double(H - 1)) * 0.5;
    Colour c = mix({0.08, 0.12, 0.35}, {0.85, 0.45, 0.18}, t);
    if (x % 120 < 2 || y % 120 < 2)
        c = mix(c, {0.9, 0.9, 0.9}, 0.35);
    return c;
}

// Top-left: every hue left to right, fully saturated across the middle rows, fading to white
// above and towards black below.
Colour hueBand(int x, int y)
{
    const Colour pure = hue(x / 720.0);
    if (y < 120)
        return mix({1, 1, 1}, pure, y / 120.0);
    if (y < 180)
        return pure;
    return mix(pure, {0, 0, 0}, (y - 180) / 120.0 * 0.8);
}

// Top-right: checkers of 1, 2 and 4 pixels side by side, then coloured noise.
Colour texture(int x, int y)
{
    const int local = x - 1320;
    if (local < 450) {
        const int cell = local < 150 ? 1 : local < 300 ? 2 : 4;
        const bool on = ((x / cell) + (y / cell)) % 2 == 0;
        return on ? Colour{0.92, 0.9, 0.85} : Colour{0.1, 0.1, 0.12};
    }
    return {unit(hash(x, y, 1)), unit(hash(x, y, 2)), unit(hash(x, y, 3))};
}

// Centre: a disc shaded from a warm centre to a cool rim, with rings every 24 pixels.
bool centreDisc(int x, int y, Colour& c)
{
    const double dx = x - 960.0, dy = y - 470.0;
    const double d = std::sqrt(dx * dx + dy * dy);
    const double radius = 230.0;
    if (d > radius + 1)
        return false;
    const double ring = std::fabs(std::fmod(d, 24.0) - 12.0) / 12.0;   // triangle wave 0..1
    Colour disc = mix({1.0, 0.85, 0.3}, {0.1, 0.5, 0.9}, d / radius);
    disc = mix(disc, {0.02, 0.02, 0.05}, ring < 0.15 ? 0.6 : 0.0);
    c = mix(c, disc, clamp01(radius + 0.5 - d));
    return true;
}

// Bottom-left: a night band, dark blue to black.
Colour nightBand(int, int y)
{
    return mix({0.03, 0.04, 0.1}, {0.0, 0.0, 0.01}, (y - 760) / 319.0);
}

void put(ImageBuffer& image, int x, int y, const Colour& c, double alpha)
{
    PixelFloat& p = image.row<PixelFloat>(y)[x];
    p.red() = static_cast<float>(c.r);
    p.green() = static_cast<float>(c.g);
    p.blue() = static_cast<float>(c.b);
    p.alpha() = static_cast<float>(alpha);
}

Colour get(const ImageBuffer& image, int x, int y)
{
    const PixelFloat& p = image.row<PixelFloat>(y)[x];
    return {p.red(), p.green(), p.blue()};
}

void paintBase(ImageBuffer& image)
{
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            Colour c = background(x, y);
            if (x < 720 && y < 300)
                c = hueBand(x, y);
            else if (x >= 1320 && y < 300)
                c = texture(x, y);
            else if (x < 1200 && y >= 760)
                c = nightBand(x, y);
            centreDisc(x, y, c);
            put(image, x, y, c, 1.0);
        }
}

// Lines of one pixel, brighter than white in float: a horizontal and a vertical one through
// the night band and two diagonals.
void paintLines(ImageBuffer& image)
{
    const Colour bright{3.0, 3.0, 2.6};
    for (int x = 40; x < 1160; ++x)
        put(image, x, 1000, bright, 1.0);
    for (int y = 780; y < 1060; ++y)
        put(image, 600, y, {2.5, 2.8, 3.2}, 1.0);
    for (int i = 0; i < 260; ++i) {
        put(image, 80 + i, 790 + i, {3.2, 2.2, 1.2}, 1.0);
        put(image, 1100 - i, 790 + i, {1.5, 2.5, 3.5}, 1.0);
    }
}

// Small discs of 1.5 to 5 pixels radius, up to 4 times full scale in float, scattered over the
// night band, plus a few on the bright parts of the frame.
void paintSpots(ImageBuffer& image)
{
    for (std::uint32_t i = 0; i < 140; ++i) {
        const bool night = i < 110;
        const double cx = night ? 20 + unit(hash(i, 0, 7)) * 1160 : 20 + unit(hash(i, 0, 8)) * 1880;
        const double cy = night ? 775 + unit(hash(i, 1, 7)) * 290 : 20 + unit(hash(i, 1, 8)) * 740;
        const double radius = 1.5 + unit(hash(i, 2, 7)) * 3.5;
        const double level = 1.0 + unit(hash(i, 3, 7)) * 3.0;
        const Colour tint = mix({1, 1, 1}, hue(unit(hash(i, 4, 7))), 0.3);
        const Colour spot{tint.r * level, tint.g * level, tint.b * level};
        const int x0 = std::max(0, int(cx - radius - 1)), x1 = std::min(W - 1, int(cx + radius + 1));
        const int y0 = std::max(0, int(cy - radius - 1)), y1 = std::min(H - 1, int(cy + radius + 1));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const double d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy));
                const double cover = clamp01(radius + 0.5 - d);
                if (cover > 0)
                    put(image, x, y, mix(get(image, x, y), spot, cover), 1.0);
            }
    }
}

// Bottom-right corner: colour bars whose alpha falls from opaque to transparent across the
// corner, with a fully transparent square in it.
void paintTransparentCorner(ImageBuffer& image)
{
    for (int y = 760; y < H; ++y)
        for (int x = 1300; x < W; ++x) {
            const Colour c = hue(((x - 1300) / 80) / 8.0 + (y > 920 ? 0.0625 : 0.0));
            double alpha = 1.0 - (x - 1300) / 619.0 * 0.9;
            if (x >= 1700 && x < 1840 && y >= 860 && y < 1000)
                alpha = 0.0;
            put(image, x, y, mix(c, {1, 1, 1}, 0.15), alpha);
        }
}

} // namespace

ImageBuffer sampleFrame(int depth)
{
    ImageBuffer image(W, H, 32);
    paintBase(image);
    paintTransparentCorner(image);
    paintLines(image);
    paintSpots(image);
    if (depth == 32)
        return image;
    return convertDepth(image, depth);
}

} // namespace quorvane
