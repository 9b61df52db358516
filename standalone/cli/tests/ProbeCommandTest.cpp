// The command run as a script runs it, on the probe plug-in: an identity effect that records
// what the host handed it. These check the command's own work: files at the boundary, how
// values are stored, the host it simulates, sequences, exit codes and messages, and that a
// failed or interrupted render leaves nothing under the output name.

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

#include "CommandTestSupport.h"
#include "ImageFile.h"
#include "TestDirectory.h"

namespace quorvane {
namespace {

using testing::CommandResult;
using testing::describe;

class ProbeCommand : public ::testing::Test {
protected:
    CommandResult run(std::vector<std::string> arguments, testing::RunOptions options = {})
    {
        options.directory = dir.path();
        options.environment.push_back("QUORVANE_PROBE_RECORD=" + dir.file("record.txt"));
        return testing::runQuorvane(arguments, options);
    }

    // render PROBE ARGS...
    CommandResult render(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {"render", PROBE_PLUGIN, "-q"});
        return run(arguments);
    }

    std::map<std::string, std::string> record()
    {
        std::ifstream in(dir.file("record.txt"));
        std::map<std::string, std::string> fields;
        std::string line;
        while (std::getline(in, line)) {
            const auto blank = line.find(' ');
            fields[line.substr(0, blank)] = line.substr(blank + 1);
        }
        return fields;
    }

    void writeInput(const std::string& name, const ImageBuffer& image) { writeImage(dir.file(name), image); }

    testing::TestDirectory dir;
};

struct FormatCase {
    const char* extension;
    int depth;
};

class ProbeRoundTrip : public ProbeCommand, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(ProbeRoundTrip, AnIdentityEffectGivesBackTheInputFile)
{
    const std::string in = std::string("in.") + GetParam().extension;
    const std::string out = std::string("out.") + GetParam().extension;
    const ImageBuffer image = testing::patternImage(61, 37, GetParam().depth);
    writeInput(in, image);
    const CommandResult result = render({"-i", in, "-o", out});
    ASSERT_EQ(result.status, 0) << describe(result);
    EXPECT_TRUE(readImage(dir.file(out)) == image);
}

INSTANTIATE_TEST_SUITE_P(Formats, ProbeRoundTrip,
                         ::testing::Values(FormatCase{"png", 8}, FormatCase{"png", 16}, FormatCase{"tif", 8},
                                           FormatCase{"tif", 16}, FormatCase{"tif", 32}, FormatCase{"exr", 32}),
                         [](const auto& info) {
                             return std::string(info.param.extension) + std::to_string(info.param.depth);
                         });

unsigned char greyValue(int x, int y, int)
{
    return static_cast<unsigned char>(x * 16 + y);
}

unsigned char rgbValue(int x, int y, int c)
{
    return static_cast<unsigned char>(x * 20 + y * 3 + c * 70);
}

TEST_F(ProbeCommand, GreyAndRgbInputsWithoutAlphaAreExpandedAndOpaque)
{
    testing::writeOpaquePng(dir.file("grey.png"), 9, 5, true, greyValue);
    testing::writeOpaquePng(dir.file("rgb.png"), 9, 5, false, rgbValue);
    ASSERT_EQ(render({"-i", "grey.png", "-o", "grey-out.png"}).status, 0);
    ASSERT_EQ(render({"-i", "rgb.png", "-o", "rgb-out.png"}).status, 0);
    const ImageBuffer grey = readImage(dir.file("grey-out.png"));
    const ImageBuffer rgb = readImage(dir.file("rgb-out.png"));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x) {
            const Pixel8 g = grey.row<Pixel8>(y)[x];
            EXPECT_EQ(g.alpha(), 255);
            EXPECT_EQ(g.red(), greyValue(x, y, 0));
            EXPECT_EQ(g.green(), greyValue(x, y, 0));
            EXPECT_EQ(g.blue(), greyValue(x, y, 0));
            const Pixel8 c = rgb.row<Pixel8>(y)[x];
            EXPECT_EQ(c.alpha(), 255);
            EXPECT_EQ(c.red(), rgbValue(x, y, 0));
            EXPECT_EQ(c.blue(), rgbValue(x, y, 2));
        }
}

TEST_F(ProbeCommand, RenderDepthFollowsTheInputUnlessGiven)
{
    writeInput("in.png", testing::patternImage(8, 4, 8));
    ASSERT_EQ(render({"-i", "in.png", "-o", "deep.tif", "--depth", "16"}).status, 0);
    const ImageBuffer deep = readImage(dir.file("deep.tif"));
    const ImageBuffer input = readImage(dir.file("in.png"));
    EXPECT_EQ(deep.depth(), 16);
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(deep.row<Pixel16>(1)[x].green(), (input.row<Pixel8>(1)[x].green() * 65536 + 255) / 510);
    // The sample frame renders at 8 bits, in float for EXR.
    ASSERT_EQ(render({"-o", "sample.exr"}).status, 0);
    EXPECT_EQ(readImage(dir.file("sample.exr")).depth(), 32);
}

