// Quadsoft frames through the simulated host, smart and legacy, at every depth: the blur the
// controls choose, checked against that blur run directly on the same pixels, and the
// pictures' own properties (sharp where the map equals the focus, one axis only at the aspect
// limits, half resolution, radius 0, uniform images, a direct box mean).

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "QuadsoftTestSupport.h"
#include "image/EdgeMode.h"

namespace quorvane::quadsofttest {
namespace {

// The map layer of a case: none, or a noise picture of its own size.
struct MapLayer {
    int width = 0;
    int height = 0;
    bool opaque = false;
};

struct RenderCase {
    const char* name;
    std::optional<Controls> controls = std::nullopt;   // none: the registered defaults
    int width = 13;
    int height = 9;
    MapLayer map = {};
    PF_RationalScale downsampleX{1, 1};
    PF_RationalScale downsampleY{1, 1};
    PF_RationalScale pixelAspect{1, 1};
    int rowPadding = 0;                 // bytes after each row of every image
};

Controls with(void (*change)(Controls&))
{
    Controls c;
    change(c);
    return c;
}

Controls maskedControls()
{
    return with([](Controls& c) {
        c.radius = 4;
        c.aspect = 0.2;
        c.edgeX = 2;
        c.edgeY = 3;
        c.focus = 100;
    });
}

const RenderCase kCases[] = {
    {.name = "Defaults"},
    {.name = "PlainMirrorWrap", .controls = with([](Controls& c) {
         c.radius = 3.5;
         c.aspect = 0.3;
         c.edgeX = 2;
         c.edgeY = 3;
     })},
    {.name = "PlainGammaOffClampMirror", .controls = with([](Controls& c) {
         c.radius = 2.25;
         c.aspect = -0.6;
         c.gamma = false;
         c.edgeY = 2;
     })},
    // A map set in the normal mode: the radii vary with its channel. Cleared, the same
    // controls give the plain blur.
    {.name = "MaskedSmallerMap", .controls = maskedControls(), .map = {6, 5}},
    {.name = "MapCleared", .controls = maskedControls()},
    {.name = "MaskedLargerMapRed", .controls = with([](Controls& c) {
         c.radius = 6.5;
         c.aspect = -0.3;
         c.gamma = false;
         c.edgeX = 3;
         c.mapChannel = 3;
         c.focus = 30;
     }), .map = {17, 12}},
    {.name = "MaskedFocusBelowTheMapBlue", .controls = with([](Controls& c) {
         c.radius = 1.5;
         c.mapChannel = 5;
         c.focus = -500;
     }), .map = {9, 9}},
    {.name = "AberratedWithoutMap", .controls = with([](Controls& c) {
         c.radius = 4;
         c.aspect = -0.4;
         c.mode = 2;
         c.invertX = true;
         c.edgeX = 2;
         c.focus = 50;
     })},
    {.name = "AberratedSmallerMapGreen", .controls = with([](Controls& c) {
         c.radius = 5;
         c.aspect = 0.5;
         c.mode = 2;
         c.invertY = true;
         c.edgeX = 3;
         c.edgeY = 2;
         c.mapChannel = 4;
         c.focus = 200;
     }), .map = {6, 5}},
    {.name = "AberratedLargerMapAlpha", .controls = with([](Controls& c) {
         c.radius = 3;
         c.mode = 2;
         c.gamma = false;
         c.invertX = true;
         c.invertY = true;
         c.mapChannel = 2;
     }), .map = {17, 12}},
    // Radii far larger than the image.
    {.name = "HugePlainWrap", .controls = with([](Controls& c) {
         c.radius = 1e6;
         c.edgeX = 3;
         c.edgeY = 3;
     })},
    {.name = "HugeMaskedMirror", .controls = with([](Controls& c) {
         c.radius = 5e4;
         c.aspect = 0.1;
         c.edgeX = 2;
         c.edgeY = 2;
         c.focus = 20;
     }), .map = {6, 5}},
    {.name = "HugeAberratedClamp", .controls = with([](Controls& c) {
         c.radius = 1e9;
         c.mode = 2;
     }), .map = {6, 5}},
    // Half resolution and non-square pixels: the pixel sizes reach the blur.
    {.name = "HalfResolutionMasked", .controls = with([](Controls& c) { c.radius = 6; }),
     .width = 12, .height = 8, .map = {6, 4}, .downsampleX = {1, 2}, .downsampleY = {1, 2}},
    {.name = "NonSquareHalfWidthAberrated", .controls = with([](Controls& c) {
         c.radius = 4.5;
         c.mode = 2;
     }), .width = 12, .height = 8, .map = {5, 5}, .downsampleX = {1, 2}, .pixelAspect = {10, 11}},
    {.name = "NonSquarePlain", .controls = with([](Controls& c) { c.radius = 3; }), .width = 12,
     .height = 8, .pixelAspect = {2, 1}},
    // Padded rows on every image.
    {.name = "PaddedMasked", .controls = with([](Controls& c) {
         c.radius = 2.5;
         c.focus = 60;
     }), .width = 11, .height = 7, .map = {5, 4}, .rowPadding = 16},
    {.name = "PaddedAberrated", .controls = with([](Controls& c) {
         c.radius = 2.5;
         c.mode = 2;
     }), .width = 11, .height = 7, .map = {5, 4}, .rowPadding = 16},
    // One pixel, one row, one column.
    {.name = "OnePixelPlain", .controls = with([](Controls& c) { c.radius = 7; }), .width = 1,
     .height = 1},
    {.name = "OnePixelMasked", .controls = with([](Controls& c) { c.focus = 128; }), .width = 1,
     .height = 1, .map = {1, 1}},
    {.name = "OneRowAberrated", .controls = with([](Controls& c) {
         c.radius = 40;
         c.mode = 2;
         c.edgeX = 2;
     }), .width = 9, .height = 1, .map = {3, 1}},
    {.name = "OneColumnMaskedWrap", .controls = with([](Controls& c) {
         c.radius = 300;
         c.edgeY = 3;
     }), .width = 1, .height = 7, .map = {1, 3}},
    {.name = "OneColumnPlainMirror", .controls = with([](Controls& c) {
         c.radius = 2.5;
         c.edgeX = 2;
         c.edgeY = 2;
     }), .width = 1, .height = 7},
};

double scaleOf(const PF_RationalScale& s) { return static_cast<double>(s.num) / s.den; }

// Single precision through memory, out of the optimiser's reach.
double singlePrecision(double value)
{
    const volatile float rounded = static_cast<float>(value);
    return rounded;
}

class QuadsoftFrames : public QuadsoftFixture, public ::testing::WithParamInterface<RenderSetup> {
protected:
    void renderCase(const RenderCase& c)
    {
        const int depth = GetParam().depth;
        auto sim = setUpHost();
        if (c.controls)
            apply(*sim, *c.controls);
        const HostImage source = noiseImage(c.width, c.height, depth, 11, false, c.rowPadding);
        std::optional<HostImage> map;
        if (c.map.width > 0)
            map = noiseImage(c.map.width, c.map.height, depth, 23, c.map.opaque, c.rowPadding);
        HostImage output(c.width, c.height, depth, c.rowPadding);
        HostImage expected(c.width, c.height, depth, c.rowPadding);
        // Bytes beyond each row must stay as they were.
        const auto padding = static_cast<unsigned char>(0xA5);
        for (int y = 0; y < c.height; ++y)
            std::memset(output.view().pixelAddress(c.width, y), padding,
                        static_cast<std::size_t>(c.rowPadding));

        ASSERT_EQ(render(*sim, GetParam().path, source, output, map ? &*map : nullptr,
                         c.downsampleX, c.downsampleY, c.pixelAspect),
                  PF_Err_NONE);

        const double pixelSizeX = singlePrecision(scaleOf(c.pixelAspect) / scaleOf(c.downsampleX));
        const double pixelSizeY = singlePrecision(1 / scaleOf(c.downsampleY));
        referenceBlur(c.controls.value_or(Controls{}), source, map ? &*map : nullptr, expected,
                      pixelSizeX, pixelSizeY);
        EXPECT_TRUE(sameImage(output, expected));
        for (int y = 0; y < c.height; ++y) {
            const auto* bytes =
                static_cast<const unsigned char*>(output.view().pixelAddress(c.width, y));
            for (int i = 0; i < c.rowPadding; ++i)
                ASSERT_EQ(bytes[i], padding) << "row " << y;
        }
        expectNothingOutstanding(*sim);
    }
};

// The plug-in's picture is the one the chosen blur gives on the same pixels, bit for bit.
TEST_P(QuadsoftFrames, RenderAsTheChosenBlur)
{
    for (const RenderCase& c : kCases) {
        SCOPED_TRACE(c.name);
        renderCase(c);
    }
}

INSTANTIATE_TEST_SUITE_P(Setups, QuadsoftFrames, ::testing::ValuesIn(kSetups),
                         [](const ::testing::TestParamInfo<RenderSetup>& info) {
                             return setupName(info.param);
                         });

class QuadsoftPictures : public QuadsoftFixture, public ::testing::WithParamInterface<RenderSetup> {
protected:
    int depth() const { return GetParam().depth; }
    RenderPath path() const { return GetParam().path; }

