#pragma once
// Where the plug-in libraries are: beside the build's `quorvane` (<exe dir>/../plugins) or in
// an installed prefix (<exe dir>/../lib/quorvane/plugins), found without configuration.

#include <optional>
#include <string>
#include <vector>

namespace quorvane {

struct EffectLocation {
    std::string name;      // command-line name (the library's file name for a path)
    std::string library;   // path of the shared library
};

// The folders searched, in order.
std::vector<std::string> pluginDirectories();

// The seven effect names, in their deliverable order.
std::vector<std::string> effectNames();

// EFFECT as the user gave it: a name (any case) or a path to a library (anything with a '/'
// or ending in .so). Throws UsageError for an unknown name or a library that is not there.
EffectLocation resolveEffect(const std::string& argument);

// Every effect whose library is present, in deliverable order.
std::vector<EffectLocation> availableEffects();

} // namespace quorvane
