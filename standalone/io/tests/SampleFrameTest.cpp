#include <gtest/gtest.h>

#include "FileSamples.h"
#include "SampleFrame.h"

namespace quorvane {
namespace {

class SampleFrameTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { frame = new ImageBuffer(sampleFrame(32)); }
    static void TearDownTestSuite() { delete frame; }
    static ImageBuffer* frame;
};

ImageBuffer* SampleFrameTest::frame = nullptr;

TEST_F(SampleFrameTest, IsOnePictureAtEveryDepth)
{
    EXPECT_EQ(frame->width(), 1920);
    EXPECT_EQ(frame->height(), 1080);
    EXPECT_TRUE(sampleFrame(16) == convertDepth(*frame, 16));
}

// What the effects need to find in it.
TEST_F(SampleFrameTest, HoldsSaturatedColourBrightSpotsAndPartialTransparency)
{
    int saturatedRed = 0, overWhite = 0, partlyTransparent = 0, transparent = 0, dark = 0;
    for (int y = 0; y < frame->height(); ++y)
        for (int x = 0; x < frame->width(); ++x) {
            const PixelFloat& p = frame->row<PixelFloat>(y)[x];
            saturatedRed += p.red() == 1.0f && p.green() == 0.0f && p.blue() == 0.0f;
            overWhite += p.red() > 1.5f && p.green() > 1.5f && p.blue() > 1.0f;
            partlyTransparent += p.alpha() > 0.0f && p.alpha() < 1.0f;
            transparent += p.alpha() == 0.0f;
            dark += p.red() + p.green() + p.blue() < 0.1f;
        }
    EXPECT_GT(saturatedRed, 0);
    EXPECT_GT(overWhite, 2000);            // spots and one-pixel lines above full scale
    EXPECT_GT(partlyTransparent, 100000);
    EXPECT_GT(transparent, 10000);
    EXPECT_GT(dark, 100000);               // the night band the spots sit on
}

} // namespace
} // namespace quorvane
