#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "threads/DebugLog.h"
#include "threads/tests/TempFolder.h"

namespace quorvane {
namespace {

using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

constexpr const char* kFileName = "test_ae.log";

// Answers HOME and HOMEPATH from the test instead of the process environment.
struct FakeEnvironment {
    const char* home = nullptr;
    const char* homePath = nullptr;

    DebugLog::Environment hook() const
    {
        return [this](const char* name) -> const char* {
            if (std::strcmp(name, "HOME") == 0)
                return home;
            if (std::strcmp(name, "HOMEPATH") == 0)
                return homePath;
            return nullptr;
        };
    }
};

class DebugLogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.created()); }

    std::string logPath() const { return folder.path() + "/quorvane/" + kFileName; }

    TempFolder folder;
    FakeEnvironment environment;
};

TEST_F(DebugLogTest, SilentWithoutItsFile)
{
    environment.home = folder.path().c_str();
    DebugLog log(kFileName, environment.hook());
    log.indent();
    for (int i = 0; i < 10; ++i)
        log.write("line\n");
    EXPECT_FALSE(log.enabled());
    EXPECT_EQ(log.path(), logPath());
    EXPECT_FALSE(std::filesystem::exists(logPath()));
    EXPECT_FALSE(std::filesystem::exists(folder.path() + "/quorvane"));
}

TEST_F(DebugLogTest, SilentWithoutAnyHomeVariable)
{
    DebugLog log(kFileName, environment.hook());
    log.write("line\n");
    EXPECT_TRUE(log.path().empty());
    EXPECT_FALSE(log.enabled());
}

TEST_F(DebugLogTest, AppendsIndentedLinesWhenTheFileExists)
{
    writeFile(logPath(), "earlier\n");
    environment.home = folder.path().c_str();
    {
        DebugLog log(kFileName, environment.hook());
        EXPECT_TRUE(log.enabled());
        log.write("zero\n");
        log.indent();
        log.write("one\n");
        log.indent();
        log.write("two\n");
        log.outdent();
        log.outdent();
        log.write("100% %s\n");
    }
    EXPECT_EQ(readFile(logPath()), "earlier\nzero\n    one\n        two\n100% %s\n");
}

TEST_F(DebugLogTest, HomePathServesWhenHomeIsUnset)
{
    writeFile(logPath(), "");
    environment.homePath = folder.path().c_str();
    {
        DebugLog log(kFileName, environment.hook());
        EXPECT_EQ(log.path(), logPath());
        log.write("found\n");
    }
    EXPECT_EQ(readFile(logPath()), "found\n");
}

TEST_F(DebugLogTest, HomeComesBeforeHomePath)
{
    TempFolder other;
    writeFile(logPath(), "");
    environment.home = folder.path().c_str();
    environment.homePath = other.path().c_str();
    DebugLog log(kFileName, environment.hook());
    EXPECT_EQ(log.path(), logPath());
}

TEST_F(DebugLogTest, SwitchesOnWhenTheFileAppearsAndStaysOn)
{
    environment.home = folder.path().c_str();
    DebugLog log(kFileName, environment.hook());
    log.write("before\n");
    EXPECT_FALSE(log.enabled());

    writeFile(logPath(), "");
    log.write("after\n");
    EXPECT_TRUE(log.enabled());
    EXPECT_EQ(readFile(logPath()), "after\n");

    std::filesystem::remove(logPath());
    log.write("gone\n");
    EXPECT_TRUE(log.enabled());
}

} // namespace
} // namespace quorvane
