#pragma once
// Mean filter along rows and then along columns whose red, green and blue channels average
// different fifths of the window, so that colours separate into fringes. The window's length
// can vary per pixel with a map channel. First and second running sums per line make the cost
// per pixel independent of the window. Rows, then columns, each computed alone, run in fixed
// steps on the host's threads.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "image/BlurSettings.h"
#include "image/BlurSteps.h"
#include "image/ChannelConversion.h"
#include "image/EdgeMode.h"
#include "image/EdgeRuns.h"
#include "image/HostBuffer.h"
#include "image/LinearLight.h"
#include "image/MapChannel.h"
#include "image/PixelArray.h"
#include "image/Premultiply.h"
#include "image/QuorvaneFilter.h"
#include "image/RunningSums.h"

namespace quorvane {

// The window [x − L, x + L] of one pixel cut into fifths at p0 … p5.
struct AberrationCuts {
    double p[6];

    AberrationCuts(double x, double L)
    {
        p[0] = x - L;
        p[1] = p[0] + 0.4 * L;
        p[2] = p[0] + 0.8 * L;
        p[3] = p[0] + 1.2 * L;
        p[4] = p[0] + 1.6 * L;
        p[5] = x + L;
    }
};

// Red, green and blue each from its own part of the window, alpha from the whole; `inverted`
// mirrors the parts. Channels come back as a, r, g, b.
template <class Reader>
[[gnu::always_inline]] inline Channels aberrationMeans(const Reader& sums, const AberrationCuts& cuts, bool inverted)
{
    const double* p = cuts.p;
    Channels c;
    if (!inverted) {
        c.r = 0.5 * (boxMean(sums, p[0], p[1], 1) + 0.5 * downMean(sums, p[1], p[2], 1) +
                     0.5 * upMean(sums, p[4], p[5], 1));
        c.g = (0.5 * upMean(sums, p[0], p[1], 2) + boxMean(sums, p[1], p[2], 2) +
               boxMean(sums, p[2], p[3], 2) + 0.5 * downMean(sums, p[3], p[4], 2)) /
              3;
        c.b = 0.4 * (0.5 * upMean(sums, p[2], p[3], 3) + boxMean(sums, p[3], p[4], 3) +
                     boxMean(sums, p[4], p[5], 3));
    } else {
        c.r = 0.5 * (boxMean(sums, p[4], p[5], 1) + 0.5 * upMean(sums, p[3], p[4], 1) +
                     0.5 * downMean(sums, p[0], p[1], 1));
        c.g = (0.5 * downMean(sums, p[4], p[5], 2) + boxMean(sums, p[3], p[4], 2) +
               boxMean(sums, p[2], p[3], 2) + 0.5 * upMean(sums, p[1], p[2], 2)) /
              3;
        c.b = 0.4 * (0.5 * downMean(sums, p[2], p[3], 3) + boxMean(sums, p[1], p[2], 3) +
                     boxMean(sums, p[0], p[1], 3));
    }
    c.a = boxMean(sums, p[0], p[5], 0);
    return c;
}

// The means read no sample beyond these positions (the interval adjustments and the partial
// steps of Down and Up reach two beyond the window).
inline std::int64_t aberrationReachFirst(const AberrationCuts& cuts)
{
    return static_cast<std::int64_t>(std::floor(cuts.p[0])) - 3;
}
inline std::int64_t aberrationReachLast(const AberrationCuts& cuts)
{
    return static_cast<std::int64_t>(std::floor(cuts.p[5])) + 4;
}

// Where every sample the means can reach is zero they are 0, without the rounding that
// interpolating the running sums leaves.
inline Channels aberrationMeans(const RunningSums& sums, const AberrationCuts& cuts, bool inverted)
{
    const std::int64_t first = aberrationReachFirst(cuts);
    const std::int64_t last = aberrationReachLast(cuts);
    if (!sums.anyNonzero(first, last))
        return Channels{};
    if (sums.stores(first, last))
        return aberrationMeans(RunningSums::Stored(sums), cuts, inverted);
    return aberrationMeans<RunningSums>(sums, cuts, inverted);
}

template <class Array>
class AbberationBlurFilter : public QuorvaneFilter {
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
    bool invertX = false;
    bool invertY = false;

    // Blurs the area source and destination share. Out of memory returns outOfMemoryError()
    // before the destination is touched; a refused progress report stops the filter (lines of
    // the step in work may then be written beyond the refused one).
    int run(int pass, int passCount);

