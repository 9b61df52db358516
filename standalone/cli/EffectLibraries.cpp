#include "EffectLibraries.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "CommandErrors.h"
#include "host/Identity.h"

namespace quorvane {

namespace {

std::string executableDirectory()
{
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return ".";
    std::string text(path, static_cast<std::size_t>(length));
    const auto slash = text.find_last_of('/');
    return slash == std::string::npos ? "." : text.substr(0, slash);
}

bool isFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::optional<std::string> findLibrary(const std::string& name)
{
    for (const std::string& directory : pluginDirectories())
        if (const std::string path = directory + "/" + name + ".so"; isFile(path))
            return path;
    return std::nullopt;
}

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

std::vector<std::string> pluginDirectories()
{
    const std::filesystem::path base = executableDirectory();
    return {(base / "../plugins").lexically_normal().string(),
            (base / "../lib/quorvane/plugins").lexically_normal().string()};
}

std::vector<std::string> effectNames()
{
    std::vector<std::string> names;
    for (int i = 0; i < kDeliverableCount; ++i)
        names.push_back(identityOf(static_cast<Deliverable>(i)).name);
    return names;
}

EffectLocation resolveEffect(const std::string& argument)
{
    if (argument.find('/') != std::string::npos || endsWith(argument, ".so")) {
        if (!isFile(argument))
            throw UsageError("no plug-in library at " + argument);
        std::string name = argument.substr(argument.find_last_of('/') + 1);
        if (endsWith(name, ".so"))
            name.resize(name.size() - 3);
        return {name, argument};
    }
    const std::string name = lower(argument);
    const std::vector<std::string> names = effectNames();
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        std::string known;
        for (const std::string& n : names)
            known += (known.empty() ? "" : ", ") + n;
        throw UsageError("unknown effect '" + argument + "' (the effects are " + known +
                         ", or give the path of a plug-in library)");
    }
    if (const auto library = findLibrary(name))
        return {name, *library};
    throw UsageError("the " + name + " plug-in is not built (looked in " + pluginDirectories()[0] +
                     " and " + pluginDirectories()[1] + ")");
}

std::vector<EffectLocation> availableEffects()
{
    std::vector<EffectLocation> found;
    for (const std::string& name : effectNames())
        if (const auto library = findLibrary(name))
            found.push_back({name, *library});
    return found;
}

} // namespace quorvane
