#pragma once
// Rectangular mean filter with fractional width and height, per-axis edge modes and optional
// averaging in linear light. Running column sums and a sliding row sum make the cost per pixel
// independent of the radius. Runs on the calling thread.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "image/BlurSettings.h"
#include "image/ChannelConversion.h"
#include "image/EdgeMode.h"
#include "image/EdgeRuns.h"
#include "image/HostBuffer.h"
#include "image/LinearLight.h"
#include "image/PixelArray.h"
#include "image/Premultiply.h"
#include "image/QuorvaneFilter.h"

namespace quorvane {

// precise 1 computes the linear-light curves by formula for every sample; 0 looks them up in
// the two tables (and then every sample passes through them, also with gamma off).
template <class Array, int precise = 0>
class QuadsoftFilter : public QuorvaneFilter {
public:
    using QuorvaneFilter::QuorvaneFilter;
    using Pixel = typename Array::pixel_type;
    using Channel = typename Array::channel_type;
    static constexpr int MAX = Array::MAX;

    Array source;
    Array destination;
    double radiusX = 0;
    double radiusY = 0;
    double pixelSizeX = 1;
    double pixelSizeY = 1;
    int edgeModeX = EdgeClamp;
    int edgeModeY = EdgeClamp;
    bool gamma = false;

    // Blurs the area source and destination share. Out of memory returns outOfMemoryError()
    // before the destination is touched; a refused progress report stops after that row.
    int run(int pass, int passCount);

private:
    struct Window {
        int n;        // rows (or columns) −n … n count, the outer two with weight f
        double f;
    };

    // Fetched samples of a few source rows, kept while the sliding column sums need them.
    class RowCache {
    public:
        static constexpr int kSlots = 4;
        RowCache(double* storage, int width) : storage_(storage), width_(width) {}
        template <class Fetch>
        const double* get(int row, const int (&keep)[kSlots], Fetch&& fetch);

    private:
        double* storage_;
        int width_;
        int rows_[kSlots] = {-1, -1, -1, -1};
    };

    static Window window(double radius)
    {
        const double r = radius + 1;
        const int n = static_cast<int>(std::floor(r));
        return {n, r - n};
    }

    void fetchRow(int row, double* out) const;
    void storeMean(Pixel& out, const double sum[4], double k) const;
    void outputRow(int y, const double* columnSums, const int* const (&columns)[4],
                   const double* columnCounts, double k) const;

