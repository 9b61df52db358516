#include "InfoCommands.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "CommandErrors.h"
#include "ControlListing.h"
#include "EffectSession.h"

namespace quorvane {

namespace {

// Describing a plug-in renders nothing: no threads of the host's own.
HostSettings describingHost()
{
    HostSettings settings;
    settings.threads = 0;
    return settings;
}

} // namespace

int runList()
{
    const std::vector<EffectLocation> effects = availableEffects();
    if (effects.empty()) {
        std::fprintf(stderr, "quorvane: no plug-in libraries found (looked in %s and %s)\n",
                     pluginDirectories()[0].c_str(), pluginDirectories()[1].c_str());
        return kExitSuccess;
    }
    std::vector<std::vector<std::string>> rows;
    for (const EffectLocation& location : effects) {
        EffectSession session(location, describingHost());
        const EffectIdentity identity = session.identity();
        rows.push_back({location.name, identity.displayName, identity.matchName.empty() ? "-" : identity.matchName,
                        identity.version, location.library});
    }
    std::vector<int> widths(rows.front().size(), 0);
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], displayWidth(row[i]));
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? row[i] + std::string(static_cast<std::size_t>(widths[i] - displayWidth(row[i]) + 2), ' ')
                                       : row[i];
        std::printf("%s\n", line.c_str());
    }
    return kExitSuccess;
}

int runControls(const std::string& effect, bool json)
{
    EffectSession session(resolveEffect(effect), describingHost());
    session.setUp();
    const std::string text = json ? controlJson(session.controls()) : controlTable(session.controls());
    std::fputs(text.c_str(), stdout);
    return kExitSuccess;
}

int runAbout(const std::string& effect)
{
    EffectSession session(resolveEffect(effect), describingHost());
    std::string text = session.about();
    if (text.empty() || text.back() != '\n')
        text += '\n';
    std::fputs(text.c_str(), stdout);
    return kExitSuccess;
}

} // namespace quorvane
