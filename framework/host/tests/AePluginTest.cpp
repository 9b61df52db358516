// The test effect built as a plug-in library: its exports, its control description and the
// property list beside it.

#include <dlfcn.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "host/ae/PropertyList.h"
#include "hostsim/HostSimulation.h"
#include "hostsim/PluginLibrary.h"

namespace quorvane {
namespace {

using hostsim::PluginLibrary;

TEST(AePlugin, LoadsAndRunsThroughItsEntryPoint)
{
    std::string error;
    const auto plugin = PluginLibrary::load(AE_TEST_PLUGIN, error);
    ASSERT_TRUE(plugin) << error;
    hostsim::HostSimulation sim(plugin->entryPoint());
    ASSERT_EQ(sim.setUp(), PF_Err_NONE);
    EXPECT_EQ(sim.parameterCount(), 15);
    hostsim::HostImage source(16, 8, 8), output(16, 8, 8);
    hostsim::FrameRequest request;
    request.source = source.view();
    request.output = output.view();
    EXPECT_EQ(sim.renderFrame(request), PF_Err_NONE);
    EXPECT_EQ(sim.setDown(), PF_Err_NONE);
    EXPECT_EQ(sim.handlesOutstanding(), 0);
    EXPECT_TRUE(sim.protocolLog().empty());
}

TEST(AePlugin, DescribesEveryControlHiddenOnesAndAlphaSlidersIncluded)
{
    std::string error;
    const auto plugin = PluginLibrary::load(AE_TEST_PLUGIN, error);
    ASSERT_TRUE(plugin) << error;
    ASSERT_TRUE(plugin->describesControls());
    std::string lines;
    for (const auto& control : plugin->describeControls())
        lines += std::to_string(control.id) + " " + control.shortName + ",";
    EXPECT_EQ(lines, "1 look,2 amount,3 unbounded,4 angle,5 check,6 choice,7 hidden,8 layer,"
                     "9 count,10 centre,11 tint,12 tint_alpha,13 plain,14 look_end,15 map,");
}

TEST(AePlugin, DescriptionReportsItsLengthAndNeverWritesPastTheBuffer)
{
    void* library = dlopen(AE_TEST_PLUGIN, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto describe =
        reinterpret_cast<QuorvaneDescribeControlsFunc>(dlsym(library, "QuorvaneDescribeControls"));
    ASSERT_NE(describe, nullptr);
    const int length = describe(nullptr, 0);
    ASSERT_GT(length, 0);
    std::string whole(static_cast<std::size_t>(length) + 1, '#');
    EXPECT_EQ(describe(whole.data(), length + 1), length);
    EXPECT_EQ(whole[static_cast<std::size_t>(length)], '\0');
    EXPECT_EQ(whole.substr(0, 13), "1\tlook\tLook\n2");

    char small[12];
    std::memset(small, '#', sizeof small);
    EXPECT_EQ(describe(small, 8), length);
    EXPECT_STREQ(small, "1\tlook\t");
    EXPECT_EQ(small[8], '#');
    dlclose(library);
}

TEST(AePlugin, PropertyListShipsBesideTheLibrary)
{
    std::string path = AE_TEST_PLUGIN;
    path = path.substr(0, path.size() - 3) + ".pipl";
    std::ifstream file(path, std::ios::binary);
    ASSERT_TRUE(file) << path;
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>()};
    EXPECT_EQ(bytes, propertyListBytes(Deliverable::Glow));
    std::vector<PropertyListEntry> entries;
    ASSERT_TRUE(parsePropertyList(bytes, &entries));
    ASSERT_EQ(entries.size(), 12u);
    EXPECT_EQ(entries[3].key, "wx86");
    EXPECT_STREQ(reinterpret_cast<const char*>(entries[3].data.data()), "EntryPointFunc");
}

} // namespace
} // namespace quorvane
