#pragma once
// Rectangular mean filter whose width and height vary per pixel with the distance between a
// map channel and a focus level. A single-precision summed-area table of the linear,
// premultiplied source and the edge-aware block sum keep the cost per pixel independent of the
// rectangle's size. The table is built on the calling thread; the output rows, each computed
// alone, run in fixed steps on the host's threads.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "image/BlurSettings.h"
#include "image/BlurSteps.h"
#include "image/ChannelConversion.h"
#include "image/EdgeMode.h"
#include "image/HostBuffer.h"
#include "image/LinearLight.h"
#include "image/MapChannel.h"
#include "image/PixelArray.h"
#include "image/Premultiply.h"
#include "image/QuorvaneFilter.h"
#include "image/SummedAreaTable.h"

namespace quorvane {

template <class Array>
class MaskedQuadsoftFilter : public QuorvaneFilter {
public:
    using QuorvaneFilter::QuorvaneFilter;
    using Pixel = typename Array::pixel_type;
    using Channel = typename Array::channel_type;
    static constexpr int MAX = Array::MAX;

    Array source;
    Array destination;
    Array map;
    double radiusX = 0;
    double radiusY = 0;
    double pixelSizeX = 1;
    double pixelSizeY = 1;
    double focus = 0;
    int edgeModeX = EdgeClamp;
    int edgeModeY = EdgeClamp;
    int mapChannel = MapLuminance;
    bool gamma = false;
    int mapOffsetX = 0;
    int mapOffsetY = 0;

    // Blurs the area source and destination share; radiusX and radiusY become pixels of this
    // image. Out of memory returns outOfMemoryError() before the destination is touched; a
    // refused progress report stops the filter (rows of the step in work may then be written
    // beyond the refused one).
    int run(int pass, int passCount);

    // Band callback: output row stepFirst + index.
    int outputRow(int index, int count, int threadIndex);
    static constexpr int kStepRows = 16;

private:
    // One axis of a rectangle [centre − r, centre + r]: cells first + 1 … last count fully, cell
    // first with weight low, cell last + 1 with weight high.
    struct Span {
        std::int64_t first;
        std::int64_t last;
        double low;
        double high;
    };

    static Span span(int centre, double r)
    {
        const double p0 = centre - r;
        const double p1 = centre + r;
        const double floor0 = std::floor(p0);
        const double floor1 = std::floor(p1);
        return {static_cast<std::int64_t>(floor0), static_cast<std::int64_t>(floor1),
                1 - (p0 - floor0), p1 - floor1};
    }

    // Premultiplied when the source is straight, then decoded.
    Channels sample(int x, int y) const
    {
        const Pixel& p = source.at(x, y);
        Channels c = readChannels(p);
        if constexpr (MAX == 255) {
            const double* row = linearValues_ + 256 * (source.premultiplied ? 255 : p.alpha());
            c.r = row[p.red()];
            c.g = row[p.green()];
            c.b = row[p.blue()];
            return c;
        } else if constexpr (MAX == 32768) {
            // Opaque (alpha × 2^-15 is exactly 1) or already premultiplied: by code alone.
            if (source.premultiplied || p.alpha() == MAX) {
                c.r = linearValues_[p.red()];
                c.g = linearValues_[p.green()];
                c.b = linearValues_[p.blue()];
                return c;
            }
        }
        if (!source.premultiplied)
            premultiply<MAX>(c);
        if (gamma) {
            c.r = decodeLinear<MAX>(c.r);
            c.g = decodeLinear<MAX>(c.g);
            c.b = decodeLinear<MAX>(c.b);
        }
        return c;
    }

    // The weighted sums of a rectangle, their total weight, and whether any sample in it with a
    // weight above 0 is nonzero.
    struct Mean {
        double sum[4] = {0, 0, 0, 0};
        double total = 0;
        bool nonzero = false;
    };

    static bool isNonzero(const Channels& c) { return c.a != 0 || c.r != 0 || c.g != 0 || c.b != 0; }

