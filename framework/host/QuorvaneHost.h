#pragma once
// The abstract host every effect is written against: memory, threads, progress, time and
// a few hooks. Operations that can fail return the host's int error code; callers compare
// against noError() and pass anything else up unchanged.

#include <string>

#include "host/Iteration.h"
#include "host/RenderDescriptors.h"
#include "parameters/ParameterList.h"

namespace quorvane {

class QuorvaneHost {
public:
    QuorvaneHost(std::string displayName, std::string category, std::string description,
                 int versionMajor, int versionMinor, int versionBugfix);
    virtual ~QuorvaneHost();

    virtual int progress(int done, int total, int threadIndex);
    virtual void* allocate(int bytes);
    virtual void deallocate(void* block);
    // Processors, limited to maxThreads when it is above 0, and never above 64.
    virtual int threadCount(int* count, int maxThreads);
    // Calls object->*callback once for every index 0 .. iterations-1 on the process-wide pool.
    virtual int iterate(int iterations, IterationObject* object, IterationCallback callback);
    virtual double currentFrame();
    virtual double frameRate();
    virtual void frameRange(double* first, double* last);
    virtual std::string sourceName();
    virtual std::string outputName();
    virtual bool isAfterEffectsHost();
    virtual xParameterList* parameters();
    virtual void updateParameterUI();
    virtual void parameterChanged(std::string key);
    virtual double inputFrame(std::string inputName);
    // Lets an effect say which area of an input it needs; `needed` arrives holding the
    // caller's default and is left alone unless the effect knows better.
    virtual void inputRect(std::string inputName, Rect* needed, Rect candidate,
                           ImageScale* sourceScale, ImageScale* hostScale, ImageScale inputScale);
    virtual bool reservedQuery1();
    virtual bool reservedQuery2();
    virtual int noError();
    virtual int outOfMemoryError();
    virtual void setMessage(std::string text);

    std::string displayName;
    std::string category;
    int versionMajor;
    int versionMinor;
    int versionBugfix;
    std::string description;

private:
    xParameterList ownParameters_;
};

// Largest number of participants of one parallel loop.
constexpr int kMaxThreads = 64;

} // namespace quorvane
