#pragma once
// `quorvane list`, `controls EFFECT [--json]` and `about EFFECT`; each returns the exit status.

#include <string>

namespace quorvane {

int runList();
int runControls(const std::string& effect, bool json);
int runAbout(const std::string& effect);

} // namespace quorvane