    // Round trips through linear light and premultiplication cost at most this many units.
    // The 16-bit tables hold one entry per unit, and near black the encoding curve rises 4.5
    // units per entry: a unit lost on the way in and one on the way out come back as up to
    // about 6.5.
    double roundTripTolerance() const
    {
        return depth() == 8 ? 1.0 : depth() == 16 ? 7.0 : 1e-5;
    }

    HostImage frame(const Controls& c, const HostImage& source, const HostImage* map = nullptr,
                    PF_RationalScale downsample = {1, 1})
    {
        auto sim = setUpHost();
        apply(*sim, c);
        HostImage output(source.width(), source.height(), depth());
        EXPECT_EQ(render(*sim, path(), source, output, map, downsample, downsample), PF_Err_NONE);
        expectNothingOutstanding(*sim);
        return output;
    }

    // Opaque black with one opaque white pixel.
    HostImage spot(int width, int height, int x, int y) const
    {
        HostImage image(width, height, depth());
        const double max = fullScale(depth());
        image.fill(max, 0, 0, 0);
        image.setPixel(x, y, max, max, max, max);
        return image;
    }
};

// The plain blur with gamma off is the box mean of the premultiplied samples: weight 1 up to
// two pixels away, ½ at three (radius 2.5), clamped at the left and right borders and mirrored
// at the top and bottom.
TEST_P(QuadsoftPictures, PlainBlurIsTheBoxMean)
{
    const HostImage source = noiseImage(11, 8, depth(), 5, true);
    Controls c;
    c.radius = 2.5;
    c.gamma = false;
    c.edgeY = 2;
    const HostImage output = frame(c, source);

    auto weight = [](int d) { return std::abs(d) <= 2 ? 1.0 : std::abs(d) == 3 ? 0.5 : 0.0; };
    // Integer depths store the mean truncated, after identity tables that may lose a little
    // below a unit at 8 bits and up to a unit each way at 16 bits.
    const bool integer = depth() != 32;
    const double tolerance = depth() == 8 ? 1.0 : depth() == 16 ? 2.0 : 1e-5;
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            double sum[4] = {0, 0, 0, 0};
            double total = 0;
            for (int dy = -3; dy <= 3; ++dy) {
                for (int dx = -3; dx <= 3; ++dx) {
                    int sx = x + dx;
                    int sy = y + dy;
                    resolveEdgeIndex(EdgeClamp, source.width(), sx);
                    resolveEdgeIndex(EdgeMirror, source.height(), sy);
                    const double w = weight(dx) * weight(dy);
                    for (int ch = 0; ch < 4; ++ch)
                        sum[ch] += w * source.channel(sx, sy, ch);
                    total += w;
                }
            }
            for (int ch = 0; ch < 4; ++ch) {
                const double mean = sum[ch] / total;
                EXPECT_NEAR(output.channel(x, y, ch), integer ? std::floor(mean) : mean, tolerance)
                    << "pixel (" << x << ", " << y << ") channel " << ch;
            }
        }
    }
}

