// The command on a real plug-in, Quadsoft: its controls as the command lists them, and the
// host options that must not change the picture (threads, render path, application) next to
// those that must (controls, map layer, downsampling, pixel aspect). Also the demo command.

#include <filesystem>
#include <gtest/gtest.h>

#include "CommandTestSupport.h"
#include "ImageFile.h"
#include "TestDirectory.h"

namespace quorvane {
namespace {

using testing::CommandResult;
using testing::describe;

class QuadsoftCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::string(QUADSOFT_PLUGIN).empty())
            GTEST_SKIP() << "the quadsoft plug-in is not built";
    }

    CommandResult run(const std::vector<std::string>& arguments)
    {
        testing::RunOptions options;
        options.directory = dir.path();
        return testing::runQuorvane(arguments, options);
    }

    // Renders the piece of the sample frame at `depth` into `output` with the options given.
    void render(const std::string& output, int depth, std::vector<std::string> options)
    {
        const std::string input = "piece" + std::to_string(depth) + (depth == 32 ? ".tif" : ".png");
        if (!std::filesystem::exists(dir.file(input)))
            writeImage(dir.file(input), testing::samplePiece(192, 108, depth));
        std::vector<std::string> arguments = {"render", "quadsoft", "-q", "-i", input, "-o", output};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const CommandResult result = run(arguments);
        ASSERT_EQ(result.status, 0) << describe(result);
    }

    ImageBuffer image(const std::string& name) { return readImage(dir.file(name)); }

    testing::TestDirectory dir;
};

TEST_F(QuadsoftCommand, ListsEveryControlWithItsUtf8Texts)
{
    const CommandResult result = run({"controls", "QuadSoft"});
    ASSERT_EQ(result.status, 0) << describe(result);
    const char* rows[] = {
        "1   radius            1      float     半径         半径         5        0 to 100  0 to inf       3",
        "2   aspect            2      float     长宽         长宽         0        -1 to 1   -1 to 1        3",
        "3   gamma_correction  3      checkbox  伽马校正     伽马校正     1 (on)   -         0 or 1",
        "4   edge_x            4      popup     外部 x 采取  外部 x 采取  1        -         1 to 3         -          1 边框颜色, 2 镜像的图像, 3 重复的图像",
        "5   edge_y            5      popup     外部 y 采取",
        "6   mode              6      popup     模式         模式         1        -         1 to 2         -          1 正常, 2 扩展",
        "7   invert_x          7      checkbox  反相渐变 x   反相渐变 x   0 (off)",
        "8   invert_y          8      checkbox  反相渐变 y",
        "9   map_layer         9      layer     偏移的图层   偏移的图层   none",
        "10  map_channel       10     popup     偏移的通道   偏移的通道   1        -         1 to 5         -          1 亮度, 2 alpha 通道, 3 红色通道, 4 绿色通道, 5 蓝色通道",
        "11  focus             11     float     聚焦         聚焦         0        0 to 255  -9999 to 9999  3",
    };
    for (const char* row : rows)
        EXPECT_NE(result.out.find(row), std::string::npos) << row << "\n" << result.out;
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 12);

    const CommandResult json = run({"controls", "quadsoft", "--json"});
    ASSERT_EQ(json.status, 0);
    EXPECT_NE(json.out.find("{\"id\": 1, \"name\": \"radius\", \"index\": 1, \"kind\": \"float\", \"label\": \"半径\", "
                            "\"key\": \"半径\", \"default\": 5, \"slider\": [0, 100], \"valid\": [0, null], "
                            "\"precision\": 3, \"items\": null}"),
              std::string::npos) << json.out;

    const CommandResult list = run({"list"});
    EXPECT_NE(list.out.find("quadsoft  QV Quadsoft  KWQV Quadsoft  1.2.7  "), std::string::npos) << list.out;
    const CommandResult about = run({"about", "quadsoft"});
    EXPECT_EQ(about.out.substr(0, 20), "QV Quadsoft  v1.2.7\n");
}