    // Band callbacks: row (column) stepFirst + index, with the line buffers of set index.
    int horizontalItem(int index, int count, int threadIndex);
    int verticalItem(int index, int count, int threadIndex);
    static constexpr int kStepLines = 8;

private:
    // Stored positions 1 − extent … length + extent − 1 of a line of `length` samples: the
    // margin, but never more than a line's ends need before the repetition of the edge mode
    // gives every further position.
    static std::int64_t lineExtent(int margin, int length)
    {
        return std::min<std::int64_t>(margin, 4 * static_cast<std::int64_t>(length) + 4);
    }

    // The window half-length at (x, y): the radius, shortened by the map where it has a pixel.
    double windowLength(int x, int y, double radius) const
    {
        const int mx = x - map.originX + source.originX;
        const int my = y - map.originY + source.originY;
        if (!mapCovers(map, mx, my))
            return radius;
        return std::fabs(mapChannelValue(map.at(mx, my), mapChannel) - focus) * radius;
    }

    void horizontalRow(int y, RunningSums& sums, float* buffer) const;
    void verticalColumn(int x, RunningSums& sums, const float* buffer) const;
    RunningSums lineSet(int set) const
    {
        const std::size_t doubles = lineLength_ * 4 * set;
        return RunningSums(lineSums_[0] + doubles, lineSums_[1] + doubles, lineSums_[2] + doubles,
                           lineSums_[3] + doubles, lineNonzero_ + lineLength_ * set);
    }

    int width_ = 0;
    int height_ = 0;
    int modeX_ = EdgeClamp;
    int modeY_ = EdgeClamp;
    double rx_ = 0;
    double ry_ = 0;
    int margin_ = 3;
    int stepFirst_ = 0;
    float* buffer_ = nullptr;
    double* lineSums_[4] = {};              // kStepLines sets of each running sum
    std::int64_t* lineNonzero_ = nullptr;
    std::size_t lineLength_ = 0;
    LinearLightCurve<MAX> decode_;
    LinearLightCurve<MAX> encode_;
};

template <class Array>
void AbberationBlurFilter<Array>::horizontalRow(int y, RunningSums& sums, float* buffer) const
{
    const int w = width_;
    const std::int64_t extent = lineExtent(margin_, w);
    const std::int64_t lo = 1 - extent;
    const std::int64_t hi = w + extent - 1;
    const Pixel* pixels = source.row(y);
    double* samples = sums.samples();
    for (std::int64_t p = lo; p <= hi; ++p) {
        int x = static_cast<int>(p);
        resolveEdgeIndex(modeX_, w, x);
        Channels c = readChannels(pixels[x]);
        if (!source.premultiplied)
            premultiply<MAX>(c);
        double* s = samples + 4 * (p - lo);
        s[0] = c.a;
        s[1] = decode_(c.r);
        s[2] = decode_(c.g);
        s[3] = decode_(c.b);
    }
    sums.build(lo, hi, edgePeriod(modeX_, w));
    constexpr double max = MAX;
    float* out = buffer + static_cast<std::size_t>(y) * w * 4;
    for (int x = 0; x < w; ++x) {
        Channels c = aberrationMeans(sums, AberrationCuts(x, windowLength(x, y, rx_)), invertX);
        if constexpr (Pixel::isInteger) {
            c.r = std::clamp(c.r, 0.0, max);
            c.g = std::clamp(c.g, 0.0, max);
            c.b = std::clamp(c.b, 0.0, max);
        } else {
            c.r = std::max(c.r, 0.0);
            c.g = std::max(c.g, 0.0);
            c.b = std::max(c.b, 0.0);
        }
        out[4 * x + 0] = static_cast<float>(c.a);
        out[4 * x + 1] = static_cast<float>(c.r);
        out[4 * x + 2] = static_cast<float>(c.g);
        out[4 * x + 3] = static_cast<float>(c.b);
    }
}

template <class Array>
void AbberationBlurFilter<Array>::verticalColumn(int x, RunningSums& sums, const float* buffer) const
{
    const int w = width_;
    const int h = height_;
    const std::int64_t extent = lineExtent(margin_, h);
    const std::int64_t lo = 1 - extent;
    const std::int64_t hi = h + extent - 1;
    double* samples = sums.samples();
    for (std::int64_t p = lo; p <= hi; ++p) {
        int y = static_cast<int>(p);
        resolveEdgeIndex(modeY_, h, y);
        const float* cell = buffer + (static_cast<std::size_t>(y) * w + x) * 4;
        double* s = samples + 4 * (p - lo);
        for (int c = 0; c < 4; ++c)
            s[c] = cell[c];
    }
    sums.build(lo, hi, edgePeriod(modeY_, h));
    constexpr double max = MAX;
    for (int y = 0; y < h; ++y) {
        Channels c = aberrationMeans(sums, AberrationCuts(y, windowLength(x, y, ry_)), invertY);
        if constexpr (Pixel::isInteger) {
            c.r = encode_(std::clamp(c.r, 0.0, max));
            c.g = encode_(std::clamp(c.g, 0.0, max));
            c.b = encode_(std::clamp(c.b, 0.0, max));
        } else {
            c.r = encode_(std::max(c.r, 0.0));
            c.g = encode_(std::max(c.g, 0.0));
            c.b = encode_(std::max(c.b, 0.0));
        }
        const double brightest = std::max({c.r, c.g, c.b});
        if (brightest > c.a)
            c.a = std::min(brightest, max);
        if constexpr (Pixel::isInteger)
            c.a = std::clamp(c.a, 0.0, max);
        if (!destination.premultiplied)
            unpremultiply<MAX>(c);
        Pixel& out = destination.at(x, y);
        out.alpha() = toChannel<Channel>(c.a);
        out.red() = toChannel<Channel>(c.r);
        out.green() = toChannel<Channel>(c.g);
        out.blue() = toChannel<Channel>(c.b);
    }
}

template <class Array>
int AbberationBlurFilter<Array>::run(int pass, int passCount)
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
    focus = focus > 0 ? std::min(focus, 1.0) : 0.0;
    rx_ = pixelRadius(radiusX, pixelSizeX);
    ry_ = pixelRadius(radiusY, pixelSizeY);
    margin_ = truncateToInt(std::max(rx_, ry_) + 3);

