#include <gtest/gtest.h>

#include "host/QuorvaneHost.h"

namespace quorvane {
namespace {

QuorvaneHost makeHost() { return QuorvaneHost("QV Test", "Quorvane", "Test.\n\nLine.\n", 1, 2, 7); }

TEST(QuorvaneHostDefaults, ConstructorKeepsIdentity)
{
    QuorvaneHost host = makeHost();
    EXPECT_EQ(host.displayName, "QV Test");
    EXPECT_EQ(host.category, "Quorvane");
    EXPECT_EQ(host.description, "Test.\n\nLine.\n");
    EXPECT_EQ(host.versionMajor, 1);
    EXPECT_EQ(host.versionMinor, 2);
    EXPECT_EQ(host.versionBugfix, 7);
}

TEST(QuorvaneHostDefaults, ThreadCountStaysWithinBothLimits)
{
    QuorvaneHost host = makeHost();
    for (int maxThreads : {-1, 0, 1, 3, 64, 65, 1000}) {
        int count = -7;
        EXPECT_EQ(host.threadCount(&count, maxThreads), host.noError());
        EXPECT_GE(count, 1) << maxThreads;
        EXPECT_LE(count, kMaxThreads) << maxThreads;
        if (maxThreads > 0) {
            EXPECT_LE(count, maxThreads);
        }
    }
}

TEST(QuorvaneHostDefaults, FrameRangeLeavesOutputsUntouched)
{
    QuorvaneHost host = makeHost();
    double first = 12.5;
    double last = -3.0;
    host.frameRange(&first, &last);
    EXPECT_EQ(first, 12.5);
    EXPECT_EQ(last, -3.0);
}

TEST(QuorvaneHostDefaults, PlainAnswers)
{
    QuorvaneHost host = makeHost();
    EXPECT_EQ(host.noError(), 0);
    EXPECT_EQ(host.outOfMemoryError(), 1);
    EXPECT_EQ(host.progress(3, 10, 0), 0);
    EXPECT_EQ(host.progress(3, 10, 5), 0);
    EXPECT_EQ(host.currentFrame(), 0.0);
    EXPECT_EQ(host.frameRate(), 1.0);
    EXPECT_EQ(host.inputFrame("Map"), 0.0);
    EXPECT_EQ(host.sourceName(), "Source");
    EXPECT_EQ(host.outputName(), "Output");
    EXPECT_FALSE(host.isAfterEffectsHost());
    EXPECT_FALSE(host.reservedQuery1());
    EXPECT_FALSE(host.reservedQuery2());
    ASSERT_NE(host.parameters(), nullptr);
    EXPECT_EQ(host.parameters()->size(), 0u);
    host.updateParameterUI();
    host.parameterChanged("key");
    host.setMessage("message");
}

TEST(QuorvaneHostDefaults, InputRectKeepsTheCallersDefault)
{
    QuorvaneHost host = makeHost();
    Rect needed{1, 2, 3, 4};
    ImageScale source;
    ImageScale hostScale;
    host.inputRect("Map", &needed, Rect{0, 100, 0, 100}, &source, &hostScale, ImageScale{});
    EXPECT_EQ(needed, (Rect{1, 2, 3, 4}));
}

TEST(QuorvaneHostDefaults, AllocateGivesWritableDistinctBlocks)
{
    QuorvaneHost host = makeHost();
    void* a = host.allocate(0);
    void* b = host.allocate(0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    auto* block = static_cast<unsigned char*>(host.allocate(64));
    ASSERT_NE(block, nullptr);
    block[0] = 1;
    block[63] = 2;
    EXPECT_EQ(host.allocate(-1), nullptr);
    host.deallocate(a);
    host.deallocate(b);
    host.deallocate(block);
}

} // namespace
} // namespace quorvane
