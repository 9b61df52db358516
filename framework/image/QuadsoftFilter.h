#pragma once
// Rectangular mean filter with fractional width and height, per-axis edge modes and optional
// averaging in linear light. Running column sums and a sliding row sum make the cost per pixel
// independent of the radius.
//
// The work is cut at fixed places, never by thread count: the column sums slide in strips of
// kStripWidth columns, the rows are written in pairs, kChunkRows rows at a time, the strips of
// one chunk beside the rows of the chunk before. Every column sum and every row sum follows the
// same sequence of additions as in one pass over the image, so the result is the same for any
// number of threads.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "image/BlurSettings.h"
#include "image/ChannelLanes.h"
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
    static constexpr int kStripWidth = 256;
    static constexpr int kChunkRows = 16;

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
    // before the destination is touched; a refused progress report stops the filter (rows of
    // the chunk in work may then be written beyond the refused one).
    int run(int pass, int passCount);

    // Band callbacks: the column sums of row 0 for one strip; one step of the pipeline.
    int setUpStrip(int strip, int count, int threadIndex);
    int pipelineItem(int item, int count, int threadIndex);

private:
    // Rows (or columns) −n … n lie in the window, the outer two with weight f.
    struct Window {
        int n = 1;
        double f = 0;
        double inner = 1;      // 1 − f
        std::int64_t outerCounts = 0;   // 1 when the outer two count at all
    };

    static Window window(double r)
    {
        Window w;
        w.n = static_cast<int>(std::floor(r));
        w.f = r - w.n;
        w.inner = 1 - w.f;
        w.outerCounts = w.f > 0 ? 1 : 0;
        return w;
    }

    // Fetched samples (a, r, g, b) of the last rows a strip needed, and whether each is zero.
    struct StripCache {
        static constexpr int kSlots = 4;
        double* samples;             // kSlots × kStripWidth × 4
        std::uint8_t* nonzero;       // kSlots × kStripWidth
        int* rows;                   // kSlots
    };

    struct FetchedRow {
        const double* samples;
        const std::uint8_t* nonzero;
    };

    int stripCount() const { return (width_ + kStripWidth - 1) / kStripWidth; }
    int stripBegin(int strip) const { return strip * kStripWidth; }
    int stripEnd(int strip) const { return std::min(width_, (strip + 1) * kStripWidth); }
    int chunkCount() const { return (height_ + kChunkRows - 1) / kChunkRows; }
    int rowAt(int position) const
    {
        resolveEdgeIndex(modeY_, height_, position);
        return position;
    }

    Channels fetch(const Pixel& p) const;
    void fetchStrip(int row, int strip, double* samples, std::uint8_t* nonzero) const;
    FetchedRow cachedRow(int strip, int row, const int (&keep)[StripCache::kSlots]) const;
    void slideStrip(int strip, int y, const double* sums, const std::int64_t* counts,
                    double* nextSums, std::int64_t* nextCounts) const;
    // What the output step reads, held in locals by the row loop.
    struct OutputStep {
        double k;
        bool straight;
        const Channel* encodedCodes;
        LinearLightCurve<MAX> encode;
    };
    [[gnu::always_inline]] static void storeMean(Pixel& out, const double sum[4], const OutputStep& step);
    bool windowHoldsNonzero(int x, const std::int64_t* counts, const std::int64_t* prefix) const;
    template <int Rows>
    void outputRows(const int* rows, const double* const* sums, const std::int64_t* const* counts,
                    std::int64_t* prefixes) const;

    double* chunkSums(int chunk, int k) const
    {
        return sums_ + (static_cast<std::size_t>(chunk % 2) * kChunkRows + k) * width_ * 4;
    }
    std::int64_t* chunkCounts(int chunk, int k) const
    {
        return counts_ + (static_cast<std::size_t>(chunk % 2) * kChunkRows + k) * width_;
    }
    StripCache cacheOf(int strip) const
    {
        const std::size_t slots = StripCache::kSlots;
        return {cacheSamples_ + strip * slots * kStripWidth * 4, cacheNonzero_ + strip * slots * kStripWidth,
                cacheRows_ + strip * slots};
    }

    int width_ = 0;
    int height_ = 0;
    int modeX_ = EdgeClamp;
    int modeY_ = EdgeClamp;
    Window wx_;
    Window wy_;
    double k_ = 1;
    LinearLightCurve<MAX> decode_;
    LinearLightCurve<MAX> encode_;
    const double* decodedValues_ = nullptr;   // integer depths: the decoded value of each code
    const double* premultipliedValues_ = nullptr;   // 8-bit: those premultiplied, per alpha
    const Channel* encodedCodes_ = nullptr;   // integer table form: each encode entry as stored
    const double* rowCounts_ = nullptr;       // how often row j stands among rows 1 − n … n − 1
    const double* columnCounts_ = nullptr;    // the same for the columns
    const int* windowColumnIndices_ = nullptr;   // the columns whose count is above 0
    int windowColumns_ = 0;
    const int* columns_[4] = {};              // per x: columns x + n + 1, x + n, x − n + 1, x − n
    double* sums_ = nullptr;                  // two chunks of column sums per row
    std::int64_t* counts_ = nullptr;          // and of nonzero samples in them
    std::int64_t* rowPrefixes_ = nullptr;     // per pair of rows written: prefix sums of counts
    double* cacheSamples_ = nullptr;
    std::uint8_t* cacheNonzero_ = nullptr;
    int* cacheRows_ = nullptr;
    int step_ = 0;                            // pipeline step in work
};

