#pragma once
// Fixtures shared by the blur tests: a host that counts and fails on request, images that own
// padded rows, and the three depths for typed tests.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "host/QuorvaneHost.h"
#include "image/PixelArray.h"

namespace quorvane::test {

// Counts every allocation and progress report; the k-th allocation returns null and the k-th
// progress report is refused when asked for.
class CountingHost : public QuorvaneHost {
public:
    static constexpr int kRefused = 517;

    CountingHost() : QuorvaneHost("Blur test", "Quorvane", "", 1, 0, 0) {}

    void* allocate(int bytes) override
    {
        ++allocations;
        if (allocations == failAllocation)
            return nullptr;
        void* block = QuorvaneHost::allocate(bytes);
        if (block)
            ++live;
        return block;
    }
    void deallocate(void* block) override
    {
        --live;
        QuorvaneHost::deallocate(block);
    }
    int progress(int done, int total, int threadIndex) override
    {
        reports.push_back({done, total});
        threads.push_back(threadIndex);
        return static_cast<int>(reports.size()) == refuseProgress ? kRefused : noError();
    }

    int failAllocation = 0;
    int refuseProgress = 0;
    int allocations = 0;
    int live = 0;
    std::vector<std::pair<int, int>> reports;
    std::vector<int> threads;
};

// An image that owns its pixels; rows carry a few padding bytes holding a pattern that no
// filter may touch.
template <class Array>
class TestImage {
public:
    using Pixel = typename Array::pixel_type;
    using Channel = typename Array::channel_type;
    static constexpr int MAX = Array::MAX;
    static constexpr int kPadding = 12;
    static constexpr std::uint8_t kPattern = 0xA5;

    TestImage(int width, int height, bool premultiplied = false)
    {
        const int rowBytes = width * static_cast<int>(sizeof(Pixel)) + kPadding;
        storage_.assign(static_cast<std::size_t>(rowBytes) * std::max(height, 1), kPattern);
        array_.width = width;
        array_.height = height;
        array_.rowBytes = rowBytes;
        array_.pixelBytes = sizeof(Pixel);
        array_.data = storage_.data();
        array_.valid = true;
        array_.premultiplied = premultiplied;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                set(x, y, 0, 0, 0, 0);
    }

    const Array& array() const { return array_; }
    Array& array() { return array_; }
    int width() const { return array_.width; }
    int height() const { return array_.height; }

    void set(int x, int y, double a, double r, double g, double b)
    {
        Pixel& p = array_.at(x, y);
        p.alpha() = static_cast<Channel>(a);
        p.red() = static_cast<Channel>(r);
        p.green() = static_cast<Channel>(g);
        p.blue() = static_cast<Channel>(b);
    }
    void fill(double a, double r, double g, double b)
    {
        for (int y = 0; y < height(); ++y)
            for (int x = 0; x < width(); ++x)
                set(x, y, a, r, g, b);
    }
    const Pixel& at(int x, int y) const { return array_.at(x, y); }

    bool paddingIntact() const
    {
        const std::size_t used = static_cast<std::size_t>(array_.width) * sizeof(Pixel);
        for (int y = 0; y < array_.height; ++y) {
            const std::uint8_t* row = storage_.data() + static_cast<std::size_t>(y) * array_.rowBytes;
            for (std::size_t i = used; i < static_cast<std::size_t>(array_.rowBytes); ++i)
                if (row[i] != kPattern)
                    return false;
        }
        return true;
    }
    const std::vector<std::uint8_t>& bytes() const { return storage_; }

    // Random colours and alphas; a share of the pixels fully transparent, a share opaque, the
    // others at least a quarter opaque so that straight results stay well conditioned.
    void randomise(std::mt19937& random, bool withTransparent = true)
    {
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        auto level = [&](double low) {
            const double v = low + (1 - low) * unit(random);
            return Pixel::isInteger ? std::floor(v * MAX) : v * MAX;
        };
        for (int y = 0; y < height(); ++y) {
            for (int x = 0; x < width(); ++x) {
                const bool transparent = withTransparent && unit(random) < 0.15;
                const double a = transparent ? 0 : (unit(random) < 0.3 ? MAX : level(0.25));
                double r = level(0), g = level(0), b = level(0);
                if (array_.premultiplied) {
                    r = Pixel::isInteger ? std::floor(r * a / MAX) : r * a / MAX;
                    g = Pixel::isInteger ? std::floor(g * a / MAX) : g * a / MAX;
                    b = Pixel::isInteger ? std::floor(b * a / MAX) : b * a / MAX;
                }
                set(x, y, a, r, g, b);
            }
        }
    }

private:
    std::vector<std::uint8_t> storage_;
    Array array_;
};

// Channel c (0 alpha, 1 red, 2 green, 3 blue) of a pixel as a double.
template <class Pixel>
double channelOf(const Pixel& p, int c)
{
    return static_cast<double>(p.channels[c]);
}

using Depths = ::testing::Types<Image8, Image16, ImageFloat>;

// One unit of the last place for integer depths; floats state their own tolerance.
template <class Array>
constexpr double unitTolerance(double floatTolerance)
{
    return Array::pixel_type::isInteger ? 1.0 : floatTolerance;
}

} // namespace quorvane::test
