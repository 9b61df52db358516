#pragma once
// Quadsoft driven through the simulated host: its entry point linked in, controls set by id,
// small synthetic frames, and the blur the effect should choose run directly on the same
// pixels as the reference.

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "hostsim/testing/NothingOutstanding.h"

#include "host/QuorvaneHost.h"
#include "host/RenderDescriptors.h"
#include "host/ae/AeInterface.h"
#include "host/ae/ControlChangeClock.h"
#include "hostsim/HostSimulation.h"
#include "image/AbberationBlurFilter.h"
#include "image/MaskedQuadsoftFilter.h"
#include "image/PixelArray.h"
#include "image/QuadsoftFilter.h"

extern "C" PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                 PF_ParamDef* params[], PF_LayerDef* output, void* extra);

namespace quorvane::quadsofttest {

using hostsim::FrameRequest;
using hostsim::HostConfig;
using hostsim::HostImage;
using hostsim::HostSimulation;
using hostsim::ImageView;
using hostsim::RenderPath;

// The stored ids of the eleven controls.
enum ControlId {
    kRadius = 1,
    kAspect,
    kGamma,
    kEdgeX,
    kEdgeY,
    kMode,
    kInvertX,
    kInvertY,
    kMapLayer,
    kMapChannel,
    kFocus,
};

// Values of every control but the map layer, as the user sets them.
struct Controls {
    double radius = 5;
    double aspect = 0;
    bool gamma = true;
    int edgeX = 1;
    int edgeY = 1;
    int mode = 1;
    bool invertX = false;
    bool invertY = false;
    int mapChannel = 1;
    double focus = 0;
};

inline double fullScale(int depth) { return depth == 8 ? 255.0 : depth == 16 ? 32768.0 : 1.0; }

// A tiny deterministic generator, so every run sees the same pictures.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed * 2654435761u + 1) {}
    std::uint32_t next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    // An integer 0 … n − 1.
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }

private:
    std::uint32_t state_;
};

// Straight colours spread over the whole range. Integer depths get whole units; float gets
// multiples of 1/1024. Unless opaque, an eighth of the pixels is transparent, three eighths
// opaque and the rest partly covered.
inline void fillNoise(HostImage& image, std::uint32_t seed, bool opaque)
{
    Noise noise(seed);
    const double max = fullScale(image.depth());
    auto level = [&]() {
        return image.depth() == 32 ? noise.below(1025) / 1024.0
                                   : static_cast<double>(noise.below(static_cast<int>(max) + 1));
    };
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            double alpha = max;
            if (!opaque) {
                const int kind = noise.below(8);
                alpha = kind == 0 ? 0.0 : kind < 4 ? max : level();
            }
            const double red = level();
            const double green = level();
            image.setPixel(x, y, alpha, red, green, level());
        }
    }
}

inline HostImage noiseImage(int width, int height, int depth, std::uint32_t seed, bool opaque,
                            int rowPadding = 0)
{
    HostImage image(width, height, depth, rowPadding);
    fillNoise(image, seed, opaque);
    return image;
}

// Every channel of every pixel equal, bit for bit.
inline ::testing::AssertionResult sameImage(const HostImage& actual, const HostImage& expected)
{
    if (actual.width() != expected.width() || actual.height() != expected.height())
        return ::testing::AssertionFailure() << "sizes differ";
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            for (int c = 0; c < 4; ++c)
                if (!(actual.channel(x, y, c) == expected.channel(x, y, c)))
                    return ::testing::AssertionFailure()
                           << "pixel (" << x << ", " << y << ") channel " << c << ": "
                           << actual.channel(x, y, c) << " instead of "
                           << expected.channel(x, y, c);
    return ::testing::AssertionSuccess();
}

// Largest difference of one channel over all pixels.
inline double channelDifference(const HostImage& a, const HostImage& b, int c, int x0, int y0,
                                int x1, int y1)
{
    double worst = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            worst = std::max(worst, std::fabs(a.channel(x, y, c) - b.channel(x, y, c)));
    return worst;
}

// The image descriptor the render entry would build for a host image at an origin.
inline ImageInfo describe(const ImageView& view, int originX = 0, int originY = 0)
{
    ImageInfo info;
    info.data = view.data;
    info.width = view.width;
    info.height = view.height;
    info.rowBytes = view.rowBytes;
    info.depth = view.depth;
    info.originX = originX;
    info.originY = originY;
    info.fullWidth = view.width;
    info.fullHeight = view.height;
    info.valid = view.data != nullptr;
    return info;
}

// Calls f.template operator()<Array>() with the pixel array type of the depth.
template <class F>
void withArrayOf(int depth, F&& f)
{
    switch (depth) {
    case 8: f.template operator()<Image8>(); break;
    case 16: f.template operator()<Image16>(); break;
    default: f.template operator()<ImageFloat>(); break;
    }
}

