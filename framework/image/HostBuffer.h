#pragma once
// A temporary buffer from the host's allocate, returned by the destructor on every path.

#include <cstddef>
#include <limits>

#include "host/QuorvaneHost.h"

namespace quorvane {

template <class T>
class HostBuffer {
public:
    // Asks the host for `count` elements; a request beyond what an int can size fails.
    HostBuffer(QuorvaneHost* host, std::size_t count) : host_(host)
    {
        const std::size_t limit = static_cast<std::size_t>(std::numeric_limits<int>::max());
        if (count <= limit / sizeof(T))
            data_ = static_cast<T*>(host_->allocate(static_cast<int>(count * sizeof(T))));
        count_ = data_ ? count : 0;
    }
    ~HostBuffer() { release(); }
    HostBuffer(const HostBuffer&) = delete;
    HostBuffer& operator=(const HostBuffer&) = delete;

    void release()
    {
        if (data_)
            host_->deallocate(data_);
        data_ = nullptr;
        count_ = 0;
    }

    explicit operator bool() const { return data_ != nullptr; }
    T* get() const { return data_; }
    T& operator[](std::size_t i) const { return data_[i]; }
    std::size_t size() const { return count_; }

private:
    QuorvaneHost* host_;
    T* data_ = nullptr;
    std::size_t count_ = 0;
};

} // namespace quorvane