// Radius 0 gives every pixel back in each of the three blurs, semi-transparent ones too (the
// aberrated blur averages premultiplied encoded values, so it is checked on opaque pixels).
TEST_P(QuadsoftPictures, RadiusZeroGivesThePictureBack)
{
    const HostImage covered = noiseImage(9, 6, depth(), 3, false);
    const HostImage opaque = noiseImage(9, 6, depth(), 4, true);
    const HostImage map = noiseImage(5, 4, depth(), 8, false);
    struct Run {
        const char* name;
        int mode;
        const HostImage* source;
        const HostImage* map;
    };
    const Run runs[] = {{"plain", 1, &covered, nullptr},
                        {"masked", 1, &covered, &map},
                        {"aberrated", 2, &opaque, &map}};
    for (const Run& run : runs) {
        SCOPED_TRACE(run.name);
        Controls c;
        c.radius = 0;
        c.aspect = 0.7;
        c.mode = run.mode;
        c.focus = 90;
        const HostImage output = frame(c, *run.source, run.map);
        for (int y = 0; y < output.height(); ++y) {
            for (int x = 0; x < output.width(); ++x) {
                const double alpha = run.source->channel(x, y, 0);
                ASSERT_EQ(output.channel(x, y, 0), alpha) << x << ", " << y;
                if (alpha == 0)
                    continue;
                for (int ch = 1; ch < 4; ++ch)
                    ASSERT_NEAR(output.channel(x, y, ch), run.source->channel(x, y, ch),
                                roundTripTolerance())
                        << "pixel (" << x << ", " << y << ") channel " << ch;
            }
        }
    }
}

