#include <gtest/gtest.h>

#include "host/RenderDescriptors.h"

namespace quorvane {
namespace {

struct ClampCase {
    const char* name;
    Rect rect;
    Rect bounds;
    Rect expected;
    bool empty;
};

// Fields are left, right, top, bottom.
const ClampCase kClampCases[] = {
    {"inside", {2, 8, 3, 9}, {0, 10, 0, 10}, {2, 8, 3, 9}, false},
    {"around", {-5, 15, -1, 20}, {0, 10, 0, 10}, {0, 10, 0, 10}, false},
    {"overlapping", {5, 15, -5, 5}, {0, 10, 0, 10}, {5, 10, 0, 5}, false},
    {"wholly right", {20, 30, 2, 4}, {0, 10, 0, 10}, {10, 10, 2, 4}, true},
    {"wholly left", {-30, -20, 2, 4}, {0, 10, 0, 10}, {0, 0, 2, 4}, true},
    {"wholly below", {2, 4, 11, 40}, {0, 10, 0, 10}, {2, 4, 10, 10}, true},
    {"empty bounds", {2, 4, 3, 5}, {6, 6, 0, 10}, {6, 6, 3, 5}, true},
};

TEST(Rect, ClampMovesEveryEdgeInside)
{
    for (const ClampCase& c : kClampCases) {
        SCOPED_TRACE(c.name);
        Rect r = c.rect;
        r.clampInto(c.bounds);
        EXPECT_EQ(r, c.expected);
        EXPECT_EQ(r.empty(), c.empty);
    }
}

TEST(Rect, OffsetMovesAllEdges)
{
    Rect r{1, 4, 2, 6};
    r.offset(-3, 10);
    EXPECT_EQ(r, (Rect{-2, 1, 12, 16}));
}

TEST(Rect, EmptyWhenEitherSideHasNoExtent)
{
    EXPECT_TRUE((Rect{}).empty());
    EXPECT_TRUE((Rect{3, 3, 0, 5}).empty());
    EXPECT_TRUE((Rect{0, 5, 4, 2}).empty());
    EXPECT_FALSE((Rect{0, 1, 0, 1}).empty());
}

void expectEmptyDescriptor(const ImageInfo& info)
{
    EXPECT_EQ(info.data, nullptr);
    EXPECT_EQ(info.width, 0);
    EXPECT_EQ(info.height, 0);
    EXPECT_EQ(info.originX, 0);
    EXPECT_EQ(info.originY, 0);
    EXPECT_EQ(info.rowBytes, 0);
    EXPECT_EQ(info.depth, 0);
    EXPECT_EQ(info.fullWidth, 0);
    EXPECT_EQ(info.fullHeight, 0);
    EXPECT_EQ(info.pixelAspect, 1.0);
    EXPECT_EQ(info.downsampleX, 1.0);
    EXPECT_EQ(info.downsampleY, 1.0);
    EXPECT_FALSE(info.valid);
    EXPECT_FALSE(info.premultiplied);
}

TEST(InputImages, MissingKeyYieldsTheEmptyDescriptor)
{
    InputImages empty;
    expectEmptyDescriptor(empty.get("Map Layer"));

    InputImages inputs;
    unsigned char pixel[4] = {};
    ImageInfo map;
    map.data = pixel;
    map.width = 1;
    map.valid = true;
    inputs.set("Map Layer", map);
    expectEmptyDescriptor(inputs.get("Other Layer"));
}

TEST(InputImages, SetInsertsAndReplacesByKey)
{
    InputImages inputs;
    ImageInfo first;
    first.width = 3;
    inputs.set("a", first);
    ImageInfo second;
    second.width = 7;
    second.valid = true;
    inputs.set("a", second);
    EXPECT_EQ(inputs.size(), 1u);
    EXPECT_TRUE(inputs.contains("a"));
    EXPECT_EQ(inputs.get("a").width, 7);
    EXPECT_TRUE(inputs.get("a").valid);
}

} // namespace
} // namespace quorvane
