#pragma once
// Runs the real `quorvane` executable, as a script would.

#include <functional>
#include <string>
#include <vector>

namespace quorvane::testing {

struct CommandResult {
    int status = -1;        // exit status; -N when ended by signal N
    std::string out;
    std::string err;
};

struct RunOptions {
    std::string directory;                    // working directory; empty: the test's
    std::vector<std::string> environment;     // extra NAME=VALUE entries
    // Called repeatedly while the command runs; when it answers true, SIGINT is sent (once).
    std::function<bool()> interruptWhen;
};

CommandResult runQuorvane(const std::vector<std::string>& arguments, const RunOptions& options = {});

} // namespace quorvane::testing
