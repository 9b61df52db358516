#pragma once
// Treatment of sample positions outside an image.

namespace quorvane {

enum EdgeMode { EdgeNone = 0, EdgeClamp = 1, EdgeMirror = 2, EdgeWrap = 3 };

// True when index already lies in [0, length); otherwise rewrites it by mode and answers false.
// With EdgeNone the index stays as it is and the caller must treat the sample as absent.
inline bool resolveEdgeIndex(int mode, int length, int& index)
{
    if (index >= 0 && index < length)
        return true;
    const int n = length;
    if (n <= 0)
        return false;
    const int q = index / n;
    const int r = index - q * n;
    switch (mode) {
    case EdgeClamp:
        index = index < 0 ? 0 : n - 1;
        break;
    case EdgeMirror:
        if (index < 0) {
            index = q % 2 == 0 ? -r : n + r;
            if (index == n)
                index = n - 1;
        } else {
            index = q % 2 != 0 ? n - 1 - r : r;
        }
        break;
    case EdgeWrap:
        if (index < 0) {
            // In 64 bits: q - 1 may not fit for indices near the lowest int.
            const long long below = static_cast<long long>(q) - 1;
            index = static_cast<int>(index - static_cast<long long>(n) * below);
            if (index == n)
                index = n - 1;
        } else {
            index = index % n;
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace quorvane