TEST_F(ProbeCommand, ValuesAreStoredAsTheHostHandsThemOver)
{
    writeInput("in.png", testing::patternImage(100, 60, 8));
    const CommandResult result =
        render({"-i", "in.png", "-o", "out.png", "--downsample", "2", "--set", "strength=3.25", "--set",
                "旋转=45.5", "--set", "103=1", "--set", "Choice=3", "--set", "centre=100,50", "--set", "tint=1,0.5,0"});
    ASSERT_EQ(result.status, 0) << describe(result);
    auto r = record();
    EXPECT_EQ(r["strength"], "3.25");
    EXPECT_EQ(r["turn"], "2981888");            // round(45.5 × 65536)
    EXPECT_EQ(r["check"], "1");
    EXPECT_EQ(r["choice"], "3");
    EXPECT_EQ(r["centre"], "3276800 1638400");  // round(100 × 1/2 × 65536), round(50 × 1/2 × 65536)
    EXPECT_EQ(r["tint"], "255 128 0");          // round(0.5 × 255)
    EXPECT_EQ(r["layer"], "200 120");           // the full-resolution layer
    EXPECT_EQ(r["downsample"], "1/2 1/2");

    // Defaults as registered: a point at its percentage of the full-resolution layer.
    ASSERT_EQ(render({"-i", "in.png", "-o", "out.png", "--downsample", "2,1"}).status, 0);
    r = record();
    EXPECT_EQ(r["strength"], "2.5");
    EXPECT_EQ(r["turn"], "2949120");
    EXPECT_EQ(r["choice"], "2");
    // 50% of 200 at half horizontal resolution, 25% of 60 at full.
    EXPECT_EQ(r["centre"], std::to_string(50 * 65536) + " " + std::to_string(15 * 65536));
    EXPECT_EQ(r["downsample"], "1/2 1/1");
}

TEST_F(ProbeCommand, ValuesOutsideTheValidRangeAreClampedWithAWarning)
{
    writeInput("in.png", testing::patternImage(40, 20, 8));
    const CommandResult result =
        render({"-i", "in.png", "-o", "out.png", "--set", "strength=20", "--set", "centre=-5,10"});
    ASSERT_EQ(result.status, 0) << describe(result);
    EXPECT_NE(result.err.find("warning: strength: 20 is outside the valid range 0 to 10, using 10"), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("warning: centre x: -5 is outside the valid range 0 to 40, using 0"), std::string::npos)
        << result.err;
    auto r = record();
    EXPECT_EQ(r["strength"], "10");
    EXPECT_EQ(r["centre"], "0 655360");
}

TEST_F(ProbeCommand, TheHostItSimulates)
{
    writeInput("in.png", testing::patternImage(30, 20, 8));
    ASSERT_EQ(render({"-i", "in.png", "-o", "ae.png"}).status, 0);
    auto r = record();
    EXPECT_EQ(r["application"], "FXTC");
    EXPECT_EQ(r["version"], "12.5");
    EXPECT_EQ(r["path"], "smart");
    EXPECT_EQ(r["iteration"], "1");
    EXPECT_EQ(r["aspect"], "1/1");

    ASSERT_EQ(render({"-i", "in.png", "-o", "pr.png", "--host", "premiere", "--threads", "0", "--render", "legacy",
                      "--pixel-aspect", "0.9"}).status, 0);
    r = record();
    EXPECT_EQ(r["application"], "PrMr");
    EXPECT_EQ(r["version"], "12.4");
    EXPECT_EQ(r["path"], "legacy");
    EXPECT_EQ(r["iteration"], "0");
    EXPECT_EQ(r["aspect"], "9/10");
    EXPECT_TRUE(readImage(dir.file("pr.png")) == readImage(dir.file("ae.png")));
}

TEST_F(ProbeCommand, ExtraLayersOfAnySize)
{
    writeInput("in.png", testing::patternImage(30, 20, 8));
    writeInput("map.tif", testing::patternImage(12, 8, 16));   // converted to the render depth
    ASSERT_EQ(render({"-i", "in.png", "-o", "out.png", "--layer", "extra=map.tif"}).status, 0);
    EXPECT_EQ(record()["extra"], "12 8");
    ASSERT_EQ(render({"-i", "in.png", "-o", "out.png"}).status, 0);
    EXPECT_EQ(record()["extra"], "0 0");
}

