#pragma once
// Base of every filter: holds the host through which all memory, progress, errors and
// parallel loops go. A concrete filter adds run(pass, passCount) and its band callbacks.

#include "host/Iteration.h"
#include "host/QuorvaneHost.h"

namespace quorvane {

class QuorvaneFilter : public IterationObject {
public:
    explicit QuorvaneFilter(QuorvaneHost* host = nullptr) : host(host) {}
    ~QuorvaneFilter() override = default;

    QuorvaneHost* host;

protected:
    // Runs `callback` for each of `rows` indices through the host's parallel loop.
    template <class Filter>
    int iterateRows(int rows, int (Filter::*callback)(int, int, int))
    {
        return host->iterate(rows, this, iterationCallback(callback));
    }

    // Progress of one row of a single-sub-pass filter: row + N × pass out of N × passCount.
    int reportRow(int row, int rows, int pass, int passCount, int threadIndex)
    {
        return host->progress(row + rows * pass, rows * passCount, threadIndex);
    }
};

} // namespace quorvane
