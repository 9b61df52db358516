#pragma once
// A plug-in shared library loaded for the simulated host.

#include <memory>
#include <string>
#include <vector>

#include "host/ae/AeInterface.h"

namespace quorvane::hostsim {

// One line of a plug-in's control description "id<TAB>shortName[<TAB>key]": the control's id,
// its short ASCII name and, when the plug-in gives it, its key (GBK bytes as the plug-in holds
// them). Further tab-separated fields are kept in `extra`.
struct ControlDescription {
    A_long id = 0;
    std::string shortName;
    std::string key;
    std::vector<std::string> extra;
};

class PluginLibrary {
public:
    // Loads the library at `path` and finds its EntryPointFunc. On failure returns null and
    // sets `error` to a sentence naming the path and the cause: the file does not exist, it is
    // not a loadable library (with the loader's reason), or it exports no EntryPointFunc.
    // The library stays mapped until process exit (a plug-in's worker threads may outlive
    // this object).
    static std::unique_ptr<PluginLibrary> load(const std::string& path, std::string& error);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    const std::string& path() const { return path_; }
    PF_EntryPointFunc entryPoint() const { return entry_; }

    // True when the library exports QuorvaneDescribeControls.
    bool describesControls() const { return describe_ != nullptr; }
    // The plug-in's control descriptions in its order; empty without the export. Lines without
    // a decimal id and a non-empty short name are skipped.
    std::vector<ControlDescription> describeControls() const;

private:
    PluginLibrary() = default;
    void* handle_ = nullptr;
    std::string path_;
    PF_EntryPointFunc entry_ = nullptr;
    QuorvaneDescribeControlsFunc describe_ = nullptr;
};

// Parses a control description text (one line per control) as describeControls does.
std::vector<ControlDescription> parseControlDescriptions(const std::string& text);

} // namespace quorvane::hostsim