// A map whose alpha equals the focus (255) leaves exactly the area it covers sharp, in both
// blurs that read a map; around it the full radius applies. The 6 × 5 map is centred on the
// 13 × 9 source: it covers columns 3 … 8 and rows 2 … 6.
TEST_P(QuadsoftPictures, TheMapIsLaidCentredOnTheSource)
{
    const HostImage source = noiseImage(13, 9, depth(), 17, true);
    HostImage map(6, 5, depth());
    map.fill(fullScale(depth()), 0, 0, 0);
    const int left = 3, top = 2, right = 9, bottom = 7;
    for (int mode : {1, 2}) {
        SCOPED_TRACE(mode == 1 ? "masked" : "aberrated");
        Controls c;
        c.radius = 3;
        c.mode = mode;
        c.mapChannel = 2;
        c.focus = 255;
        const HostImage output = frame(c, source, &map);
        for (int ch = 0; ch < 4; ++ch)
            EXPECT_LE(channelDifference(output, source, ch, left, top, right, bottom),
                      roundTripTolerance())
                << "channel " << ch;
        // The lines just outside are blurred.
        const double blurred = 3 * roundTripTolerance();
        EXPECT_GT(channelDifference(output, source, 1, left - 1, top, left, bottom), blurred);
        EXPECT_GT(channelDifference(output, source, 1, right, top, right + 1, bottom), blurred);
        EXPECT_GT(channelDifference(output, source, 1, left, top - 1, right, top), blurred);
        EXPECT_GT(channelDifference(output, source, 1, left, bottom, right, bottom + 1), blurred);
    }
}

// Aspect 1 blurs along rows only, aspect −1 along columns only, in the plain and the
// aberrated blur: a white spot spreads over its own row or column and nowhere else. The plain
// blur's radius 2 at aspect ±1 is 4 pixels each way, so 9 pixels light up.
TEST_P(QuadsoftPictures, AspectLimitsBlurOneAxisOnly)
{
    const HostImage source = spot(13, 11, 6, 5);
    for (int mode : {1, 2}) {
        for (double aspect : {1.0, -1.0}) {
            SCOPED_TRACE(::testing::Message() << "mode " << mode << ", aspect " << aspect);
            Controls c;
            c.radius = 2;
            c.aspect = aspect;
            c.gamma = false;
            c.mode = mode;
            const HostImage output = frame(c, source);
            int lit = 0;
            for (int y = 0; y < output.height(); ++y) {
                for (int x = 0; x < output.width(); ++x) {
                    const bool onAxis = aspect > 0 ? y == 5 : x == 6;
                    const double light = output.channel(x, y, 1) + output.channel(x, y, 2) +
                                         output.channel(x, y, 3);
                    if (!onAxis)
                        ASSERT_EQ(light, 0) << x << ", " << y;
                    else if (light > 0)
                        ++lit;
                }
            }
            if (mode == 1)
                EXPECT_EQ(lit, 9);
            else
                EXPECT_GT(lit, 1);
        }
    }
}

