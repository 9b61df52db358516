#include "host/QuorvaneHost.h"

#include <algorithm>
#include <new>
#include <thread>

#include "threads/ThreadPool.h"

namespace quorvane {

QuorvaneHost::QuorvaneHost(std::string displayName, std::string category, std::string description,
                           int versionMajor, int versionMinor, int versionBugfix)
    : displayName(std::move(displayName)), category(std::move(category)),
      versionMajor(versionMajor), versionMinor(versionMinor), versionBugfix(versionBugfix),
      description(std::move(description))
{
}

QuorvaneHost::~QuorvaneHost() = default;

int QuorvaneHost::progress(int, int, int) { return noError(); }

void* QuorvaneHost::allocate(int bytes)
{
    if (bytes < 0)
        return nullptr;
    // A zero-byte request still gets a distinct address.
    return new (std::nothrow) unsigned char[bytes > 0 ? bytes : 1];
}

void QuorvaneHost::deallocate(void* block) { delete[] static_cast<unsigned char*>(block); }

int QuorvaneHost::threadCount(int* count, int maxThreads)
{
    int processors = static_cast<int>(std::thread::hardware_concurrency());
    *count = std::clamp(processors, 1, kMaxThreads);
    if (maxThreads > 0)
        *count = std::min(*count, maxThreads);
    return noError();
}

int QuorvaneHost::iterate(int iterations, IterationObject* object, IterationCallback callback)
{
    int threads = 1;
    threadCount(&threads, -1);
    ThreadPool& pool = ThreadPool::instance();
    if (pool.init(threads))
        return pool.iterate(iterations, object, callback);
    return ThreadPool::runOnCallingThread(iterations, object, callback);
}

double QuorvaneHost::currentFrame() { return 0.0; }
double QuorvaneHost::frameRate() { return 1.0; }
void QuorvaneHost::frameRange(double*, double*) {}
std::string QuorvaneHost::sourceName() { return "Source"; }
std::string QuorvaneHost::outputName() { return "Output"; }
bool QuorvaneHost::isAfterEffectsHost() { return false; }
xParameterList* QuorvaneHost::parameters() { return &ownParameters_; }
void QuorvaneHost::updateParameterUI() {}
void QuorvaneHost::parameterChanged(std::string) {}
double QuorvaneHost::inputFrame(std::string) { return 0.0; }
void QuorvaneHost::inputRect(std::string, Rect*, Rect, ImageScale*, ImageScale*, ImageScale) {}
bool QuorvaneHost::reservedQuery1() { return false; }
bool QuorvaneHost::reservedQuery2() { return false; }
int QuorvaneHost::noError() { return 0; }
int QuorvaneHost::outOfMemoryError() { return 1; }
void QuorvaneHost::setMessage(std::string) {}

} // namespace quorvane
