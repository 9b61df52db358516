#pragma once
// Lines of a blur run in fixed steps of lines through the host's parallel loop; after each step
// the progress of its lines is reported in order, stopping at the first refusal. The steps are
// the same for any number of threads, and each line is computed alone, so the result is too.

#include <algorithm>

#include "host/Iteration.h"
#include "host/QuorvaneHost.h"

namespace quorvane {

// Calls (filter->*line)(i, count, thread) for i = 0 … count − 1 of each step, with stepFirst set
// to the step's first line, then report(line) for the step's lines.
template <class Filter, class Report>
int runLinesInSteps(QuorvaneHost* host, Filter* filter, int (Filter::*line)(int, int, int), int lines,
                    int linesPerStep, int& stepFirst, Report&& report)
{
    int result = host->noError();
    for (int first = 0; first < lines; first += linesPerStep) {
        const int count = std::min(linesPerStep, lines - first);
        stepFirst = first;
        result = host->iterate(count, filter, iterationCallback(line));
        if (result != host->noError())
            return result;
        for (int i = 0; i < count; ++i) {
            result = report(first + i);
            if (result != host->noError())
                return result;
        }
    }
    return result;
}

} // namespace quorvane
