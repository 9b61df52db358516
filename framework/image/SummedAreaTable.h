#pragma once
// A summed-area table of four float channels per pixel, and the edge-aware block sum over it:
// the sum of any rectangle of positions, also reaching beyond the image on any side, at a cost
// that does not depend on the rectangle's size.

#include <cstddef>
#include <cstdint>

#include "image/EdgeMode.h"
#include "image/EdgeRuns.h"

namespace quorvane {

class SummedAreaTable {
public:
    SummedAreaTable(float* data, int width, int height) : data_(data), width_(width), height_(height) {}

    int width() const { return width_; }
    int height() const { return height_; }

    // T(x, y) = T(x, y − 1) + Σ_{x′ ≤ x} sample(x′, y); sampleAt(x, sum) adds the four channels
    // of sample (x, y) into sum. Rows are built top down.
    template <class SampleAt>
    void buildRow(int y, SampleAt&& sampleAt)
    {
        double rowSum[4] = {0, 0, 0, 0};
        float* out = cell(0, y);
        const float* above = y > 0 ? cell(0, y - 1) : nullptr;
        for (int x = 0; x < width_; ++x) {
            sampleAt(x, rowSum);
            for (int c = 0; c < 4; ++c) {
                const double upper = above ? above[4 * x + c] : 0.0;
                out[4 * x + c] = static_cast<float>(upper + rowSum[c]);
            }
        }
    }

    // Adds weight × the sum of the cells x0 … x1, y0 … y1 (all inside the table) into sum.
    void addBlock(int x0, int x1, int y0, int y1, double weight, double sum[4]) const
    {
        const float* bd = cell(x1, y1);
        const float* ad = x0 > 0 ? cell(x0 - 1, y1) : nullptr;
        const float* bc = y0 > 0 ? cell(x1, y0 - 1) : nullptr;
        const float* ac = x0 > 0 && y0 > 0 ? cell(x0 - 1, y0 - 1) : nullptr;
        for (int c = 0; c < 4; ++c) {
            double block = bd[c];
            if (ad)
                block -= ad[c];
            if (bc)
                block -= bc[c];
            if (ac)
                block += ac[c];
            sum[c] += weight * block;
        }
    }

private:
    float* cell(int x, int y) const
    {
        return data_ + (static_cast<std::size_t>(y) * width_ + x) * 4;
    }

    float* data_;
    int width_;
    int height_;
};

// Block sum rules per axis: clamp and mirror as resolveEdgeIndex, wrap as p modulo n.
inline EdgeRunList blockSumRuns(int mode, int n, std::int64_t after, std::int64_t upTo)
{
    return edgeRuns(mode, n, after + 1, upTo, WrapRule::Modulo);
}

struct BlockSum {
    double sum[4] = {0, 0, 0, 0};
    double count = 0;
};

// Adds the sums of the cells of the column runs × the row runs, each cell at its mapped
// position and counted once, into result.
inline void addBlockSum(const SummedAreaTable& table, const EdgeRunList& columns,
                        const EdgeRunList& rows, BlockSum& result)
{
    for (const EdgeRun& column : columns) {
        for (const EdgeRun& row : rows) {
            const double repeat = static_cast<double>(column.count) * static_cast<double>(row.count);
            table.addBlock(column.first, column.first + column.length - 1, row.first,
                           row.first + row.length - 1, repeat, result.sum);
        }
    }
}

// Columns a < x ≤ b, rows c < y ≤ d, at any distance from the image; the count is
// (b − a) × (d − c).
inline BlockSum edgeBlockSum(const SummedAreaTable& table, std::int64_t a, std::int64_t b,
                             std::int64_t c, std::int64_t d, int modeX, int modeY)
{
    BlockSum result;
    if (b <= a || d <= c)
        return result;
    addBlockSum(table, blockSumRuns(modeX, table.width(), a, b),
                blockSumRuns(modeY, table.height(), c, d), result);
    result.count = static_cast<double>(b - a) * static_cast<double>(d - c);
    return result;
}

} // namespace quorvane
