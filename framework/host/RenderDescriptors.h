#pragma once
// Value types handed from the render entry to the effects. They carry no host type,
// so pixel arrays, filters and pipelines build and run without the host.

#include <map>
#include <string>

namespace quorvane {

// One image as the effect sees it; meaningful only while the host keeps it checked out.
struct ImageInfo {
    void* data = nullptr;     // top-left pixel; null when there are no pixels
    int width = 0;
    int height = 0;
    int originX = 0;          // position in the effect layer's (downsampled) coordinates
    int originY = 0;
    int rowBytes = 0;
    int depth = 0;            // 8, 16 or 32 (float)
    int fullWidth = 0;
    int fullHeight = 0;
    double pixelAspect = 1.0;
    double downsampleX = 1.0;
    double downsampleY = 1.0;
    bool valid = false;
    bool premultiplied = false;
};

// Integer rectangle, right and bottom exclusive. Field order differs from the host's.
struct Rect {
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;

    bool empty() const { return left >= right || top >= bottom; }
    // Moves every edge inside `bounds`; a rectangle wholly outside becomes empty.
    void clampInto(const Rect& bounds);
    void offset(int dx, int dy);
};

bool operator==(const Rect& a, const Rect& b);

// Scale block passed with rectangle requests.
struct ImageScale {
    double pixelAspect = 1.0;
    double downsampleX = 1.0;
    double downsampleY = 1.0;
    int width = 0;
    int height = 0;
};

// Extra layer inputs by the key of their layer control.
class InputImages {
public:
    void set(const std::string& key, const ImageInfo& image) { images_[key] = image; }
    // A key without an entry yields the empty descriptor (no pixels, not valid).
    ImageInfo get(const std::string& key) const;
    bool contains(const std::string& key) const { return images_.count(key) != 0; }
    std::size_t size() const { return images_.size(); }

private:
    std::map<std::string, ImageInfo> images_;
};

} // namespace quorvane