TEST_F(QuadsoftCommand, HostOptionsThatMustNotChangeThePicture)
{
    for (int depth : {8, 16}) {
        const std::string d = std::to_string(depth);
        const std::string ext = depth == 8 ? ".png" : ".tif";
        const std::vector<std::string> controls = {"--set", "radius=7.5", "--set", "gamma_correction=0"};
        render("pool" + d + ext, depth, {controls[0], controls[1], controls[2], controls[3], "--threads", "0"});
        render("host" + d + ext, depth, {controls[0], controls[1], controls[2], controls[3], "--threads", "2"});
        render("legacy" + d + ext, depth, {controls[0], controls[1], controls[2], controls[3], "--render", "legacy"});
        render("premiere" + d + ext, depth, {controls[0], controls[1], controls[2], controls[3], "--host", "premiere"});
        const ImageBuffer reference = image("host" + d + ext);
        EXPECT_TRUE(image("pool" + d + ext) == reference) << depth;
        EXPECT_TRUE(image("legacy" + d + ext) == reference) << depth;
        EXPECT_TRUE(image("premiere" + d + ext) == reference) << depth;
    }
    render("pool32.exr", 32, {"--set", "mode=2", "--threads", "0"});
    render("host32.exr", 32, {"--set", "mode=2", "--threads", "2"});
    EXPECT_TRUE(image("pool32.exr") == image("host32.exr"));
}

TEST_F(QuadsoftCommand, ControlsByIdKeyOrShortNameAreOneControl)
{
    render("default.png", 8, {});
    render("by-name.png", 8, {"--set", "radius=12"});
    render("by-key.png", 8, {"--set", "半径=12"});
    render("by-id.png", 8, {"--set", "1=12"});
    EXPECT_FALSE(image("by-name.png") == image("default.png"));
    EXPECT_TRUE(image("by-key.png") == image("by-name.png"));
    EXPECT_TRUE(image("by-id.png") == image("by-name.png"));
}

TEST_F(QuadsoftCommand, PixelSizesFromDownsampleAndPixelAspect)
{
    // Both make a rendered pixel two full-resolution pixels wide: the same blur.
    render("default.png", 8, {"--set", "radius=6"});
    render("downsample.png", 8, {"--set", "radius=6", "--downsample", "2,1"});
    render("aspect.png", 8, {"--set", "radius=6", "--pixel-aspect", "2/1"});
    EXPECT_FALSE(image("downsample.png") == image("default.png"));
    EXPECT_TRUE(image("aspect.png") == image("downsample.png"));
    // Half resolution blurs half as many pixels.
    render("half.png", 8, {"--set", "radius=12", "--downsample", "2"});
    EXPECT_TRUE(image("half.png") == image("default.png"));
}

TEST_F(QuadsoftCommand, AMapLayerOfAnotherSizeModulatesTheBlur)
{
    writeImage(dir.file("map.png"), testing::samplePiece(150, 90, 8));
    render("plain.png", 8, {"--set", "radius=8"});
    render("mapped.png", 8, {"--set", "radius=8", "--layer", "map_layer=map.png", "--set", "map_channel=3"});
    EXPECT_FALSE(image("mapped.png") == image("plain.png"));
    render("mapped16.tif", 16, {"--set", "radius=8", "--layer", "偏移的图层=map.png"});
}

TEST_F(QuadsoftCommand, DemoWritesEveryAvailableEffectAndAnIndex)
{
    const CommandResult result = run({"demo", "out", "-q"});
    ASSERT_EQ(result.status, 0) << describe(result);
    EXPECT_TRUE(std::filesystem::exists(dir.file("out/source.png")));
    const ImageBuffer rendered = image("out/quadsoft.png");
    EXPECT_EQ(rendered.width(), 1920);
    EXPECT_FALSE(rendered == image("out/source.png"));
    const std::string index = testing::readBytes(dir.file("out/index.html"));
    EXPECT_NE(index.find("<h2>QV Quadsoft <small>(quadsoft)</small></h2>"), std::string::npos);
    EXPECT_NE(index.find("<img src=\"source.png\""), std::string::npos);
    EXPECT_NE(index.find("<img src=\"quadsoft.png\""), std::string::npos);
    EXPECT_NE(index.find("Render time: "), std::string::npos);
}

} // namespace
} // namespace quorvane
