#include "CommandErrors.h"

namespace quorvane {

namespace {

const char* meaningOf(int code)
{
    switch (code) {
    case 4: return "out of memory";
    case 512: return "internal structure damaged";
    case 513: return "invalid index";
    case 514: return "unrecognized parameter type";
    case 515: return "invalid callback";
    case 516: return "bad callback parameter (a host service is missing)";
    case 517: return "render interrupted";
    default: return "error";
    }
}

} // namespace

std::string describePluginError(int code)
{
    return std::string(meaningOf(code)) + " (" + std::to_string(code) + ")";
}

PluginError::PluginError(const std::string& effect, int code, const std::string& context)
    : std::runtime_error(effect + " failed" + context + ": " + describePluginError(code)), code_(code)
{
}

} // namespace quorvane
