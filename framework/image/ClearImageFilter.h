#pragma once
// Sets every pixel of an image (four or five channels) to zero bytes.

#include <cstring>

#include "image/PixelArray.h"
#include "image/QuorvaneFilter.h"

namespace quorvane {

template <class DestinationArray>
class ClearImageFilter : public QuorvaneFilter {
public:
    using QuorvaneFilter::QuorvaneFilter;

    DestinationArray destination;
    int pass = 0;
    int passCount = 1;

    int run(int pass, int passCount)
    {
        this->pass = pass;
        this->passCount = passCount;
        return iterateRows(destination.height, &ClearImageFilter::processRow);
    }

    int processRow(int row, int count, int threadIndex)
    {
        const int result = host->noError();
        if (!destination.data)
            return result;
        std::memset(destination.row(row), 0,
                    static_cast<std::size_t>(destination.width) *
                        sizeof(typename DestinationArray::pixel_type));
        return reportRow(row, count, pass, passCount, threadIndex);
    }
};

} // namespace quorvane
