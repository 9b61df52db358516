#include <set>

#include <gtest/gtest.h>

#include "image/ClearImageFilter.h"
#include "image/tests/ImageTestSupport.h"

namespace quorvane {
namespace {

using testing::ProgressCall;
using testing::RecordingHost;
using testing::TestImage;

template <class Pixel>
class ClearFilter : public ::testing::Test {};

using WorkingPixels = ::testing::Types<PixelFloat255, PixelFloat32768, PixelFloat,
                                       PixelWeighted255, PixelWeighted32768, PixelWeightedFloat>;
TYPED_TEST_SUITE(ClearFilter, WorkingPixels);

TYPED_TEST(ClearFilter, ZeroesEveryChannelAndNoPadding)
{
    TestImage<PixelArray<TypeParam>> image(6, 4, true);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            for (float& channel : image.array().at(x, y).channels)
                channel = 7.5f;
    RecordingHost host(2);
    ClearImageFilter<PixelArray<TypeParam>> filter(&host);
    filter.destination = image.array();
    ASSERT_EQ(filter.run(1, 2), 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            for (int c = 0; c < TypeParam::channelCount; ++c)
                EXPECT_EQ(image.at(x, y).channels[c], 0.0f) << x << "," << y << " channel " << c;
    EXPECT_TRUE(image.paddingIntact());

    std::multiset<int> done;
    for (const ProgressCall& call : host.progressCalls()) {
        done.insert(call.done);
        EXPECT_EQ(call.total, 8);
    }
    EXPECT_EQ(done, (std::multiset<int>{4, 5, 6, 7}));
}

TEST(ClearFilterRun, WithoutPixelsDoesNothing)
{
    RecordingHost host;
    ClearImageFilter<ImageWeighted255> filter(&host);
    filter.destination.height = 3;
    EXPECT_EQ(filter.run(0, 1), 0);
    EXPECT_TRUE(host.progressCalls().empty());
}

} // namespace
} // namespace quorvane
