// Quadsoft rendering one 3840 × 2160 frame through the simulated host's smart render, at each
// depth, for each blur at radius 50: what a user waits for, host round trips included.

#include <benchmark/benchmark.h>

#include "host/ae/AeInterface.h"
#include "hostsim/HostSimulation.h"

extern "C" PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                 PF_ParamDef* params[], PF_LayerDef* output, void* extra);

namespace quorvane {
namespace {

using hostsim::HostImage;
using hostsim::HostSimulation;

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;
constexpr A_long kRadiusId = 1;
constexpr A_long kModeId = 6;
constexpr A_long kMapLayerId = 9;
constexpr A_long kFocusId = 11;

// A diagonal ramp in every channel, opaque.
HostImage ramp(int depth)
{
    HostImage image(kWidth, kHeight, depth);
    const double max = depth == 8 ? 255.0 : depth == 16 ? 32768.0 : 1.0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const double v = max * ((x + y) % 512) / 511.0;
            image.setPixel(x, y, max, v, max - v, 0.5 * v);
        }
    return image;
}

// args: depth, mode (1 plain or masked, 2 aberrated), whether a map is set.
void BM_QuadsoftFrame(benchmark::State& state)
{
    const int depth = static_cast<int>(state.range(0));
    const HostImage source = ramp(depth);
    HostImage output(kWidth, kHeight, depth);
    HostSimulation sim(&EntryPointFunc);
    if (sim.setUp() != PF_Err_NONE) {
        state.SkipWithError("set-up failed");
        return;
    }
    sim.setFloat(sim.indexOfId(kRadiusId), 50);
    sim.setInt(sim.indexOfId(kModeId), static_cast<A_long>(state.range(1)));
    sim.setFloat(sim.indexOfId(kFocusId), 100);
    hostsim::FrameRequest request;
    request.source = source.view();
    request.output = output.view();
    if (state.range(2))
        request.layers[sim.indexOfId(kMapLayerId)] = source.view();
    for (auto _ : state) {
        if (sim.renderFrame(request) != PF_Err_NONE) {
            state.SkipWithError("render failed");
            break;
        }
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_QuadsoftFrame)
    ->ArgNames({"depth", "mode", "map"})
    ->ArgsProduct({{8, 16, 32}, {1}, {0, 1}})
    ->ArgsProduct({{8, 16, 32}, {2}, {1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
} // namespace quorvane
