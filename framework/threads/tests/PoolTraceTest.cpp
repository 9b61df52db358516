// The pool writes its trace to the process-wide log. The process log takes its path from
// HOME the first time it is used, so this executable points HOME at a temporary folder
// before anything touches a pool.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "threads/DebugLog.h"
#include "threads/ThreadPool.h"
#include "threads/tests/LoopRecorder.h"
#include "threads/tests/TempFolder.h"

namespace quorvane {
namespace {

using testing::LoopRecorder;
using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

void runPool(int participants, int iterations)
{
    ThreadPool pool;
    pool.init(participants);
    LoopRecorder recorder;
    pool.iterate(iterations, &recorder, recorder.callback());
}

TEST(PoolTrace, SilentWithoutTheFileThenExactLinesOnceItExists)
{
    TempFolder home;
    ASSERT_TRUE(home.created());
    ASSERT_EQ(setenv("HOME", home.path().c_str(), 1), 0);
    DebugLog::setProcessFileName("pooltrace_ae.log");
    const std::string path = home.path() + "/quorvane/pooltrace_ae.log";
    std::filesystem::create_directories(home.path() + "/quorvane");

    for (int i = 0; i < 3; ++i)
        runPool(2, 5);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(DebugLog::process().path(), path);

    writeFile(path, "");
    runPool(1, 3);
    EXPECT_EQ(readFile(path), "ThreadPool::ThreadPool()\n"
                              "ThreadPool::init ()\n"
                              "    threads sucesfully initiated\n"
                              "ThreadPool::iterate (iterations(3))\n"
                              "    all threads finished\n"
                              "ThreadPool::~ThreadPool()\n"
                              "ThreadPool::free ()\n");

    writeFile(path, "");
    runPool(2, 4);
    std::vector<std::string> trace = lines(readFile(path));
    ASSERT_EQ(trace.size(), 11u) << readFile(path);
    // The worker's start line and the wait line come in either order.
    std::sort(trace.begin() + 4, trace.begin() + 6);
    EXPECT_EQ(trace, (std::vector<std::string>{
                         "ThreadPool::ThreadPool()",
                         "ThreadPool::init ()",
                         "    threads sucesfully initiated",
                         "ThreadPool::iterate (iterations(4))",
                         "    thread 1 started",
                         "    waiting for thread 1 to finish",
                         "    all threads finished",
                         "ThreadPool::~ThreadPool()",
                         "ThreadPool::free ()",
                         "    thread 1 started",
                         "    closing down thread 1",
                     }));
}

} // namespace
} // namespace quorvane