    int width_ = 0;
    int height_ = 0;
    int modeX_ = EdgeClamp;
    int modeY_ = EdgeClamp;
    Window wx_{1, 0};
    Window wy_{1, 0};
    LinearLightCurve<MAX> decode_;
    LinearLightCurve<MAX> encode_;
};

template <class Array, int precise>
template <class Fetch>
const double* QuadsoftFilter<Array, precise>::RowCache::get(int row, const int (&keep)[kSlots],
                                                             Fetch&& fetch)
{
    for (int s = 0; s < kSlots; ++s)
        if (rows_[s] == row)
            return storage_ + static_cast<std::size_t>(s) * width_ * 4;
    for (int s = 0; s < kSlots; ++s) {
        if (rows_[s] < 0 || std::find(std::begin(keep), std::end(keep), rows_[s]) == std::end(keep)) {
            double* slot = storage_ + static_cast<std::size_t>(s) * width_ * 4;
            fetch(row, slot);
            rows_[s] = row;
            return slot;
        }
    }
    return nullptr;   // unreachable: at most four rows are kept at a time
}

// Decoded as stored, then premultiplied when the source is straight.
template <class Array, int precise>
void QuadsoftFilter<Array, precise>::fetchRow(int row, double* out) const
{
    const Pixel* pixels = source.row(row);
    for (int x = 0; x < width_; ++x) {
        Channels c = readChannels(pixels[x]);
        c.r = decode_(c.r);
        c.g = decode_(c.g);
        c.b = decode_(c.b);
        if (!source.premultiplied)
            premultiply<MAX>(c);
        out[4 * x + 0] = c.a;
        out[4 * x + 1] = c.r;
        out[4 * x + 2] = c.g;
        out[4 * x + 3] = c.b;
    }
}

// The inverse of the fetch: back to straight colour first (when the destination is straight),
// then encoded, so that a window of one pixel gives that pixel back.
template <class Array, int precise>
void QuadsoftFilter<Array, precise>::storeMean(Pixel& out, const double sum[4], double k) const
{
    Channels c{sum[0] * k, sum[1] * k, sum[2] * k, sum[3] * k};
    if (!destination.premultiplied)
        unpremultiply<MAX>(c);
    c.r = encode_(c.r);
    c.g = encode_(c.g);
    c.b = encode_(c.b);
    constexpr double max = MAX;
    c.a = std::clamp(c.a, 0.0, max);
    if constexpr (Pixel::isInteger) {
        c.r = std::clamp(c.r, 0.0, max);
        c.g = std::clamp(c.g, 0.0, max);
        c.b = std::clamp(c.b, 0.0, max);
    } else {
        c.r = std::max(c.r, 0.0);
        c.g = std::max(c.g, 0.0);
        c.b = std::max(c.b, 0.0);
    }
    out.alpha() = toChannel<Channel>(c.a);
    out.red() = toChannel<Channel>(c.r);
    out.green() = toChannel<Channel>(c.g);
    out.blue() = toChannel<Channel>(c.b);
}

// columns[0 … 3][x]: the column sums that enter and leave the row sum after pixel x, at
// x + n + 1, x + n, x − n + 1 and x − n.
template <class Array, int precise>
void QuadsoftFilter<Array, precise>::outputRow(int y, const double* columnSums,
                                               const int* const (&columns)[4],
                                               const double* columnCounts, double k) const
{
    const double fx = wx_.f;
    const double gx = 1 - fx;
    double sum[4] = {0, 0, 0, 0};
    for (int j = 0; j < width_; ++j) {
        if (columnCounts[j] > 0) {
            for (int c = 0; c < 4; ++c)
                sum[c] += columnCounts[j] * columnSums[4 * j + c];
        }
    }
    int low = -wx_.n;
    int high = wx_.n;
    resolveEdgeIndex(modeX_, width_, low);
    resolveEdgeIndex(modeX_, width_, high);
    for (int c = 0; c < 4; ++c)
        sum[c] = sum[c] + fx * (columnSums[4 * low + c] + columnSums[4 * high + c]);

    Pixel* out = destination.row(y);
    for (int x = 0; x < width_; ++x) {
        storeMean(out[x], sum, k);
        const double* enter = columnSums + 4 * columns[0][x];
        const double* grow = columnSums + 4 * columns[1][x];
        const double* shrink = columnSums + 4 * columns[2][x];
        const double* leave = columnSums + 4 * columns[3][x];
        for (int c = 0; c < 4; ++c)
            sum[c] = sum[c] + fx * enter[c] + gx * grow[c] - gx * shrink[c] - fx * leave[c];
    }
}

template <class Array, int precise>
int QuadsoftFilter<Array, precise>::run(int pass, int passCount)
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
    const double Rx = pixelRadius(radiusX, pixelSizeX) + 1;
    const double Ry = pixelRadius(radiusY, pixelSizeY) + 1;
    wx_ = window(Rx - 1);
    wy_ = window(Ry - 1);
    const double k = 1 / (2 * Rx - 1) * (1 / (2 * Ry - 1));

    LinearLightTables<MAX> tables;
    if constexpr (!precise) {
        if (!tables.allocate(host, gamma))
            return host->outOfMemoryError();
        decode_ = tables.decoder();
        encode_ = tables.encoder();
    } else {
        decode_ = {nullptr, gamma, LinearCurve::Decode};
        encode_ = {nullptr, gamma, LinearCurve::Encode};
    }
    const std::size_t sums = static_cast<std::size_t>(w) * 4;
    HostBuffer<double> columnSums(host, sums);
    HostBuffer<double> cachedRows(host, sums * RowCache::kSlots);
    HostBuffer<double> counts(host, static_cast<std::size_t>(w) + h);
    HostBuffer<int> columnIndices(host, static_cast<std::size_t>(w) * 4);
    if (!columnSums || !cachedRows || !counts || !columnIndices)
        return host->outOfMemoryError();

