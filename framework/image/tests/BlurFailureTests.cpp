// Out of memory, refused progress and the progress count of each blur at each depth; the plain
// blur's result whatever order and threads its parallel steps run on.

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "image/AbberationBlurFilter.h"
#include "image/MaskedQuadsoftFilter.h"
#include "image/QuadsoftFilter.h"
#include "image/tests/BlurTestSupport.h"
#include "threads/ThreadPool.h"

namespace quorvane {
namespace {

using test::CountingHost;
using test::TestImage;
using Reports = std::vector<std::pair<int, int>>;

constexpr int kPass = 1;
constexpr int kPassCount = 3;

// Each blur with fixed settings and the progress it must report for them.
template <class Array>
struct Plain {
    static int run(CountingHost& host, const TestImage<Array>& source, TestImage<Array>& destination,
                   const TestImage<Array>&)
    {
        QuadsoftFilter<Array, Array::pixel_type::isInteger ? 0 : 1> filter(&host);
        filter.source = source.array();
        filter.destination = destination.array();
        filter.radiusX = 2.5;
        filter.radiusY = 1.5;   // Ry = 2.5: set-up rows −1 … 1
        filter.gamma = true;
        return filter.run(kPass, kPassCount);
    }
    static Reports progress(int, int h)
    {
        Reports r;
        for (int y = -1; y <= 1; ++y)
            r.push_back({2 * h * kPass + y, 2 * h * kPassCount});
        for (int y = 0; y < h; ++y)
            r.push_back({(2 * kPass + 1) * h + y, 2 * h * kPassCount});
        return r;
    }
};

template <class Array>
struct Masked {
    static int run(CountingHost& host, const TestImage<Array>& source, TestImage<Array>& destination,
                   const TestImage<Array>& map)
    {
        MaskedQuadsoftFilter<Array> filter(&host);
        filter.source = source.array();
        filter.destination = destination.array();
        filter.map = map.array();
        filter.radiusX = 3;
        filter.radiusY = 2;
        filter.focus = 0.2;
        filter.gamma = true;
        return filter.run(kPass, kPassCount);
    }
    static Reports progress(int, int h)
    {
        Reports r;
        for (int y = 0; y < h; ++y)
            r.push_back({2 * h * kPass + y, 2 * h * kPassCount});
        for (int y = 0; y < h; ++y)
            r.push_back({(2 * kPass + 1) * h + y, 2 * h * kPassCount});
        return r;
    }
};

template <class Array>
struct Aberrated {
    static int run(CountingHost& host, const TestImage<Array>& source, TestImage<Array>& destination,
                   const TestImage<Array>& map)
    {
        AbberationBlurFilter<Array> filter(&host);
        filter.source = source.array();
        filter.destination = destination.array();
        filter.map = map.array();
        filter.radiusX = 4;
        filter.radiusY = 3;
        filter.focus = 0.2;
        filter.gamma = true;
        return filter.run(kPass, kPassCount);
    }
    static Reports progress(int w, int h)
    {
        Reports r;
        for (int y = 0; y < h; ++y)
            r.push_back({h * kPass + y, h * (kPassCount + 1)});
        for (int x = 0; x < w; ++x)
            r.push_back({(kPass + 1) * w + x, (kPassCount + 1) * w});
        return r;
    }
};

template <class Case>
class BlurFailure : public ::testing::Test {};

using Cases = ::testing::Types<Plain<Image8>, Plain<Image16>, Plain<ImageFloat>, Masked<Image8>, Masked<Image16>,
                               Masked<ImageFloat>, Aberrated<Image8>, Aberrated<Image16>, Aberrated<ImageFloat>>;
TYPED_TEST_SUITE(BlurFailure, Cases);

template <class Case>
struct Images;
template <template <class> class Filter, class Array>
struct Images<Filter<Array>> {
    static constexpr int W = 11, H = 7;
    TestImage<Array> source{W, H}, map{W, H}, destination{W, H};
    Images()
    {
        std::mt19937 random(9);
        source.randomise(random);
        map.randomise(random);
    }
};

TYPED_TEST(BlurFailure, ProgressIsCountedAsDocumented)
{
    Images<TypeParam> images;
    CountingHost host;
    ASSERT_EQ(TypeParam::run(host, images.source, images.destination, images.map), 0);
    EXPECT_EQ(host.reports, TypeParam::progress(images.W, images.H));
    for (int thread : host.threads)
        EXPECT_EQ(thread, 0);
    EXPECT_EQ(host.live, 0);
    EXPECT_TRUE(images.destination.paddingIntact());
}

TYPED_TEST(BlurFailure, EveryFailedAllocationLeavesTheDestinationUntouched)
{
    Images<TypeParam> images;
    CountingHost counting;
    ASSERT_EQ(TypeParam::run(counting, images.source, images.destination, images.map), 0);
    ASSERT_GT(counting.allocations, 0);
    for (int k = 1; k <= counting.allocations; ++k) {
        Images<TypeParam> fresh;
        const std::vector<std::uint8_t> before = fresh.destination.bytes();
        CountingHost host;
        host.failAllocation = k;
        EXPECT_EQ(TypeParam::run(host, fresh.source, fresh.destination, fresh.map), host.outOfMemoryError()) << k;
        EXPECT_EQ(fresh.destination.bytes(), before) << k;
        EXPECT_EQ(host.live, 0) << k;
        EXPECT_TRUE(host.reports.empty()) << k;
    }
}

TYPED_TEST(BlurFailure, RefusedProgressStopsAtOnceAndReturnsTheRefusal)
{
    Images<TypeParam> images;
    const int reports = static_cast<int>(TypeParam::progress(images.W, images.H).size());
    for (int k : {1, 2, reports / 2, reports - 1, reports}) {
        Images<TypeParam> fresh;
        CountingHost host;
        host.refuseProgress = k;
        EXPECT_EQ(TypeParam::run(host, fresh.source, fresh.destination, fresh.map), CountingHost::kRefused) << k;
        EXPECT_EQ(static_cast<int>(host.reports.size()), k);
        EXPECT_EQ(host.live, 0);
    }
}

// A set-up window taller than the image reports only the set-up rows within one image height of
// row 0, so a huge radius does not mean millions of reports.
TEST(QuadsoftFilterProgress, SetUpOfAHugeWindowReportsAtMostTwiceTheHeight)
{
    TestImage<Image8> source(3, 5), destination(3, 5);
    CountingHost host;
    QuadsoftFilter<Image8> filter(&host);
    filter.source = source.array();
    filter.destination = destination.array();
    filter.radiusX = filter.radiusY = 1e9;
    ASSERT_EQ(filter.run(0, 1), 0);
    Reports expected;
    for (int y = -4; y <= 4; ++y)
        expected.push_back({y, 10});
    for (int y = 0; y < 5; ++y)
        expected.push_back({5 + y, 10});
    EXPECT_EQ(host.reports, expected);
}

// Runs every parallel loop on the calling thread, its indices in reverse order.
class ReversingHost : public CountingHost {
public:
    int iterate(int iterations, IterationObject* object, IterationCallback callback) override
    {
        for (int i = iterations - 1; i >= 0; --i) {
            const int result = (object->*callback)(i, iterations, 0);
            if (result != noError())
                return result;
        }
        return noError();
    }
};

template <class Array>
void expectSameOnEveryThreading(double rx, double ry, int mode)
{
    std::mt19937 random(13);
    TestImage<Array> source(700, 41);   // three strips, three chunks of rows
    source.randomise(random);
    TestImage<Array> pooled(700, 41), reversed(700, 41);
    CountingHost poolHost;
    ReversingHost reversingHost;
    for (auto [host, destination] : {std::pair<CountingHost*, TestImage<Array>*>{&poolHost, &pooled},
                                     std::pair<CountingHost*, TestImage<Array>*>{&reversingHost, &reversed}}) {
        QuadsoftFilter<Array, Array::pixel_type::isInteger ? 0 : 1> filter(host);
        filter.source = source.array();
        filter.destination = destination->array();
        filter.radiusX = rx;
        filter.radiusY = ry;
        filter.edgeModeX = filter.edgeModeY = mode;
        filter.gamma = true;
        ASSERT_EQ(filter.run(0, 1), 0);
        EXPECT_EQ(host->live, 0);
    }
    EXPECT_EQ(pooled.bytes(), reversed.bytes()) << rx << " " << ry << " mode " << mode;
}

TEST(QuadsoftFilterThreads, SameResultInAnyOrderOnAnyThreads)
{
    for (int mode : {EdgeClamp, EdgeMirror, EdgeWrap}) {
        expectSameOnEveryThreading<Image8>(3.25, 7.5, mode);
        expectSameOnEveryThreading<Image16>(0.5, 30, mode);
        expectSameOnEveryThreading<ImageFloat>(400, 2.75, mode);
    }
}

// The masked and the aberrated blur: lines in any order, on any threads, give the same bytes.
template <class Array, template <class> class Case>
void expectLinesIndependentOfThreading()
{
    std::mt19937 random(29);
    TestImage<Array> source(90, 37), map(90, 37);
    source.randomise(random);
    map.randomise(random);
    TestImage<Array> pooled(90, 37), reversed(90, 37);
    CountingHost poolHost;
    ReversingHost reversingHost;
    ASSERT_EQ(Case<Array>::run(poolHost, source, pooled, map), 0);
    ASSERT_EQ(Case<Array>::run(reversingHost, source, reversed, map), 0);
    EXPECT_EQ(pooled.bytes(), reversed.bytes());
}

TEST(BlurThreads, MaskedAndAberratedLinesInAnyOrderOnAnyThreads)
{
    expectLinesIndependentOfThreading<Image8, Masked>();
    expectLinesIndependentOfThreading<ImageFloat, Masked>();
    expectLinesIndependentOfThreading<Image16, Aberrated>();
    expectLinesIndependentOfThreading<ImageFloat, Aberrated>();
}

// Only the area source and destination share is written.
TEST(BlurShapes, DestinationLargerThanTheSourceKeepsItsOwnPixelsOutsideTheSource)
{
    TestImage<Image8> source(4, 3);
    source.fill(255, 10, 20, 30);
    TestImage<Image8> map(4, 3);
    CountingHost host;
    for (int filterKind = 0; filterKind < 3; ++filterKind) {
        TestImage<Image8> destination(6, 5);
        destination.fill(7, 7, 7, 7);
        int result = 0;
        if (filterKind == 0) {
            QuadsoftFilter<Image8> f(&host);
            f.source = source.array();
            f.destination = destination.array();
            f.radiusX = f.radiusY = 2;
            result = f.run(0, 1);
        } else if (filterKind == 1) {
            MaskedQuadsoftFilter<Image8> f(&host);
            f.source = source.array();
            f.destination = destination.array();
            f.map = map.array();
            f.radiusX = f.radiusY = 2;
            f.focus = 1;
            result = f.run(0, 1);
        } else {
            AbberationBlurFilter<Image8> f(&host);
            f.source = source.array();
            f.destination = destination.array();
            f.radiusX = f.radiusY = 3;
            result = f.run(0, 1);
        }
        ASSERT_EQ(result, 0);
        EXPECT_NEAR(destination.at(3, 2).red(), 10, 1) << filterKind;
        EXPECT_EQ(destination.at(4, 2).red(), 7) << filterKind;
        EXPECT_EQ(destination.at(0, 3).alpha(), 7) << filterKind;
        EXPECT_EQ(host.live, 0);
    }
}

} // namespace
} // namespace quorvane
