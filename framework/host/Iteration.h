#pragma once
// A parallel loop calls a member function of an object once per index.

namespace quorvane {

// Base of every object whose member functions run as loop bodies (filters, mostly).
class IterationObject {
public:
    virtual ~IterationObject() = default;
};

// (index, count, threadIndex) -> error code; threadIndex 0 is the thread that started the loop.
using IterationCallback = int (IterationObject::*)(int index, int count, int threadIndex);

// Lets a derived class hand one of its own member functions to a loop.
template <class Object>
IterationCallback iterationCallback(int (Object::*member)(int, int, int))
{
    return static_cast<IterationCallback>(member);
}

} // namespace quorvane
