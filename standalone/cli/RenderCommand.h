#pragma once
// `quorvane render EFFECT [options]`: one frame, or a sequence of frames, through the plug-in.

#include <optional>
#include <string>
#include <vector>

namespace quorvane {

struct RenderOptions {
    std::string effect;
    std::string input;                  // empty: the built-in sample frame
    std::string output;
    std::vector<std::string> layers;    // NAME=FILE
    std::vector<std::string> sets;      // NAME=VALUE
    std::optional<int> depth;
    std::string downsample = "1";
    std::string pixelAspect = "1";
    int threads = 1;
    std::string host = "aftereffects";
    std::string render = "smart";
    bool quiet = false;
    std::string frames;                 // empty: one frame
    std::string shard;                  // K/N
    bool skipExisting = false;
};

// Returns the exit status; throws UsageError, PluginError, Interrupted or ImageError.
int runRender(const RenderOptions& options);

} // namespace quorvane
