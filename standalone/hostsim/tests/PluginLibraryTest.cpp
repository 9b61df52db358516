#include "hostsim/PluginLibrary.h"

#include <gtest/gtest.h>

#include "hostsim/HostSimulation.h"

namespace quorvane::hostsim {
namespace {

TEST(PluginLibrary, LoadFailuresSayWhatIsWrong)
{
    struct Case {
        std::string path;
        std::string expected;
    };
    const Case cases[] = {
        {"/nonexistent/plugin.so", "does not exist"},
        {HOSTSIM_TEST_SOURCE_DIR "/FakePlugin.cpp", "is not a loadable plug-in library"},
        {HOSTSIM_TEST_SOURCE_DIR, "not a regular file"},
        {FAKE_PLUGIN_NOENTRY, "exports no EntryPointFunc"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_EQ(PluginLibrary::load(c.path, error), nullptr) << c.path;
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
        EXPECT_NE(error.find(c.path), std::string::npos) << error;
    }
}

TEST(PluginLibrary, ReadsControlDescriptionsWhenExported)
{
    std::string error;
    const auto complete = PluginLibrary::load(FAKE_PLUGIN_COMPLETE, error);
    ASSERT_TRUE(complete) << error;
    ASSERT_TRUE(complete->describesControls());
    const auto controls = complete->describeControls();
    ASSERT_EQ(controls.size(), 2u);
    EXPECT_EQ(controls[0].id, 7);
    EXPECT_EQ(controls[0].shortName, "strength");
    EXPECT_EQ(controls[0].key, "\xC7\xBF\xB6\xC8");
    EXPECT_EQ(controls[1].id, 9);
    EXPECT_EQ(controls[1].shortName, "centre");
    EXPECT_EQ(controls[1].key, "");

    const auto bare = PluginLibrary::load(FAKE_PLUGIN_BARE, error);
    ASSERT_TRUE(bare) << error;
    EXPECT_FALSE(bare->describesControls());
    EXPECT_TRUE(bare->describeControls().empty());
}

TEST(PluginLibrary, ParsingSkipsMalformedLinesAndKeepsExtraFields)
{
    const auto controls = parseControlDescriptions(
        "1\tradius\r\n"
        "x\tbad_id\n"
        "2\t\n"
        "3\n"
        "12abc\tbad\n"
        "-4\tnegative\tkey\textra field\n");
    ASSERT_EQ(controls.size(), 2u);
    EXPECT_EQ(controls[0].id, 1);
    EXPECT_EQ(controls[0].shortName, "radius");
    EXPECT_EQ(controls[1].id, -4);
    EXPECT_EQ(controls[1].shortName, "negative");
    EXPECT_EQ(controls[1].key, "key");
    ASSERT_EQ(controls[1].extra.size(), 1u);
    EXPECT_EQ(controls[1].extra[0], "extra field");
}

TEST(PluginLibrary, LoadedEntryPointRendersThroughTheSimulation)
{
    std::string error;
    const auto library = PluginLibrary::load(FAKE_PLUGIN_COMPLETE, error);
    ASSERT_TRUE(library) << error;
    HostSimulation host(library->entryPoint());
    std::string about;
    ASSERT_EQ(host.about(&about), PF_Err_NONE);
    EXPECT_EQ(about, "Fake v1.2");
    ASSERT_EQ(host.setUp(), PF_Err_NONE);
    ASSERT_EQ(host.parameterCount(), 3);
    EXPECT_EQ(host.indexOfId(9), 2);
    EXPECT_TRUE(host.protocolLog().empty());

    HostImage source(5, 3, 16, 8);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            source.setPixel(x, y, 32768, x * 1000, y * 1000, 7);
    HostImage output(5, 3, 16);
    FrameRequest request;
    request.source = source.view();
    request.output = output.view();
    ASSERT_EQ(host.renderFrame(request), PF_Err_NONE);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            for (int c = 0; c < 4; ++c)
                EXPECT_EQ(output.channel(x, y, c), source.channel(x, y, c));
    EXPECT_EQ(host.setDown(), PF_Err_NONE);
    EXPECT_EQ(host.handlesOutstanding(), 0);
}

} // namespace
} // namespace quorvane::hostsim
