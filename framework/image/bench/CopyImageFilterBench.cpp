// CopyImageFilter on a UHD frame at each depth, next to a plain memcpy of the same bytes: the
// floor against which other filters can be read.

#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include "host/QuorvaneHost.h"
#include "image/CopyImageFilter.h"

namespace quorvane {
namespace {

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;

template <class Pixel>
PixelArray<Pixel> frame(std::vector<Pixel>& pixels)
{
    ImageInfo info;
    info.data = pixels.data();
    info.width = kWidth;
    info.height = kHeight;
    info.rowBytes = kWidth * static_cast<int>(sizeof(Pixel));
    info.valid = true;
    return PixelArray<Pixel>(info);
}

template <class Pixel>
std::vector<Pixel> opaqueGrey()
{
    Pixel grey{};
    grey.alpha() = static_cast<typename Pixel::channel_type>(Pixel::MAX);
    grey.red() = grey.green() = grey.blue() =
        static_cast<typename Pixel::channel_type>(Pixel::MAX / 2.0);
    return std::vector<Pixel>(static_cast<std::size_t>(kWidth) * kHeight, grey);
}

template <class Pixel>
void BM_CopyImageFilter(benchmark::State& state)
{
    std::vector<Pixel> source = opaqueGrey<Pixel>();
    std::vector<Pixel> destination(source.size());
    QuorvaneHost host("QV Bench", "Quorvane", "", 1, 2, 7);
    for (auto _ : state) {
        CopyImageFilter<PixelArray<Pixel>, PixelArray<Pixel>> filter(&host);
        filter.source = frame(source);
        filter.destination = frame(destination);
        benchmark::DoNotOptimize(filter.run(0, 1));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * source.size() * sizeof(Pixel));
}

template <class Pixel>
void BM_Memcpy(benchmark::State& state)
{
    std::vector<Pixel> source = opaqueGrey<Pixel>();
    std::vector<Pixel> destination(source.size());
    for (auto _ : state) {
        std::memcpy(destination.data(), source.data(), source.size() * sizeof(Pixel));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * source.size() * sizeof(Pixel));
}

BENCHMARK_TEMPLATE(BM_CopyImageFilter, Pixel8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_TEMPLATE(BM_Memcpy, Pixel8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_TEMPLATE(BM_CopyImageFilter, Pixel16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_TEMPLATE(BM_Memcpy, Pixel16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_TEMPLATE(BM_CopyImageFilter, PixelFloat)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_TEMPLATE(BM_Memcpy, PixelFloat)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace quorvane
