#include "host/RenderDescriptors.h"

#include <algorithm>
#include <limits>

namespace quorvane {

void Rect::clampInto(const Rect& bounds)
{
    left = std::clamp(left, bounds.left, std::max(bounds.left, bounds.right));
    right = std::clamp(right, bounds.left, std::max(bounds.left, bounds.right));
    top = std::clamp(top, bounds.top, std::max(bounds.top, bounds.bottom));
    bottom = std::clamp(bottom, bounds.top, std::max(bounds.top, bounds.bottom));
}

namespace {

// Host rectangles may lie anywhere in the int range; a move saturates instead of overflowing.
int moved(int edge, int by)
{
    const long long sum = static_cast<long long>(edge) + by;
    return static_cast<int>(std::clamp<long long>(sum, std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max()));
}

} // namespace

void Rect::offset(int dx, int dy)
{
    left = moved(left, dx);
    right = moved(right, dx);
    top = moved(top, dy);
    bottom = moved(bottom, dy);
}

bool operator==(const Rect& a, const Rect& b)
{
    return a.left == b.left && a.right == b.right && a.top == b.top && a.bottom == b.bottom;
}

ImageInfo InputImages::get(const std::string& key) const
{
    auto found = images_.find(key);
    return found == images_.end() ? ImageInfo{} : found->second;
}

} // namespace quorvane
