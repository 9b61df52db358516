// Cost of the pool itself: waking the workers for a loop with nothing to do, and handing out
// 2,160 indices (one per row of a UHD frame) whose bodies do nothing.

#include <memory>

#include <benchmark/benchmark.h>

#include "threads/ThreadPool.h"

namespace quorvane {
namespace {

class EmptyBody : public IterationObject {
public:
    int body(int index, int, int)
    {
        benchmark::DoNotOptimize(index);
        return 0;
    }
};

void runLoops(benchmark::State& state, int iterations)
{
    ThreadPool pool;
    pool.init(static_cast<int>(state.range(0)));
    EmptyBody body;
    const IterationCallback callback = iterationCallback(&EmptyBody::body);
    for (auto _ : state)
        benchmark::DoNotOptimize(pool.iterate(iterations, &body, callback));
    state.SetItemsProcessed(state.iterations() * iterations);
}

void BM_PoolEmptyLoop(benchmark::State& state) { runLoops(state, 0); }
void BM_PoolTrivialIndices2160(benchmark::State& state) { runLoops(state, 2160); }

BENCHMARK(BM_PoolEmptyLoop)->ArgName("threads")->Arg(1)->Arg(2)->Arg(4)->UseRealTime();
BENCHMARK(BM_PoolTrivialIndices2160)->ArgName("threads")->Arg(1)->Arg(2)->Arg(4)->UseRealTime();

} // namespace
} // namespace quorvane
