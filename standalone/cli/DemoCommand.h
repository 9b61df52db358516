#pragma once
// `quorvane demo [DIR]`: every available effect rendered with its defaults on the sample
// frame into DIR as PNG, the source beside them, and an index.html that shows source and
// result side by side with the effect's name and render time.

#include <string>

namespace quorvane {

int runDemo(const std::string& directory, int threads, bool quiet);

} // namespace quorvane
