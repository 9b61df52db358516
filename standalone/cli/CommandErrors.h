#pragma once
// How a command ends when it cannot finish: each kind has its exit status.
//   UsageError       2: unknown effect or control, bad value, unreadable or unsupported file
//   PluginError      1: the plug-in returned an error code
//   Interrupted    130: the user pressed Ctrl-C

#include <stdexcept>
#include <string>

namespace quorvane {

enum ExitStatus { kExitSuccess = 0, kExitPluginError = 1, kExitUsage = 2, kExitInterrupted = 130 };

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class PluginError : public std::runtime_error {
public:
    // "glow failed<context>: out of memory (4)"
    PluginError(const std::string& effect, int code, const std::string& context = {});
    int code() const { return code_; }

private:
    int code_;
};

class Interrupted : public std::runtime_error {
public:
    Interrupted() : std::runtime_error("interrupted") {}
};

// "out of memory (4)": what an After Effects error code means, and the code.
std::string describePluginError(int code);

} // namespace quorvane