// The frame as the effect should blur it: radius and aspect mixed into two radii, focus on the
// 0 … 1 scale, the map laid centred on the source, and the blur chosen by mode and map. Runs
// on a plain host that never refuses.
inline void referenceBlur(const Controls& c, const HostImage& source, const HostImage* map,
                          HostImage& output, double pixelSizeX = 1, double pixelSizeY = 1)
{
    withArrayOf(source.depth(), [&]<class Array>() {
        QuorvaneHost host("", "", "", 1, 0, 0);
        const Array src(describe(source.view()));
        const Array dst(describe(output.view()));
        Array mapArray;
        if (map && map->view().hasPixels())
            mapArray = Array(describe(map->view(), (source.width() - map->width()) / 2,
                                      (source.height() - map->height()) / 2));
        const double t = (c.aspect + 1) * 0.5;
        const double rx = t * c.radius * 2;
        const double ry = (1 - t) * c.radius * 2;
        const double focus = c.focus * 0.00392156862745098;
        int result = 0;
        auto common = [&](auto& filter) {
            filter.source = src;
            filter.destination = dst;
            filter.radiusX = rx;
            filter.radiusY = ry;
            filter.pixelSizeX = pixelSizeX;
            filter.pixelSizeY = pixelSizeY;
            filter.edgeModeX = c.edgeX;
            filter.edgeModeY = c.edgeY;
            filter.gamma = c.gamma;
        };
        if (c.mode == 1 && mapArray.valid) {
            MaskedQuadsoftFilter<Array> filter(&host);
            common(filter);
            filter.map = mapArray;
            filter.focus = focus;
            filter.mapChannel = c.mapChannel;
            filter.mapOffsetX = src.originX - mapArray.originX;
            filter.mapOffsetY = src.originY - mapArray.originY;
            result = filter.run(0, 1);
        } else if (c.mode == 1) {
            QuadsoftFilter<Array, Array::pixel_type::isInteger ? 0 : 1> filter(&host);
            common(filter);
            result = filter.run(0, 1);
        } else {
            AbberationBlurFilter<Array> filter(&host);
            common(filter);
            filter.map = mapArray;
            filter.focus = focus;
            filter.mapChannel = c.mapChannel;
            filter.invertX = c.invertX;
            filter.invertY = c.invertY;
            result = filter.run(0, 1);
        }
        ASSERT_EQ(result, 0);
    });
}

class QuadsoftFixture : public ::testing::Test {
protected:
    static inline std::int64_t now = 0;
    static std::int64_t clock() { return now; }

    void SetUp() override
    {
        // Far from any control change an earlier test recorded.
        now += 1000000;
        setControlChangeClock(clock);
    }
    void TearDown() override { setControlChangeClock(nullptr); }

    // A simulation of the linked entry point after global, parameter and sequence set-up.
    static std::unique_ptr<HostSimulation> setUpHost(HostConfig config = {},
                                                     PF_EntryPointFunc entry = &EntryPointFunc)
    {
        auto sim = std::make_unique<HostSimulation>(entry, config);
        EXPECT_EQ(sim->setUp(), PF_Err_NONE);
        return sim;
    }

    static PF_ParamIndex indexOf(const HostSimulation& sim, ControlId id)
    {
        return sim.indexOfId(id);
    }

    static void apply(HostSimulation& sim, const Controls& c)
    {
        sim.setFloat(indexOf(sim, kRadius), c.radius);
        sim.setFloat(indexOf(sim, kAspect), c.aspect);
        sim.setInt(indexOf(sim, kGamma), c.gamma ? 1 : 0);
        sim.setInt(indexOf(sim, kEdgeX), c.edgeX);
        sim.setInt(indexOf(sim, kEdgeY), c.edgeY);
        sim.setInt(indexOf(sim, kMode), c.mode);
        sim.setInt(indexOf(sim, kInvertX), c.invertX ? 1 : 0);
        sim.setInt(indexOf(sim, kInvertY), c.invertY ? 1 : 0);
        sim.setInt(indexOf(sim, kMapChannel), c.mapChannel);
        sim.setFloat(indexOf(sim, kFocus), c.focus);
    }

    // One frame of `source` into `output`, with the map layer when given.
    static PF_Err render(HostSimulation& sim, RenderPath path, const HostImage& source,
                         HostImage& output, const HostImage* map = nullptr,
                         PF_RationalScale downsampleX = {1, 1},
                         PF_RationalScale downsampleY = {1, 1},
                         PF_RationalScale pixelAspect = {1, 1})
    {
        FrameRequest request;
        request.source = source.view();
        request.output = output.view();
        if (map)
            request.layers[indexOf(sim, kMapLayer)] = map->view();
        request.path = path;
        request.downsampleX = downsampleX;
        request.downsampleY = downsampleY;
        request.pixelAspect = pixelAspect;
        return sim.renderFrame(request);
    }

    static void expectNothingOutstanding(const HostSimulation& sim)
    {
        hostsim::expectNothingOutstanding(sim);
    }
};

// The render paths and depths a host offers: smart at 8, 16 and 32 bits, legacy at 8 and 16.
struct RenderSetup {
    int depth;
    RenderPath path;
};

inline const RenderSetup kSetups[] = {{8, RenderPath::Smart},
                                {16, RenderPath::Smart},
                                {32, RenderPath::Smart},
                                {8, RenderPath::Legacy},
                                {16, RenderPath::Legacy}};

inline std::string setupName(const RenderSetup& s)
{
    return std::string(s.path == RenderPath::Smart ? "Smart" : "Legacy") + std::to_string(s.depth);
}

inline void PrintTo(const RenderSetup& s, std::ostream* out) { *out << setupName(s); }

} // namespace quorvane::quadsofttest
