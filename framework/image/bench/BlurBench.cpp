// The three box-filter blurs on a 3840 × 2160 frame at every depth and radii 5, 50 and 200,
// beside the copy floor: a memcpy of the same bytes, so that each blur reads as a multiple.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "host/QuorvaneHost.h"
#include "image/AbberationBlurFilter.h"
#include "image/MaskedQuadsoftFilter.h"
#include "image/QuadsoftFilter.h"

namespace quorvane {
namespace {

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;

class BenchHost : public QuorvaneHost {
public:
    BenchHost() : QuorvaneHost("Blur benchmark", "Quorvane", "", 1, 0, 0) {}
};

// A frame that owns its pixels: a smooth picture with noise, mostly opaque.
template <class Array>
struct Frame {
    using Pixel = typename Array::pixel_type;
    std::vector<Pixel> pixels;
    Array array;

    explicit Frame(bool fill)
        : pixels(static_cast<std::size_t>(kWidth) * kHeight)
    {
        array.width = kWidth;
        array.height = kHeight;
        array.pixelBytes = sizeof(Pixel);
        array.rowBytes = kWidth * static_cast<int>(sizeof(Pixel));
        array.data = reinterpret_cast<std::uint8_t*>(pixels.data());
        array.valid = true;
        if (!fill)
            return;
        std::mt19937 random(1);
        std::uniform_real_distribution<double> noise(0, 0.1);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                Pixel& p = pixels[static_cast<std::size_t>(y) * kWidth + x];
                const double u = static_cast<double>(x) / kWidth, v = static_cast<double>(y) / kHeight;
                auto level = [](double t) {
                    return static_cast<typename Array::channel_type>(t * Array::MAX);
                };
                p.alpha() = level(x % 97 == 0 ? 0.5 : 1.0);
                p.red() = level(0.9 * u + noise(random));
                p.green() = level(0.9 * v + noise(random));
                p.blue() = level(0.45 * (u + v) + noise(random));
            }
        }
    }
    std::size_t bytes() const { return pixels.size() * sizeof(Pixel); }
};

template <class Array>
void copyFloor(benchmark::State& state)
{
    Frame<Array> source(true), destination(false);
    for (auto _ : state) {
        std::memcpy(destination.pixels.data(), source.pixels.data(), source.bytes());
        benchmark::DoNotOptimize(destination.pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.bytes()));
}

template <class Array>
void quadsoft(benchmark::State& state)
{
    BenchHost host;
    Frame<Array> source(true), destination(false);
    for (auto _ : state) {
        QuadsoftFilter<Array, Array::pixel_type::isInteger ? 0 : 1> filter(&host);
        filter.source = source.array;
        filter.destination = destination.array;
        filter.radiusX = filter.radiusY = static_cast<double>(state.range(0));
        filter.gamma = true;
        if (filter.run(0, 1) != 0)
            state.SkipWithError("blur failed");
    }
}

template <class Array>
void masked(benchmark::State& state)
{
    BenchHost host;
    Frame<Array> source(true), destination(false), map(true);
    for (auto _ : state) {
        MaskedQuadsoftFilter<Array> filter(&host);
        filter.source = source.array;
        filter.destination = destination.array;
        filter.map = map.array;
        filter.radiusX = filter.radiusY = static_cast<double>(state.range(0));
        filter.mapChannel = MapRed;   // a ramp: radii from 0 at the left to the full radius
        filter.gamma = true;
        if (filter.run(0, 1) != 0)
            state.SkipWithError("blur failed");
    }
}

template <class Array>
void aberration(benchmark::State& state)
{
    BenchHost host;
    Frame<Array> source(true), destination(false);
    for (auto _ : state) {
        AbberationBlurFilter<Array> filter(&host);
        filter.source = source.array;
        filter.destination = destination.array;
        filter.radiusX = filter.radiusY = static_cast<double>(state.range(0));
        filter.gamma = true;
        if (filter.run(0, 1) != 0)
            state.SkipWithError("blur failed");
    }
}

#define QUORVANE_BLUR_BENCH(filter, array) \
    BENCHMARK(filter<array>)->Name(#filter "/" #array)->Arg(5)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()

BENCHMARK(copyFloor<Image8>)->Name("copyFloor/Image8")->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(copyFloor<Image16>)->Name("copyFloor/Image16")->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(copyFloor<ImageFloat>)->Name("copyFloor/ImageFloat")->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
QUORVANE_BLUR_BENCH(quadsoft, Image8);
QUORVANE_BLUR_BENCH(quadsoft, Image16);
QUORVANE_BLUR_BENCH(quadsoft, ImageFloat);
QUORVANE_BLUR_BENCH(masked, Image8);
QUORVANE_BLUR_BENCH(masked, Image16);
QUORVANE_BLUR_BENCH(masked, ImageFloat);
QUORVANE_BLUR_BENCH(aberration, Image8);
QUORVANE_BLUR_BENCH(aberration, Image16);
QUORVANE_BLUR_BENCH(aberration, ImageFloat);

} // namespace
} // namespace quorvane