// Decoded as stored, then premultiplied when the source is straight.
template <class Array, int precise>
Channels QuadsoftFilter<Array, precise>::fetch(const Pixel& p) const
{
    Channels c = readChannels(p);
    if constexpr (MAX == 255) {
        if (!source.premultiplied) {
            // decoded × (alpha × 1/MAX) for every alpha and code, as premultiply computes it.
            const double* row = premultipliedValues_ + 256 * p.alpha();
            c.r = row[p.red()];
            c.g = row[p.green()];
            c.b = row[p.blue()];
            return c;
        }
    }
    if constexpr (Pixel::isInteger) {
        c.r = decodedValues_[p.red()];
        c.g = decodedValues_[p.green()];
        c.b = decodedValues_[p.blue()];
    } else {
        c.r = decode_(c.r);
        c.g = decode_(c.g);
        c.b = decode_(c.b);
    }
    if (!source.premultiplied)
        premultiply<MAX>(c);
    return c;
}

// Whether any of four channels is nonzero (−0 counts as zero), from their bit patterns.
inline bool channelsNonzero(const double* channels)
{
    std::uint64_t bits[4];
    std::memcpy(bits, channels, sizeof bits);
    return ((bits[0] | bits[1] | bits[2] | bits[3]) << 1) != 0;
}

template <class Array, int precise>
void QuadsoftFilter<Array, precise>::fetchStrip(int row, int strip, double* samples,
                                                std::uint8_t* nonzero) const
{
    const Pixel* pixels = source.row(row);
    const int begin = stripBegin(strip);
    const int end = stripEnd(strip);
    for (int x = begin; x < end; ++x) {
        const Channels c = fetch(pixels[x]);
        double* s = samples + 4 * (x - begin);
        s[0] = c.a;
        s[1] = c.r;
        s[2] = c.g;
        s[3] = c.b;
        nonzero[x - begin] = channelsNonzero(s);
    }
}

template <class Array, int precise>
typename QuadsoftFilter<Array, precise>::FetchedRow
QuadsoftFilter<Array, precise>::cachedRow(int strip, int row, const int (&keep)[StripCache::kSlots]) const
{
    const StripCache cache = cacheOf(strip);
    for (int s = 0; s < StripCache::kSlots; ++s)
        if (cache.rows[s] == row)
            return {cache.samples + s * kStripWidth * 4, cache.nonzero + s * kStripWidth};
    // Four rows are kept at most and the one asked for is among them, so a slot is free.
    int s = 0;
    while (cache.rows[s] >= 0 && std::find(std::begin(keep), std::end(keep), cache.rows[s]) != std::end(keep))
        ++s;
    fetchStrip(row, strip, cache.samples + s * kStripWidth * 4, cache.nonzero + s * kStripWidth);
    cache.rows[s] = row;
    return {cache.samples + s * kStripWidth * 4, cache.nonzero + s * kStripWidth};
}