TEST_F(ProbeCommand, SequencesRenderEachFrameAtItsTime)
{
    writeInput("in.01.png", testing::patternImage(10, 6, 8));
    writeInput("in.02.png", testing::patternImage(6, 10, 8));
    CommandResult result = render({"-i", "in.##.png", "-o", "out.%04d.png", "--frames", "1-2"});
    ASSERT_EQ(result.status, 0) << describe(result);
    EXPECT_TRUE(readImage(dir.file("out.0001.png")) == readImage(dir.file("in.01.png")));
    EXPECT_TRUE(readImage(dir.file("out.0002.png")) == readImage(dir.file("in.02.png")));
    EXPECT_NE(result.err.find("probe: 2 frames rendered, 0 skipped"), std::string::npos) << result.err;
    EXPECT_EQ(record()["time"], "2 1 30");   // the last frame: time 2 in steps of 1 at 30 a second
    EXPECT_EQ(record()["frames"], "3");

    // A still input on every frame of a shard; existing frames skipped.
    writeInput("still.png", testing::patternImage(10, 6, 8));
    result = render({"-i", "still.png", "-o", "s.####.png", "--frames", "1-6", "--shard", "2/3"});
    ASSERT_EQ(result.status, 0) << describe(result);
    EXPECT_TRUE(std::filesystem::exists(dir.file("s.0003.png")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("s.0004.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("s.0002.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("s.0005.png")));
    result = render({"-i", "still.png", "-o", "s.####.png", "--frames", "3-5", "--skip-existing"});
    ASSERT_EQ(result.status, 0) << describe(result);
    EXPECT_NE(result.err.find("1 frame rendered, 2 skipped"), std::string::npos) << result.err;
    EXPECT_EQ(record()["time"], "5 1 30");
}

struct UsageCase {
    std::vector<std::string> arguments;
    std::string message;
};

// Every one: exit 2, one line naming the problem, no output file.
TEST_F(ProbeCommand, UsageErrors)
{
    writeInput("in.png", testing::patternImage(30, 20, 8));
    testing::writeBytes(dir.file("broken.png"), "\x89PNG\r\n\x1a\n broken");
    testing::writeOpaquePng(dir.file("wide.png"), 30001, 1, true, greyValue);
    const std::string probe = PROBE_PLUGIN;
    const UsageCase cases[] = {
        {{"render", "nosuch", "-o", "out.png"}, "unknown effect 'nosuch'"},
        {{"render", "/no/such/plugin.so", "-o", "out.png"}, "no plug-in library at /no/such/plugin.so"},
        {{"render", dir.file("in.png"), "-o", "out.png"}, "not a loadable plug-in library"},
        {{"render", probe, "-i", "in.png", "-o", "out.png", "--set", "nosuch=1"}, "probe has no control 'nosuch'"},
        {{"render", probe, "-i", "in.png", "-o", "out.png", "--set", "strength=much"}, "bad value 'much' for strength"},
        {{"render", probe, "-i", "in.png", "-o", "out.png", "--set", "choice=4"}, "choice has no item 4 (its items are 1 to 3)"},
        {{"render", probe, "-i", "in.png", "-o", "out.png", "--set", "extra=in.png"}, "extra is a layer control"},
        {{"render", probe, "-i", "in.png", "-o", "out.png", "--layer", "strength=in.png"}, "strength is not a layer control"},
        {{"render", probe, "-i", "in.png", "-o", "out.png", "--set", "strength"}, "expected NAME=VALUE"},
        {{"render", probe, "-i", "missing.png", "-o", "out.png"}, "missing.png: cannot open (No such file or directory)"},
        {{"render", probe, "-i", "broken.png", "-o", "out.png"}, "broken.png: not a valid PNG file"},
        {{"render", probe, "-i", "wide.png", "-o", "out.png"}, "30001 x 1 pixels is too large"},
        {{"render", probe, "-i", "in.png", "-o", "out.png", "--layer", "extra=missing.png"}, "missing.png: cannot open"},
        {{"render", probe, "-i", "in.png", "-o", "out.png", "--depth", "32"}, "PNG cannot hold float pixels"},
        {{"render", probe, "-i", "in.png", "-o", "out.exr"}, "EXR is written as float only, not 8-bit"},
        {{"render", probe, "-i", "in.png", "-o", "out.jpg"}, "unknown output format"},
        {{"render", probe, "-i", "in.png", "-o", "out.tif", "--depth", "32", "--render", "legacy"}, "the legacy render has no float pixels"},
        {{"render", probe, "-i", "in.png", "-o", "out.png", "--depth", "12"}, "--depth"},
        {{"render", probe, "-i", "in.png", "-o", "out.png", "--threads", "-1"}, "--threads"},
        {{"render", probe, "-i", "in.png", "-o", "out.png", "--host", "nuke"}, "--host"},
        {{"render", probe, "-i", "in.png", "-o", "out.png", "--downsample", "0"}, "bad --downsample '0'"},
        {{"render", probe, "-i", "in.png", "-o", "out.png", "--pixel-aspect", "1/0"}, "bad --pixel-aspect '1/0'"},
        {{"render", probe, "-i", "in.png", "-o", "out.####.png"}, "say which frames with --frames"},
        {{"render", probe, "-i", "in.png", "-o", "out.png", "--frames", "1-3"}, "--frames needs a frame pattern"},
        {{"render", probe, "-i", "in.png", "-o", "out.####.png", "--frames", "3-1"}, "bad frame list '3-1'"},
        {{"render", probe, "-i", "in.png", "-o", "out.####.png", "--frames", "1-3", "--shard", "4/3"}, "bad shard '4/3'"},
        {{"render", probe, "-i", "in.png"}, "--output is required"},
        {{"controls"}, "EFFECT is required"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{}, "A subcommand is required"},
    };
    for (const UsageCase& c : cases) {
        const CommandResult result = run(c.arguments);
        EXPECT_EQ(result.status, 2) << c.message << "\n" << describe(result);
        EXPECT_NE(result.err.find(c.message), std::string::npos) << describe(result);
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << describe(result);
        EXPECT_TRUE(result.out.empty()) << describe(result);
    }
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"broken.png", "in.png", "wide.png"}));
}