    // How often each row and each column stands among the positions 1 − n … n − 1.
    double* rowCounts = counts.get();
    double* columnCounts = counts.get() + h;
    std::fill(counts.get(), counts.get() + w + h, 0.0);
    for (const EdgeRun& run : edgeRuns(modeY_, h, 1 - wy_.n, wy_.n - 1, WrapRule::Resolve))
        for (int i = 0; i < run.length; ++i)
            rowCounts[run.first + i] += static_cast<double>(run.count);
    for (const EdgeRun& run : edgeRuns(modeX_, w, 1 - wx_.n, wx_.n - 1, WrapRule::Resolve))
        for (int i = 0; i < run.length; ++i)
            columnCounts[run.first + i] += static_cast<double>(run.count);

    const int* columns[4];
    const int offsets[4] = {wx_.n + 1, wx_.n, 1 - wx_.n, -wx_.n};
    for (int i = 0; i < 4; ++i) {
        int* column = columnIndices.get() + static_cast<std::size_t>(i) * w;
        for (int x = 0; x < w; ++x) {
            column[x] = x + offsets[i];
            resolveEdgeIndex(modeX_, w, column[x]);
        }
        columns[i] = column;
    }

    RowCache cache(cachedRows.get(), w);
    auto fetch = [this](int row, double* out) { fetchRow(row, out); };
    auto rowAt = [&](int position) {
        resolveEdgeIndex(modeY_, h, position);
        return position;
    };

    double* C = columnSums.get();
    std::fill(C, C + sums, 0.0);
    const int none[RowCache::kSlots] = {-1, -1, -1, -1};
    for (int row = 0; row < h; ++row) {
        if (rowCounts[row] > 0) {
            const double* S = cache.get(row, none, fetch);
            for (std::size_t i = 0; i < sums; ++i)
                C[i] += rowCounts[row] * S[i];
        }
    }
    const double fy = wy_.f;
    const double gy = 1 - fy;
    {
        const int outer[RowCache::kSlots] = {rowAt(-wy_.n), rowAt(wy_.n), -1, -1};
        const double* low = cache.get(outer[0], outer, fetch);
        const double* high = cache.get(outer[1], outer, fetch);
        for (std::size_t i = 0; i < sums; ++i)
            C[i] = C[i] + fy * low[i];
        for (std::size_t i = 0; i < sums; ++i)
            C[i] = C[i] + fy * high[i];
    }
    // One report per set-up row; a set-up taller than the image reports only the rows within
    // one image height of row 0, so the reports stay few and inside this pass's share.
    const int total = 2 * h * passCount;
    const int firstSetup = std::max(1 - wy_.n, 1 - h);
    const int lastSetup = std::min(wy_.n - 1, h - 1);
    for (int y = firstSetup; y <= lastSetup; ++y) {
        result = host->progress(2 * h * pass + y, total, 0);
        if (result != host->noError())
            return result;
    }

    for (int y = 0; y < h; ++y) {
        outputRow(y, C, columns, columnCounts, k);
        const int rows[RowCache::kSlots] = {rowAt(y - wy_.n), rowAt(y - wy_.n + 1), rowAt(y + wy_.n),
                                            rowAt(y + wy_.n + 1)};
        const double* S0 = cache.get(rows[0], rows, fetch);
        const double* S1 = cache.get(rows[1], rows, fetch);
        const double* S2 = cache.get(rows[2], rows, fetch);
        const double* S3 = cache.get(rows[3], rows, fetch);
        for (std::size_t i = 0; i < sums; ++i)
            C[i] = C[i] - fy * S0[i] - gy * S1[i] + gy * S2[i] + fy * S3[i];
        result = host->progress((2 * pass + 1) * h + y, total, 0);
        if (result != host->noError())
            return result;
    }
    return result;
}

} // namespace quorvane