// At half resolution one rendered pixel is two full-resolution pixels: a radius of 6 there
// blurs as a radius of 3 does at full resolution, in each blur, maps included.
TEST_P(QuadsoftPictures, HalfResolutionBlursHalfAsManyPixels)
{
    const HostImage source = noiseImage(12, 8, depth(), 29, false);
    const HostImage map = noiseImage(7, 5, depth(), 31, false);
    struct Run {
        const char* name;
        int mode;
        const HostImage* map;
    };
    const Run runs[] = {{"plain", 1, nullptr}, {"masked", 1, &map}, {"aberrated", 2, &map}};
    for (const Run& run : runs) {
        SCOPED_TRACE(run.name);
        Controls c;
        c.mode = run.mode;
        c.aspect = 0.25;
        c.focus = 70;
        c.radius = 6;
        const HostImage half = frame(c, source, run.map, {1, 2});
        c.radius = 3;
        const HostImage full = frame(c, source, run.map);
        EXPECT_TRUE(sameImage(half, full));
    }
}

// A uniform opaque picture stays uniform under every blur and edge mode, however large the
// radius, also one pixel wide or high.
TEST_P(QuadsoftPictures, UniformPicturesStayUniform)
{
    const double max = fullScale(depth());
    const int sizes[][2] = {{1, 1}, {1, 6}, {7, 1}, {6, 5}};
    for (const auto& size : sizes) {
        HostImage source(size[0], size[1], depth());
        source.fill(max, 0.75 * max, 0.25 * max, 0.5 * max);
        HostImage map(3, 2, depth());
        map.fill(max, max, max, max);
        for (int mode : {1, 2}) {
            for (int edge : {1, 2, 3}) {
                SCOPED_TRACE(::testing::Message() << size[0] << " x " << size[1] << ", mode "
                                                  << mode << ", edge " << edge);
                Controls c;
                c.radius = 1e5;
                c.aspect = -0.2;
                c.mode = mode;
                c.edgeX = edge;
                c.edgeY = edge;
                const HostImage output = frame(c, source, &map);
                for (int y = 0; y < output.height(); ++y)
                    for (int x = 0; x < output.width(); ++x)
                        for (int ch = 0; ch < 4; ++ch)
                            ASSERT_NEAR(output.channel(x, y, ch), source.channel(0, 0, ch),
                                        roundTripTolerance())
                                << x << ", " << y << " channel " << ch;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Setups, QuadsoftPictures, ::testing::ValuesIn(kSetups),
                         [](const ::testing::TestParamInfo<RenderSetup>& info) {
                             return setupName(info.param);
                         });

class QuadsoftPaths : public QuadsoftFixture, public ::testing::WithParamInterface<int> {};

// The legacy render and the smart render give the same picture, maps centred alike.
TEST_P(QuadsoftPaths, SmartAndLegacyGiveTheSamePicture)
{
    const int depth = GetParam();
    const HostImage source = noiseImage(13, 9, depth, 41, false);
    const HostImage smaller = noiseImage(6, 5, depth, 43, false);
    const HostImage larger = noiseImage(16, 12, depth, 47, false);
    struct Run {
        int mode;
        const HostImage* map;
    };
    for (const Run& run : {Run{1, nullptr}, Run{1, &smaller}, Run{1, &larger}, Run{2, &smaller},
                           Run{2, &larger}}) {
        SCOPED_TRACE(::testing::Message() << "mode " << run.mode << ", map "
                                          << (run.map ? run.map->width() : 0));
        Controls c;
        c.radius = 3.25;
        c.mode = run.mode;
        c.focus = 120;
        c.mapChannel = 3;
        HostImage outputs[2] = {HostImage(13, 9, depth), HostImage(13, 9, depth)};
        const RenderPath paths[2] = {RenderPath::Smart, RenderPath::Legacy};
        for (int i = 0; i < 2; ++i) {
            auto sim = setUpHost();
            apply(*sim, c);
            ASSERT_EQ(render(*sim, paths[i], source, outputs[i], run.map), PF_Err_NONE);
        }
        EXPECT_TRUE(sameImage(outputs[1], outputs[0]));
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, QuadsoftPaths, ::testing::Values(8, 16));

} // namespace
} // namespace quorvane::quadsofttest