// The column sums (and nonzero counts) of row y + 1 from those of row y.
template <class Array, int precise>
void QuadsoftFilter<Array, precise>::slideStrip(int strip, int y, const double* sums,
                                                const std::int64_t* counts, double* nextSums,
                                                std::int64_t* nextCounts) const
{
    const int n = wy_.n;
    const int rows[StripCache::kSlots] = {rowAt(y - n), rowAt(y - n + 1), rowAt(y + n), rowAt(y + n + 1)};
    const FetchedRow S0 = cachedRow(strip, rows[0], rows);
    const FetchedRow S1 = cachedRow(strip, rows[1], rows);
    const FetchedRow S2 = cachedRow(strip, rows[2], rows);
    const FetchedRow S3 = cachedRow(strip, rows[3], rows);
    const double fy = wy_.f;
    const double gy = wy_.inner;
    const int begin = stripBegin(strip);
    const int count = stripEnd(strip) - begin;
    const double* C = sums + 4 * begin;
    double* next = nextSums + 4 * begin;
    for (int i = 0; i < 4 * count; i += 4) {
        const ChannelLanes v = ChannelLanes::load(C + i) - fy * ChannelLanes::load(S0.samples + i) -
                               gy * ChannelLanes::load(S1.samples + i) + gy * ChannelLanes::load(S2.samples + i) +
                               fy * ChannelLanes::load(S3.samples + i);
        v.store(next + i);
    }
    const std::int64_t outer = wy_.outerCounts;
    const std::int64_t inner = 1 - outer;
    for (int i = 0; i < count; ++i)
        nextCounts[begin + i] = counts[begin + i] - outer * S0.nonzero[i] - inner * S1.nonzero[i] +
                                inner * S2.nonzero[i] + outer * S3.nonzero[i];
}

// The inverse of the fetch: back to straight colour first (when the destination is straight),
// then encoded, so that a window of one pixel gives that pixel back.
template <class Array, int precise>
inline void QuadsoftFilter<Array, precise>::storeMean(Pixel& out, const double sum[4], const OutputStep& step)
{
    const double k = step.k;
    Channels c{sum[0] * k, sum[1] * k, sum[2] * k, sum[3] * k};
    if (step.straight)
        unpremultiply<MAX>(c);
    constexpr double max = MAX;
    out.alpha() = toChannel<Channel>(std::clamp(c.a, 0.0, max));
    if constexpr (Pixel::isInteger && !precise) {
        // The encode entries already limited to [0, MAX] and truncated.
        out.red() = step.encodedCodes[linearTableIndex<MAX>(c.r)];
        out.green() = step.encodedCodes[linearTableIndex<MAX>(c.g)];
        out.blue() = step.encodedCodes[linearTableIndex<MAX>(c.b)];
    } else if constexpr (Pixel::isInteger) {
        out.red() = toChannel<Channel>(std::clamp(step.encode(c.r), 0.0, max));
        out.green() = toChannel<Channel>(std::clamp(step.encode(c.g), 0.0, max));
        out.blue() = toChannel<Channel>(std::clamp(step.encode(c.b), 0.0, max));
    } else {
        out.red() = toChannel<Channel>(std::max(step.encode(c.r), 0.0));
        out.green() = toChannel<Channel>(std::max(step.encode(c.g), 0.0));
        out.blue() = toChannel<Channel>(std::max(step.encode(c.b), 0.0));
    }
}

// Whether the window of row sums around x holds any nonzero sample: the columns' counts summed
// over the window's runs of columns, from the row's prefix sums of those counts.
template <class Array, int precise>
bool QuadsoftFilter<Array, precise>::windowHoldsNonzero(int x, const std::int64_t* counts,
                                                        const std::int64_t* prefix) const
{
    for (const EdgeRun& run : edgeRuns(modeX_, width_, x - wx_.n + 1, x + wx_.n - 1, WrapRule::Resolve))
        if (prefix[run.first + run.length] - prefix[run.first] > 0)
            return true;
    if (wx_.outerCounts == 0)
        return false;
    int low = x - wx_.n;
    int high = x + wx_.n;
    resolveEdgeIndex(modeX_, width_, low);
    resolveEdgeIndex(modeX_, width_, high);
    return counts[low] > 0 || counts[high] > 0;
}

