#include <gtest/gtest.h>
#include <numeric>

#include "CommandErrors.h"
#include "FrameSequence.h"
#include "RenderSettings.h"

namespace quorvane {
namespace {

TEST(FramePattern, HashesAndPrintfStyle)
{
    EXPECT_EQ(FramePattern("shot.####.exr").forFrame(7), "shot.0007.exr");
    EXPECT_EQ(FramePattern("shot.##.exr").forFrame(1234), "shot.1234.exr");
    EXPECT_EQ(FramePattern("out.%04d.png").forFrame(12), "out.0012.png");
    EXPECT_EQ(FramePattern("out_%d.tif").forFrame(12), "out_12.tif");
    EXPECT_EQ(FramePattern("dir#1/%03d.png").forFrame(5), "dir#1/005.png");   // only the file name counts
    const FramePattern still("still.png");
    EXPECT_FALSE(still.hasPattern());
    EXPECT_EQ(still.forFrame(9), "still.png");
    EXPECT_FALSE(FramePattern("100%.png").hasPattern());
}

TEST(FrameList, RangesAndSingleFrames)
{
    EXPECT_EQ(parseFrameList("3-6"), (std::vector<long>{3, 4, 5, 6}));
    EXPECT_EQ(parseFrameList("1-2,7,10-11"), (std::vector<long>{1, 2, 7, 10, 11}));
    for (const char* bad : {"", "a", "5-3", "-3", "1-", "1,,2", "1-2-3", "1e3"})
        EXPECT_THROW(parseFrameList(bad), UsageError) << bad;
}

TEST(FrameList, ShardsCoverEveryFrameOnceInOrder)
{
    std::vector<long> frames(100);
    std::iota(frames.begin(), frames.end(), 1);
    for (int n : {1, 3, 7, 100, 130}) {
        std::vector<long> joined;
        for (int k = 1; k <= n; ++k) {
            const auto part = shardOf(frames, std::to_string(k) + "/" + std::to_string(n));
            EXPECT_LE(part.size(), 100u / n + 1);
            joined.insert(joined.end(), part.begin(), part.end());
        }
        EXPECT_EQ(joined, frames) << n;
    }
    EXPECT_EQ(shardOf(frames, "2/4").front(), 26);
    for (const char* bad : {"0/4", "5/4", "1", "a/b", "1/0"})
        EXPECT_THROW(shardOf(frames, bad), UsageError) << bad;
}

TEST(RenderSettings, DownsampleAndPixelAspect)
{
    EXPECT_EQ(parseDownsample("2").x, 2);
    EXPECT_EQ(parseDownsample("2,3").y, 3);
    for (const char* bad : {"0", "65", "1.5", "2,", "x"})
        EXPECT_THROW(parseDownsample(bad), UsageError) << bad;
    const auto fraction = parsePixelAspect("10/11");
    EXPECT_EQ(fraction.num, 10);
    EXPECT_EQ(fraction.den, 11u);
    const auto decimal = parsePixelAspect("1.5");
    EXPECT_EQ(decimal.num, 3);
    EXPECT_EQ(decimal.den, 2u);
    EXPECT_EQ(parsePixelAspect("0.9091").num, 9091);
    for (const char* bad : {"0", "-1", "1/0", "abc", "1000", ".", "2/"})
        EXPECT_THROW(parsePixelAspect(bad), UsageError) << bad;
}

} // namespace
} // namespace quorvane
