#pragma once
// Fixtures for the simple filters' tests, on top of the blur tests' padded TestImage: a host
// that records progress from any thread and runs loops on a pool of a chosen size.

#include <mutex>
#include <vector>

#include "host/QuorvaneHost.h"
#include "image/PixelArray.h"
#include "image/tests/BlurTestSupport.h"
#include "threads/ThreadPool.h"

namespace quorvane::testing {

using test::TestImage;

struct ProgressCall {
    int done;
    int total;
    int threadIndex;
};

inline bool operator==(const ProgressCall& a, const ProgressCall& b)
{
    return a.done == b.done && a.total == b.total && a.threadIndex == b.threadIndex;
}

class RecordingHost : public QuorvaneHost {
public:
    static constexpr int kStopped = 517;

    explicit RecordingHost(int threads = 1) : QuorvaneHost("QV Test", "Quorvane", "", 1, 2, 7)
    {
        pool_.init(threads);
    }

    int progress(int done, int total, int threadIndex) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back({done, total, threadIndex});
        if (threadIndex == 0 && refuseFrom_ > 0 && ++callingThreadCalls_ >= refuseFrom_)
            return kStopped;
        return noError();
    }

    int iterate(int iterations, IterationObject* object, IterationCallback callback) override
    {
        return pool_.iterate(iterations, object, callback);
    }

    // The calling thread's progress answers kStopped from its n-th call on (1-based).
    void refuseFrom(int call) { refuseFrom_ = call; }

    std::vector<ProgressCall> progressCalls() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }

private:
    ThreadPool pool_;
    mutable std::mutex mutex_;
    std::vector<ProgressCall> calls_;
    int refuseFrom_ = 0;
    int callingThreadCalls_ = 0;
};

// Sets every pixel from f(x, y), which gives the four channels.
template <class Array, class Fill>
void fillWith(TestImage<Array>& image, Fill f)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const Channels c = f(x, y);
            image.set(x, y, c.a, c.r, c.g, c.b);
        }
}

// True while every channel of row y is still 0 (as TestImage starts).
template <class Array>
bool rowIsClear(const TestImage<Array>& image, int y)
{
    for (int x = 0; x < image.width(); ++x) {
        const Channels c = readChannels(image.at(x, y));
        if (c.a != 0 || c.r != 0 || c.g != 0 || c.b != 0)
            return false;
    }
    return true;
}

// Half of full scale as each depth stores it: 128, 16384, 0.5.
template <class Pixel>
constexpr double halfScale()
{
    return Pixel::isInteger ? (Pixel::MAX + 1) / 2 : Pixel::MAX / 2.0;
}

// A deterministic pattern of in-range values, each exactly representable in the channel.
template <class Pixel>
Channels patternAt(int x, int y)
{
    auto value = [&](int seed) {
        const double unit = ((x * 37 + y * 101 + seed * 53) % 97) / 96.0;
        return static_cast<double>(static_cast<typename Pixel::channel_type>(unit * Pixel::MAX));
    };
    return {value(1), value(2), value(3), value(4)};
}

} // namespace quorvane::testing
