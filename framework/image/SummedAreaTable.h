#pragma once
// A summed-area table of four float channels per pixel, and the edge-aware block sum over it:
// the sum of any rectangle of positions, also reaching beyond the image on any side, at a cost
// that does not depend on the rectangle's size.

#include <cstddef>
#include <cstdint>

#include "image/EdgeMode.h"
#include "image/EdgeRuns.h"

namespace quorvane {

// How often each sample is nonzero, summed the same way, in exact integers: a rectangle whose
// count is 0 holds nothing, even where the float sums are left with rounding.
class NonzeroCountTable {
public:
    NonzeroCountTable(std::int32_t* data, int width, int height) : data_(data), width_(width) { (void)height; }

    // Row y from the previous row and the running count of this row up to x.
    void set(int x, int y, std::int32_t rowCount)
    {
        std::int32_t* out = data_ + static_cast<std::size_t>(y) * width_;
        out[x] = (y > 0 ? out[x - width_] : 0) + rowCount;
    }

    std::int64_t block(int x0, int x1, int y0, int y1) const
    {
        std::int64_t count = at(x1, y1);
        if (x0 > 0)
            count -= at(x0 - 1, y1);
        if (y0 > 0)
            count -= at(x1, y0 - 1);
        if (x0 > 0 && y0 > 0)
            count += at(x0 - 1, y0 - 1);
        return count;
    }

private:
    std::int32_t at(int x, int y) const { return data_[static_cast<std::size_t>(y) * width_ + x]; }

    std::int32_t* data_;
    int width_;
};

class SummedAreaTable {
public:
    SummedAreaTable(float* data, int width, int height) : data_(data), width_(width), height_(height) {}

    int width() const { return width_; }
    int height() const { return height_; }

    // T(x, y) = T(x, y − 1) + Σ_{x′ ≤ x} sample(x′, y); sampleAt(x, sum) adds the four channels
    // of sample (x, y) into sum and tells whether the sample is nonzero, which `counts` (when
    // given) counts alike. Rows are built top down.
    template <class SampleAt>
    void buildRow(int y, SampleAt&& sampleAt, NonzeroCountTable* counts = nullptr)
    {
        double rowSum[4] = {0, 0, 0, 0};
        std::int32_t rowCount = 0;
        float* out = cell(0, y);
        const float* above = y > 0 ? cell(0, y - 1) : nullptr;
        for (int x = 0; x < width_; ++x) {
            rowCount += sampleAt(x, rowSum) ? 1 : 0;
            if (counts)
                counts->set(x, y, rowCount);
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

// The cells a < p ≤ b of one axis as runs of image indices, by the block-sum rules: clamp and
// mirror as resolveEdgeIndex, wrap as p modulo n.
inline void blockSumRuns(int mode, int n, std::int64_t a, std::int64_t b, EdgeRunList& runs)
{
    edgeRuns(mode, n, a + 1, b, WrapRule::Modulo, runs);
}

inline EdgeRunList blockSumRuns(int mode, int n, std::int64_t a, std::int64_t b)
{
    return edgeRuns(mode, n, a + 1, b, WrapRule::Modulo);
}

// Adds weight × the sums of every cell of the column runs × the row runs, each at its mapped
// position and counted once, into sum.
inline void addBlockSum(const SummedAreaTable& table, const EdgeRunList& columns, const EdgeRunList& rows,
                        double weight, double sum[4])
{
    for (const EdgeRun& column : columns) {
        for (const EdgeRun& row : rows) {
            const double repeat = static_cast<double>(column.count) * static_cast<double>(row.count);
            table.addBlock(column.first, column.first + column.length - 1, row.first,
                           row.first + row.length - 1, weight * repeat, sum);
        }
    }
}

// True when any cell of the runs holds a nonzero sample.
inline bool holdsNonzero(const NonzeroCountTable& table, const EdgeRunList& columns, const EdgeRunList& rows)
{
    for (const EdgeRun& column : columns)
        for (const EdgeRun& row : rows)
            if (table.block(column.first, column.first + column.length - 1, row.first,
                            row.first + row.length - 1) > 0)
                return true;
    return false;
}

struct BlockSum {
    double sum[4] = {0, 0, 0, 0};
    double count = 0;
};

// The edge-aware block sum: columns a < x ≤ b, rows c < y ≤ d, at any distance from the image.
inline BlockSum edgeBlockSum(const SummedAreaTable& table, std::int64_t a, std::int64_t b,
                             std::int64_t c, std::int64_t d, int modeX, int modeY)
{
    BlockSum result;
    if (b <= a || d <= c)
        return result;
    addBlockSum(table, blockSumRuns(modeX, table.width(), a, b), blockSumRuns(modeY, table.height(), c, d), 1.0,
                result.sum);
    result.count = static_cast<double>(b - a) * static_cast<double>(d - c);
    return result;
}

} // namespace quorvane