// Rows side by side, so that their row sums slide as independent chains. A window holding no
// nonzero sample is stored as 0: its sums would be 0 but for the rounding the sliding leaves.
// Only a mean alpha of rounding size asks, since any nonzero sample in the window otherwise
// shows in it.
template <class Array, int precise>
template <int Rows>
void QuadsoftFilter<Array, precise>::outputRows(const int* rows, const double* const* sums,
                                                const std::int64_t* const* counts, std::int64_t* prefixes) const
{
    const double fx = wx_.f;
    const double gx = wx_.inner;
    int low = -wx_.n;
    int high = wx_.n;
    resolveEdgeIndex(modeX_, width_, low);
    resolveEdgeIndex(modeX_, width_, high);
    double sum[Rows][4] = {};
    std::int64_t* prefix[Rows];
    Pixel* out[Rows];
    for (int r = 0; r < Rows; ++r) {
        const double* C = sums[r];
        for (int i = 0; i < windowColumns_; ++i) {
            const int j = windowColumnIndices_[i];
            for (int c = 0; c < 4; ++c)
                sum[r][c] += columnCounts_[j] * C[4 * j + c];
        }
        for (int c = 0; c < 4; ++c)
            sum[r][c] = sum[r][c] + fx * (C[4 * low + c] + C[4 * high + c]);
        prefix[r] = prefixes + r * (static_cast<std::size_t>(width_) + 1);
        prefix[r][0] = 0;
        for (int j = 0; j < width_; ++j)
            prefix[r][j + 1] = prefix[r][j] + counts[r][j];
        out[r] = destination.row(rows[r]);
    }
    const double rounding = 1e-9 * MAX / k_;
    const OutputStep step{k_, !destination.premultiplied, encodedCodes_, encode_};
    const int* const enters = columns_[0];
    const int* const grows = columns_[1];
    const int* const shrinks = columns_[2];
    const int* const leaves = columns_[3];
    const int width = width_;
    ChannelLanes lanes[Rows];
    for (int r = 0; r < Rows; ++r)
        lanes[r] = ChannelLanes::load(sum[r]);
    for (int x = 0; x < width; ++x) {
        const int enter = 4 * enters[x], grow = 4 * grows[x], shrink = 4 * shrinks[x], leave = 4 * leaves[x];
        for (int r = 0; r < Rows; ++r) {
            double mean[4];
            lanes[r].store(mean);
            if (std::fabs(mean[0]) >= rounding || windowHoldsNonzero(x, counts[r], prefix[r]))
                storeMean(out[r][x], mean, step);
            else
                out[r][x].alpha() = out[r][x].red() = out[r][x].green() = out[r][x].blue() = 0;
            const double* C = sums[r];
            lanes[r] = lanes[r] + fx * ChannelLanes::load(C + enter) + gx * ChannelLanes::load(C + grow) -
                       gx * ChannelLanes::load(C + shrink) - fx * ChannelLanes::load(C + leave);
        }
    }
}

// Column sums of row 0: rows 1 − n … n − 1 at weight 1 (each as often as it stands there), then
// rows −n and n at weight f.
template <class Array, int precise>
int QuadsoftFilter<Array, precise>::setUpStrip(int strip, int, int)
{
    const StripCache cache = cacheOf(strip);
    const int begin = stripBegin(strip);
    const int count = stripEnd(strip) - begin;
    double* C = chunkSums(0, 0) + 4 * begin;
    std::int64_t* N = chunkCounts(0, 0) + begin;
    std::fill(C, C + 4 * count, 0.0);
    std::fill(N, N + count, 0);
    for (int row = 0; row < height_; ++row) {
        const double times = rowCounts_[row];
        if (times > 0) {
            fetchStrip(row, strip, cache.samples, cache.nonzero);
            for (int i = 0; i < 4 * count; ++i)
                C[i] += times * cache.samples[i];
            for (int i = 0; i < count; ++i)
                N[i] += static_cast<std::int64_t>(times) * cache.nonzero[i];
        }
    }
    const double fy = wy_.f;
    for (int outerRow : {rowAt(-wy_.n), rowAt(wy_.n)}) {
        fetchStrip(outerRow, strip, cache.samples, cache.nonzero);
        for (int i = 0; i < 4 * count; ++i)
            C[i] = C[i] + fy * cache.samples[i];
        for (int i = 0; i < count; ++i)
            N[i] += wy_.outerCounts * cache.nonzero[i];
    }
    return host->noError();
}