    void addCorner(std::int64_t x, std::int64_t y, double weight, Mean& mean) const;
    // One axis of the rectangle as runs: the full cells, the low border cell, the high one.
    struct SpanRuns {
        EdgeRunList full;
        EdgeRunList low;
        EdgeRunList high;
        std::int64_t fullCells;
    };
    static void spanRuns(int mode, int n, const Span& span, SpanRuns& runs)
    {
        blockSumRuns(mode, n, span.first, span.last, runs.full);
        blockSumRuns(mode, n, span.first - 1, span.first, runs.low);
        blockSumRuns(mode, n, span.last, span.last + 1, runs.high);
        runs.fullCells = span.last - span.first;
    }
    void addStrip(const EdgeRunList& columns, const EdgeRunList& rows, double cells, double weight,
                  Mean& mean) const;
    void storeMean(Pixel& out, const double sum[4]) const;
    void outputPixel(int x, int y, Pixel& out) const;

    int width_ = 0;
    int height_ = 0;
    int modeX_ = EdgeClamp;
    int modeY_ = EdgeClamp;
    const SummedAreaTable* table_ = nullptr;
    const NonzeroCountTable* nonzero_ = nullptr;
    int stepFirst_ = 0;
    // As sample computes them: 8-bit, every code premultiplied by every alpha (by none for a
    // premultiplied source, row 255) and decoded; 16-bit, every code decoded, for opaque or
    // premultiplied samples.
    const double* linearValues_ = nullptr;
};

template <class Array>
void MaskedQuadsoftFilter<Array>::addCorner(std::int64_t x, std::int64_t y, double weight, Mean& mean) const
{
    if (!(weight > 0))
        return;
    int column = static_cast<int>(x);
    int row = static_cast<int>(y);
    resolveEdgeIndex(modeX_, width_, column);
    resolveEdgeIndex(modeY_, height_, row);
    const Channels c = sample(column, row);
    mean.sum[0] += weight * c.a;
    mean.sum[1] += weight * c.r;
    mean.sum[2] += weight * c.g;
    mean.sum[3] += weight * c.b;
    mean.total += weight;
    mean.nonzero = mean.nonzero || isNonzero(c);
}

template <class Array>
void MaskedQuadsoftFilter<Array>::addStrip(const EdgeRunList& columns, const EdgeRunList& rows, double cells,
                                            double weight, Mean& mean) const
{
    if (!(weight > 0) || cells == 0)
        return;
    addBlockSum(*table_, columns, rows, weight, mean.sum);
    mean.total += cells * weight;
    mean.nonzero = mean.nonzero || holdsNonzero(*nonzero_, columns, rows);
}

// Channels above MAX become MAX; encoded; back to straight colour when the destination is;
// integer colours limited to [0, MAX] so that what reaches the store fits it.
template <class Array>
void MaskedQuadsoftFilter<Array>::storeMean(Pixel& out, const double sum[4]) const
{
    constexpr double max = MAX;
    Channels c{std::min(sum[0], max), std::min(sum[1], max), std::min(sum[2], max),
               std::min(sum[3], max)};
    if (gamma) {
        c.r = encodeLinear<MAX>(c.r);
        c.g = encodeLinear<MAX>(c.g);
        c.b = encodeLinear<MAX>(c.b);
    }
    if (!destination.premultiplied)
        unpremultiply<MAX>(c);
    if constexpr (Pixel::isInteger) {
        c.r = std::clamp(c.r, 0.0, max);
        c.g = std::clamp(c.g, 0.0, max);
        c.b = std::clamp(c.b, 0.0, max);
    }
    out.alpha() = toChannel<Channel>(c.a);
    out.red() = toChannel<Channel>(c.r);
    out.green() = toChannel<Channel>(c.g);
    out.blue() = toChannel<Channel>(c.b);
}

// A rectangle holding no nonzero sample is stored as 0: its sums would be 0 but for the
// rounding of the float table.
template <class Array>
void MaskedQuadsoftFilter<Array>::outputPixel(int x, int y, Pixel& out) const
{
    const int mx = x + mapOffsetX;
    const int my = y + mapOffsetY;
    const double m = mapCovers(map, mx, my) ? mapChannelValue(map.at(mx, my), mapChannel) : 0.0;
    const float dist = static_cast<float>(std::fabs(m - focus));
    const Span sx = span(x, limitPixelRadius(dist * radiusX));
    const Span sy = span(y, limitPixelRadius(dist * radiusY));

    SpanRuns columns, rows;
    spanRuns(modeX_, width_, sx, columns);
    spanRuns(modeY_, height_, sy, rows);
    const double fullX = static_cast<double>(columns.fullCells);
    const double fullY = static_cast<double>(rows.fullCells);
    Mean mean;
    addStrip(columns.full, rows.full, fullX * fullY, 1.0, mean);
    addStrip(columns.low, rows.full, fullY, sx.low, mean);
    addStrip(columns.high, rows.full, fullY, sx.high, mean);
    addStrip(columns.full, rows.low, fullX, sy.low, mean);
    addStrip(columns.full, rows.high, fullX, sy.high, mean);
    addCorner(sx.first, sy.first, sx.low * sy.low, mean);
    addCorner(sx.last + 1, sy.first, sx.high * sy.low, mean);
    addCorner(sx.first, sy.last + 1, sx.low * sy.high, mean);
    addCorner(sx.last + 1, sy.last + 1, sx.high * sy.high, mean);
    if (!mean.nonzero) {
        out.alpha() = out.red() = out.green() = out.blue() = 0;
        return;
    }
    if (mean.total != 0)
        for (double& channel : mean.sum)
            channel /= mean.total;
    storeMean(out, mean.sum);
}

template <class Array>
int MaskedQuadsoftFilter<Array>::run(int pass, int passCount)
{
    int result = host->noError();
    width_ = std::min(source.width, destination.width);
    height_ = std::min(source.height, destination.height);
    if (!source.hasPixels() || !destination.hasPixels() || width_ <= 0 || height_ <= 0)
        return result;
    const int w = width_;
    const int h = height_;
    modeX_ = blurEdgeMode(edgeModeX);
    modeY_ = blurEdgeMode(edgeModeY);
    radiusX = pixelRadius(radiusX, pixelSizeX);
    radiusY = pixelRadius(radiusY, pixelSizeY);

    HostBuffer<float> cells(host, static_cast<std::size_t>(w) * h * 4);
    if (!cells)
        return host->outOfMemoryError();
    HostBuffer<std::int32_t> counts(host, static_cast<std::size_t>(w) * h);
    if (!counts)
        return host->outOfMemoryError();
    HostBuffer<double> linearValues(host, Pixel::isInteger ? 65536 : 1);
    if (!linearValues)
        return host->outOfMemoryError();
    linearValues_ = linearValues.get();
    if constexpr (MAX == 32768) {
        for (int code = 0; code < 65536; ++code)
            linearValues[code] = gamma ? decodeLinear<MAX>(code) : code;
    }
    if constexpr (MAX == 255) {
        for (int alpha = 0; alpha < 256; ++alpha) {
            for (int code = 0; code < 256; ++code) {
                Channels c{static_cast<double>(alpha), static_cast<double>(code), 0, 0};
                if (!source.premultiplied)
                    premultiply<MAX>(c);
                linearValues[256 * alpha + code] = gamma ? decodeLinear<MAX>(c.r) : c.r;
            }
        }
    }
    SummedAreaTable table(cells.get(), w, h);
    NonzeroCountTable nonzero(counts.get(), w, h);
    table_ = &table;
    nonzero_ = &nonzero;
    const int total = 2 * h * passCount;
    for (int y = 0; y < h; ++y) {
        table.buildRow(y, [&](int x, double sum[4]) {
            const Channels c = sample(x, y);
            sum[0] += c.a;
            sum[1] += c.r;
            sum[2] += c.g;
            sum[3] += c.b;
            return isNonzero(c);
        }, &nonzero);
        result = host->progress(2 * h * pass + y, total, 0);
        if (result != host->noError())
            return result;
    }
    return runLinesInSteps(host, this, &MaskedQuadsoftFilter::outputRow, h, kStepRows, stepFirst_,
                           [&](int y) { return host->progress((2 * pass + 1) * h + y, total, 0); });
}

template <class Array>
int MaskedQuadsoftFilter<Array>::outputRow(int index, int, int)
{
    const int y = stepFirst_ + index;
    Pixel* out = destination.row(y);
    for (int x = 0; x < width_; ++x)
        outputPixel(x, y, out[x]);
    return host->noError();
}

} // namespace quorvane
