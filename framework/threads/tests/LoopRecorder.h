#pragma once
// A loop body for pool tests: records every call it receives.

#include <mutex>
#include <vector>

#include "host/Iteration.h"

namespace quorvane::testing {

struct LoopCall {
    int index;
    int count;
    int threadIndex;
};

class LoopRecorder : public IterationObject {
public:
    int record(int index, int count, int threadIndex)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back({index, count, threadIndex});
        return 0;
    }

    IterationCallback callback() { return iterationCallback(&LoopRecorder::record); }

    std::vector<LoopCall> calls() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }

    // How often each index 0 .. iterations-1 was called.
    std::vector<int> timesPerIndex(int iterations) const
    {
        std::vector<int> times(static_cast<std::size_t>(iterations), 0);
        for (const LoopCall& call : calls())
            if (call.index >= 0 && call.index < iterations)
                ++times[static_cast<std::size_t>(call.index)];
        return times;
    }

private:
    mutable std::mutex mutex_;
    std::vector<LoopCall> calls_;
};

} // namespace quorvane::testing