// Step s slides the column sums of chunk s (one item per strip) and writes the rows of chunk
// s − 1 (one item per pair of rows); each reads only what the step before finished.
template <class Array, int precise>
int QuadsoftFilter<Array, precise>::pipelineItem(int item, int, int)
{
    const int chunk = step_;
    const int strips = chunk < chunkCount() ? stripCount() : 0;
    if (item < strips) {
        const int first = chunk * kChunkRows;
        const int last = std::min(height_, first + kChunkRows);
        for (int y = std::max(first, 1); y < last; ++y) {
            const int previousChunk = (y - 1) / kChunkRows;
            slideStrip(item, y - 1, chunkSums(previousChunk, (y - 1) % kChunkRows),
                       chunkCounts(previousChunk, (y - 1) % kChunkRows),
                       chunkSums(chunk, y % kChunkRows), chunkCounts(chunk, y % kChunkRows));
        }
        return host->noError();
    }
    const int written = chunk - 1;
    const int first = written * kChunkRows + 2 * (item - strips);
    const int rows[2] = {first, first + 1};
    const double* sums[2] = {chunkSums(written, first % kChunkRows), chunkSums(written, (first + 1) % kChunkRows)};
    const std::int64_t* counts[2] = {chunkCounts(written, first % kChunkRows),
                                     chunkCounts(written, (first + 1) % kChunkRows)};
    std::int64_t* prefixes = rowPrefixes_ + (first % kChunkRows) * (static_cast<std::size_t>(width_) + 1);
    if (first + 1 < std::min(height_, (written + 1) * kChunkRows))
        outputRows<2>(rows, sums, counts, prefixes);
    else
        outputRows<1>(rows, sums, counts, prefixes);
    return host->noError();
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
    wx_ = window(Rx);
    wy_ = window(Ry);
    k_ = 1 / (2 * Rx - 1) * (1 / (2 * Ry - 1));

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
    constexpr std::size_t codes = Pixel::isInteger ? std::size_t(1) << (8 * sizeof(Channel)) : 1;
    const std::size_t strips = static_cast<std::size_t>(stripCount());
    const std::size_t cacheCells = strips * StripCache::kSlots * kStripWidth;
    HostBuffer<double> columnSums(host, 2 * kChunkRows * static_cast<std::size_t>(w) * 4);
    HostBuffer<std::int64_t> nonzeroCounts(host, 2 * kChunkRows * static_cast<std::size_t>(w));
    HostBuffer<double> cacheSamples(host, cacheCells * 4);
    HostBuffer<std::uint8_t> cacheNonzero(host, cacheCells);
    HostBuffer<int> cacheRows(host, strips * StripCache::kSlots);
    HostBuffer<double> windowCounts(host, static_cast<std::size_t>(w) + h);
    HostBuffer<int> columnIndices(host, static_cast<std::size_t>(w) * 4);
    HostBuffer<int> windowColumnList(host, static_cast<std::size_t>(w));
    HostBuffer<double> decoded(host, codes);
    HostBuffer<double> premultipliedCodes(host, MAX == 255 ? codes * codes : 1);
    HostBuffer<Channel> encoded(host, Pixel::isInteger && !precise ? kLinearTableSize : 1);
    HostBuffer<std::int64_t> rowPrefixes(host, kChunkRows * (static_cast<std::size_t>(w) + 1));
    if (!columnSums || !nonzeroCounts || !cacheSamples || !cacheNonzero || !cacheRows || !windowCounts ||
        !columnIndices || !windowColumnList || !decoded || !premultipliedCodes || !encoded || !rowPrefixes)
        return host->outOfMemoryError();
    rowPrefixes_ = rowPrefixes.get();
    sums_ = columnSums.get();
    counts_ = nonzeroCounts.get();
    cacheSamples_ = cacheSamples.get();
    cacheNonzero_ = cacheNonzero.get();
    cacheRows_ = cacheRows.get();
    std::fill(cacheRows_, cacheRows_ + strips * StripCache::kSlots, -1);
    if constexpr (Pixel::isInteger) {
        for (std::size_t code = 0; code < codes; ++code)
            decoded[code] = decode_(static_cast<double>(code));
        decodedValues_ = decoded.get();
        if constexpr (MAX == 255) {
            for (std::size_t alpha = 0; alpha < codes; ++alpha) {
                for (std::size_t code = 0; code < codes; ++code) {
                    Channels c{static_cast<double>(alpha), decoded[code], 0, 0};
                    premultiply<MAX>(c);
                    premultipliedCodes[alpha * codes + code] = c.r;
                }
            }
            premultipliedValues_ = premultipliedCodes.get();
        }
        if constexpr (!precise) {
            for (int i = 0; i < kLinearTableSize; ++i)
                encoded[i] = toChannel<Channel>(std::clamp(static_cast<double>(encode_.table[i]), 0.0, double(MAX)));
            encodedCodes_ = encoded.get();
        }
    }

    double* rowCounts = windowCounts.get();
    double* columnCounts = windowCounts.get() + h;
    std::fill(rowCounts, rowCounts + w + h, 0.0);
    for (const EdgeRun& run : edgeRuns(modeY_, h, 1 - wy_.n, wy_.n - 1, WrapRule::Resolve))
        for (int i = 0; i < run.length; ++i)
            rowCounts[run.first + i] += static_cast<double>(run.count);
    for (const EdgeRun& run : edgeRuns(modeX_, w, 1 - wx_.n, wx_.n - 1, WrapRule::Resolve))
        for (int i = 0; i < run.length; ++i)
            columnCounts[run.first + i] += static_cast<double>(run.count);
    rowCounts_ = rowCounts;
    columnCounts_ = columnCounts;
    windowColumns_ = 0;
    for (int x = 0; x < w; ++x)
        if (columnCounts[x] > 0)
            windowColumnList[windowColumns_++] = x;
    windowColumnIndices_ = windowColumnList.get();
    const int offsets[4] = {wx_.n + 1, wx_.n, 1 - wx_.n, -wx_.n};
    for (int i = 0; i < 4; ++i) {
        int* column = columnIndices.get() + static_cast<std::size_t>(i) * w;
        for (int x = 0; x < w; ++x) {
            column[x] = x + offsets[i];
            resolveEdgeIndex(modeX_, w, column[x]);
        }
        columns_[i] = column;
    }

    result = host->iterate(stripCount(), this, iterationCallback(&QuadsoftFilter::setUpStrip));
    if (result != host->noError())
        return result;
    // One report per set-up row; a set-up taller than the image reports only the rows within
    // one image height of row 0, so the reports stay few and inside this pass's share.
    const int total = 2 * h * passCount;
    for (int y = std::max(1 - wy_.n, 1 - h); y <= std::min(wy_.n - 1, h - 1); ++y) {
        result = host->progress(2 * h * pass + y, total, 0);
        if (result != host->noError())
            return result;
    }
    for (step_ = 0; step_ <= chunkCount(); ++step_) {
        const int strips = step_ < chunkCount() ? stripCount() : 0;
        const int written = step_ - 1;
        const int rowsWritten = written < 0 ? 0 : std::min(h, step_ * kChunkRows) - written * kChunkRows;
        result = host->iterate(strips + (rowsWritten + 1) / 2, this,
                               iterationCallback(&QuadsoftFilter::pipelineItem));
        if (result != host->noError())
            return result;
        for (int i = 0; i < rowsWritten; ++i) {
            const int y = written * kChunkRows + i;
            result = host->progress((2 * pass + 1) * h + y, total, 0);
            if (result != host->noError())
                return result;
        }
    }
    return result;
}

} // namespace quorvane
