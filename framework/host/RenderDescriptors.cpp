#include "host/RenderDescriptors.h"

#include <algorithm>

namespace quorvane {

void Rect::clampInto(const Rect& bounds)
{
    left = std::clamp(left, bounds.left, std::max(bounds.left, bounds.right));
    right = std::clamp(right, bounds.left, std::max(bounds.left, bounds.right));
    top = std::clamp(top, bounds.top, std::max(bounds.top, bounds.bottom));
    bottom = std::clamp(bottom, bounds.top, std::max(bounds.top, bounds.bottom));
}

void Rect::offset(int dx, int dy)
{
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
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