    LinearLightTables<MAX> tables;
    if constexpr (Pixel::isInteger) {
        if (!tables.allocate(host, gamma))
            return host->outOfMemoryError();
        decode_ = tables.decoder();
        encode_ = tables.encoder();
    } else {
        decode_ = {nullptr, gamma, LinearCurve::Decode};
        encode_ = {nullptr, gamma, LinearCurve::Encode};
    }
    HostBuffer<float> buffer(host, static_cast<std::size_t>(w) * h * 4);
    if (!buffer)
        return host->outOfMemoryError();
    const std::int64_t line = std::max(w + 2 * lineExtent(margin_, w), h + 2 * lineExtent(margin_, h));
    lineLength_ = static_cast<std::size_t>(line);
    const std::size_t lineDoubles = lineLength_ * 4 * kStepLines;
    HostBuffer<double> forward(host, lineDoubles);
    HostBuffer<double> forwardSecond(host, lineDoubles);
    HostBuffer<double> backward(host, lineDoubles);
    HostBuffer<double> backwardSecond(host, lineDoubles);
    HostBuffer<std::int64_t> nonzero(host, lineLength_ * kStepLines);
    if (!forward || !forwardSecond || !backward || !backwardSecond || !nonzero)
        return host->outOfMemoryError();
    buffer_ = buffer.get();
    lineSums_[0] = forward.get();
    lineSums_[1] = forwardSecond.get();
    lineSums_[2] = backward.get();
    lineSums_[3] = backwardSecond.get();
    lineNonzero_ = nonzero.get();

    result = runLinesInSteps(host, this, &AbberationBlurFilter::horizontalItem, h, kStepLines, stepFirst_,
                             [&](int y) { return host->progress(h * pass + y, h * (passCount + 1), 0); });
    if (result != host->noError())
        return result;
    return runLinesInSteps(host, this, &AbberationBlurFilter::verticalItem, w, kStepLines, stepFirst_,
                           [&](int x) { return host->progress((pass + 1) * w + x, (passCount + 1) * w, 0); });
}

template <class Array>
int AbberationBlurFilter<Array>::horizontalItem(int index, int, int)
{
    RunningSums sums = lineSet(index);
    horizontalRow(stepFirst_ + index, sums, buffer_);
    return host->noError();
}

template <class Array>
int AbberationBlurFilter<Array>::verticalItem(int index, int, int)
{
    RunningSums sums = lineSet(index);
    verticalColumn(stepFirst_ + index, sums, buffer_);
    return host->noError();
}

} // namespace quorvane