TEST_F(ProbeCommand, APluginErrorExitsOneAndKeepsWhatWasThere)
{
    writeInput("in.png", testing::patternImage(30, 20, 8));
    testing::writeBytes(dir.file("out.png"), "an older file");
    CommandResult result = render({"-i", "in.png", "-o", "out.png", "--set", "error=4"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "quorvane: probe failed: out of memory (4)\n");
    EXPECT_EQ(testing::readBytes(dir.file("out.png")), "an older file");

    // A refusal the user did not ask for is the plug-in's error, not an interruption.
    result = render({"-i", "in.png", "-o", "other.png", "--set", "error=517"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "quorvane: probe failed: render interrupted (517)\n");

    result = render({"-i", "in.png", "-o", "seq.####.png", "--frames", "1-2", "--set", "error=516"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("probe failed on frame 1: bad callback parameter"), std::string::npos) << result.err;
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"in.png", "out.png", "record.txt"}));
}

TEST_F(ProbeCommand, CtrlCStopsTheRenderCleanly)
{
    writeInput("in.png", testing::patternImage(30, 20, 8));
    testing::RunOptions options;
    // The probe writes its record just before it starts its progress calls.
    options.interruptWhen = [this] { return std::filesystem::exists(dir.file("record.txt")); };
    const CommandResult result =
        run({"render", PROBE_PLUGIN, "-i", "in.png", "-o", "out.png", "--set", "spin=60000"}, options);
    EXPECT_EQ(result.status, 130) << describe(result);
    EXPECT_EQ(result.err, "quorvane: interrupted\n");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"in.png", "record.txt"}));
}

TEST_F(ProbeCommand, DescribesAPluginGivenByPath)
{
    CommandResult result = run({"controls", PROBE_PLUGIN});
    ASSERT_EQ(result.status, 0) << describe(result);
    std::istringstream lines(result.out);
    std::string header, strength, turn;
    std::getline(lines, header);
    std::getline(lines, strength);
    std::getline(lines, turn);
    EXPECT_EQ(header.find("ID   NAME      INDEX  KIND      LABEL     KEY       DEFAULT"), 0u) << header;
    EXPECT_EQ(strength.find("101  strength  1      float     Strength  Strength  2.5"), 0u) << strength;
    EXPECT_NE(strength.find("0 to 10      0 to 10           2"), std::string::npos) << strength;
    EXPECT_EQ(turn.find("102  turn      2      angle     Turn      旋转      45 deg"), 0u) << turn;
    EXPECT_NE(result.out.find("1 A, 2 B, 3 C"), std::string::npos);

    result = run({"controls", PROBE_PLUGIN, "--json"});
    ASSERT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("{\"id\": 102, \"name\": \"turn\", \"index\": 2, \"kind\": \"angle\", \"label\": \"Turn\", "
                              "\"key\": \"旋转\", \"default\": 45"),
              std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\"default\": {\"x_percent\": 50, \"y_percent\": 25, \"restrict_to_layer\": true}"),
              std::string::npos);

    result = run({"about", PROBE_PLUGIN});
    EXPECT_EQ(result.out, "Probe  v1.0\nA test plug-in.\n");
    result = run({"render", "--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("--shard"), std::string::npos);
    EXPECT_NE(result.out.find("--skip-existing"), std::string::npos);
}

} // namespace
} // namespace quorvane
