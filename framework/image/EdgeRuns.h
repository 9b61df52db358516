#pragma once
// Positions along one axis of an image, also far beyond its edges, mapped into the image by an
// edge mode; a range of positions becomes a few runs of image indices with repeat counts, so
// that a sum over the range costs the same however long the range is.

#include <cstdint>

#include "image/EdgeMode.h"

namespace quorvane {

// How wrap treats positions −n, −2n, …: as resolveEdgeIndex does (they take n − 1), or as
// plain p modulo n (they take 0).
enum class WrapRule { Resolve, Modulo };

// Indices first … first + length − 1, each taken `count` times. Left uninitialised by default:
// lists of them are built per pixel.
struct EdgeRun {
    int first;
    int length;
    std::int64_t count;
};

class EdgeRunList {
public:
    static constexpr int kCapacity = 24;

    void add(int first, int length, std::int64_t count)
    {
        if (length > 0 && count > 0 && size_ < kCapacity)
            runs_[size_++] = {first, length, count};
    }
    void clear() { size_ = 0; }
    int size() const { return size_; }
    const EdgeRun& operator[](int i) const { return runs_[i]; }
    const EdgeRun* begin() const { return runs_; }
    const EdgeRun* end() const { return runs_ + size_; }

private:
    EdgeRun runs_[kCapacity];   // only the first size_ are set
    int size_ = 0;
};

inline std::int64_t floorMod(std::int64_t p, std::int64_t n)
{
    const std::int64_t m = p % n;
    return m < 0 ? m + n : m;
}

// Beyond either edge every mode repeats itself with this period.
inline std::int64_t edgePeriod(int mode, int n)
{
    return mode == EdgeMirror ? 2 * static_cast<std::int64_t>(n) : mode == EdgeWrap ? n : 1;
}

// From position p on, `length` positions take index, index + step, index + 2 step, …
struct EdgePiece {
    int index;
    int step;
    std::int64_t length;
};

// The piece of the mapping that starts at position p. Clamp and mirror map as
// resolveEdgeIndex does at any distance (mirror reflects again at the far edge, period 2n).
inline EdgePiece edgePieceAt(int mode, int n, std::int64_t p, WrapRule wrap)
{
    if (p >= 0 && p < n)
        return {static_cast<int>(p), 1, n - p};
    if (mode == EdgeMirror) {
        const std::int64_t period = 2 * static_cast<std::int64_t>(n);
        if (p >= n) {
            // n … 2n − 1 take n − 1 … 0, then 2n … 3n − 1 take 0 … n − 1.
            const std::int64_t u = (p - n) % period;
            if (u < n)
                return {static_cast<int>(n - 1 - u), -1, n - u};
            return {static_cast<int>(u - n), 1, period - u};
        }
        // −2n … −n − 1 take 0 … n − 1, −n takes n − 1, −n + 1 … −1 take n − 1 … 1.
        const std::int64_t t = floorMod(p, period);
        if (t < n)
            return {static_cast<int>(t), 1, n - t};
        if (t == n)
            return {n - 1, 0, 1};
        return {static_cast<int>(period - t), -1, period - t};
    }
    if (mode == EdgeWrap) {
        const std::int64_t m = floorMod(p, n);
        if (wrap == WrapRule::Resolve && p < 0 && m == 0)
            return {n - 1, 0, 1};
        return {static_cast<int>(m), 1, n - m};
    }
    if (p < 0)
        return {0, 0, -p};
    return {n - 1, 0, INT64_MAX / 4};
}

namespace detail {

inline void addPiece(EdgeRunList& runs, const EdgePiece& piece, std::int64_t taken,
                     std::int64_t count)
{
    const int length = static_cast<int>(taken);
    if (piece.step > 0)
        runs.add(piece.index, length, count);
    else if (piece.step < 0)
        runs.add(piece.index - length + 1, length, count);
    else
        runs.add(piece.index, 1, count * taken);
}

// Positions first … last, each counted `count` times, piece by piece.
inline void walkPieces(EdgeRunList& runs, int mode, int n, std::int64_t first, std::int64_t last,
                       WrapRule wrap, std::int64_t count)
{
    for (std::int64_t p = first; p <= last;) {
        const EdgePiece piece = edgePieceAt(mode, n, p, wrap);
        const std::int64_t rest = last - p + 1;
        const std::int64_t taken = piece.length < rest ? piece.length : rest;
        addPiece(runs, piece, taken, count);
        p += taken;
    }
}

// Positions first … last that all lie beyond one edge. Any whole period of positions there
// takes the same indices, so k periods and a remainder of r positions are one period walked
// once, its first r positions counted k + 1 times and the others k times.
inline void walkBeyondEdge(EdgeRunList& runs, int mode, int n, std::int64_t first,
                           std::int64_t last, WrapRule wrap)
{
    const std::int64_t period = edgePeriod(mode, n);
    const std::int64_t total = last - first + 1;
    if (mode == EdgeClamp || total < period) {
        walkPieces(runs, mode, n, first, last, wrap, 1);
        return;
    }
    const std::int64_t periods = total / period;
    const std::int64_t remainder = total - periods * period;
    walkPieces(runs, mode, n, first, first + remainder - 1, wrap, periods + 1);
    walkPieces(runs, mode, n, first + remainder, first + period - 1, wrap, periods);
}

} // namespace detail

// The runs of indices that positions lo … hi take (nothing when hi < lo or n < 1), into runs.
inline void edgeRuns(int mode, int n, std::int64_t lo, std::int64_t hi, WrapRule wrap, EdgeRunList& runs)
{
    runs.clear();
    if (n < 1 || hi < lo)
        return;
    if (lo >= 0 && hi < n) {
        runs.add(static_cast<int>(lo), static_cast<int>(hi - lo + 1), 1);
        return;
    }
    if (lo < 0)
        detail::walkBeyondEdge(runs, mode, n, lo, hi < -1 ? hi : -1, wrap);
    const std::int64_t insideFirst = lo > 0 ? lo : 0;
    const std::int64_t insideLast = hi < n - 1 ? hi : n - 1;
    if (insideFirst <= insideLast)
        runs.add(static_cast<int>(insideFirst), static_cast<int>(insideLast - insideFirst + 1), 1);
    if (hi >= n)
        detail::walkBeyondEdge(runs, mode, n, lo > n ? lo : n, hi, wrap);
}

inline EdgeRunList edgeRuns(int mode, int n, std::int64_t lo, std::int64_t hi, WrapRule wrap)
{
    EdgeRunList runs;
    edgeRuns(mode, n, lo, hi, wrap, runs);
    return runs;
}

} // namespace quorvane
