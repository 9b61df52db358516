#include <climits>

#include <gtest/gtest.h>

#include "image/EdgeMode.h"

namespace quorvane {
namespace {

struct EdgeCase {
    EdgeMode mode;
    int index;
    int expected;
    bool inside;
};

const EdgeCase kLength10Cases[] = {
    {EdgeNone, 4, 4, true}, {EdgeClamp, 4, 4, true}, {EdgeMirror, 4, 4, true},
    {EdgeWrap, 4, 4, true}, {EdgeClamp, 0, 0, true}, {EdgeWrap, 9, 9, true},
    {EdgeNone, -3, -3, false}, {EdgeNone, 12, 12, false},
    {EdgeClamp, -5, 0, false}, {EdgeClamp, 10, 9, false}, {EdgeClamp, 99, 9, false},
    // The low side does not repeat the edge sample, the high side does.
    {EdgeMirror, -1, 1, false}, {EdgeMirror, -2, 2, false}, {EdgeMirror, 10, 9, false},
    {EdgeMirror, 11, 8, false}, {EdgeMirror, 19, 0, false}, {EdgeMirror, 20, 0, false},
    {EdgeMirror, 23, 3, false}, {EdgeMirror, -10, 9, false}, {EdgeMirror, -11, 9, false},
    {EdgeMirror, -21, 1, false},
    {EdgeWrap, -1, 9, false}, {EdgeWrap, 13, 3, false}, {EdgeWrap, 10, 0, false},
    {EdgeWrap, -11, 9, false}, {EdgeWrap, -10, 9, false}, {EdgeWrap, -25, 5, false},
};

TEST(EdgeIndex, RewritesOutsideIndicesOfLength10)
{
    for (const EdgeCase& c : kLength10Cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " index " << c.index);
        int index = c.index;
        EXPECT_EQ(resolveEdgeIndex(c.mode, 10, index), c.inside);
        EXPECT_EQ(index, c.expected);
    }
}

struct HostileCase {
    int length;
    int index;
};

const HostileCase kHostileCases[] = {{1, INT_MIN}, {1, INT_MAX}, {10, INT_MIN}, {10, INT_MAX},
                                     {1, -1},      {1, 1},       {2, INT_MIN + 1}, {3, INT_MIN}};

TEST(EdgeIndex, ExtremeIndicesLandInsideWithoutOverflow)
{
    for (const HostileCase& c : kHostileCases) {
        for (EdgeMode mode : {EdgeClamp, EdgeMirror, EdgeWrap}) {
            SCOPED_TRACE(::testing::Message()
                         << "mode " << mode << " length " << c.length << " index " << c.index);
            int index = c.index;
            EXPECT_FALSE(resolveEdgeIndex(mode, c.length, index));
            EXPECT_GE(index, 0);
            EXPECT_LT(index, c.length);
        }
        int index = c.index;
        EXPECT_FALSE(resolveEdgeIndex(EdgeNone, c.length, index));
        EXPECT_EQ(index, c.index);
    }
}

TEST(EdgeIndex, EmptyLengthAnswersOutside)
{
    for (EdgeMode mode : {EdgeNone, EdgeClamp, EdgeMirror, EdgeWrap}) {
        int index = 0;
        EXPECT_FALSE(resolveEdgeIndex(mode, 0, index));
        index = INT_MIN;
        EXPECT_FALSE(resolveEdgeIndex(mode, -4, index));
    }
}

} // namespace
} // namespace quorvane
