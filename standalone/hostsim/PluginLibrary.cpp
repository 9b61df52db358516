#include "hostsim/PluginLibrary.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <charconv>
#include <sstream>

namespace quorvane::hostsim {

std::unique_ptr<PluginLibrary> PluginLibrary::load(const std::string& path, std::string& error)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        error = "plug-in library " + path + " does not exist";
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        error = path + " is not a plug-in library (not a regular file)";
        return nullptr;
    }
    // Never unmapped: a plug-in's process-wide worker threads may still run its code.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle) {
        const char* reason = ::dlerror();
        error = path + " is not a loadable plug-in library: " + (reason ? reason : "unknown reason");
        return nullptr;
    }
    ::dlerror();
    void* entry = ::dlsym(handle, "EntryPointFunc");
    if (!entry) {
        ::dlclose(handle);
        error = path + " is not a plug-in library: it exports no EntryPointFunc";
        return nullptr;
    }
    std::unique_ptr<PluginLibrary> library(new PluginLibrary);
    library->handle_ = handle;
    library->path_ = path;
    library->entry_ = reinterpret_cast<PF_EntryPointFunc>(entry);
    library->describe_ =
        reinterpret_cast<QuorvaneDescribeControlsFunc>(::dlsym(handle, "QuorvaneDescribeControls"));
    error.clear();
    return library;
}

PluginLibrary::~PluginLibrary()
{
    if (handle_)
        ::dlclose(handle_);
}

std::vector<ControlDescription> PluginLibrary::describeControls() const
{
    if (!describe_)
        return {};
    // The text may in principle change between the size query and the read; ask again until
    // it fits.
    int needed = describe_(nullptr, 0);
    for (int attempt = 0; attempt < 4 && needed >= 0; ++attempt) {
        std::string buffer(static_cast<std::size_t>(needed) + 1, '\0');
        const int size = static_cast<int>(buffer.size());
        const int written = describe_(buffer.data(), size);
        if (written < size) {
            buffer.resize(written < 0 ? 0 : static_cast<std::size_t>(written));
            const std::size_t zero = buffer.find('\0');
            if (zero != std::string::npos)
                buffer.resize(zero);
            return parseControlDescriptions(buffer);
        }
        needed = written;
    }
    return {};
}

std::vector<ControlDescription> parseControlDescriptions(const std::string& text)
{
    std::vector<ControlDescription> result;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (;;) {
            const std::size_t tab = line.find('\t', start);
            fields.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
            if (tab == std::string::npos)
                break;
            start = tab + 1;
        }
        if (fields.size() < 2 || fields[0].empty() || fields[1].empty())
            continue;
        ControlDescription description;
        const char* first = fields[0].data();
        const char* last = first + fields[0].size();
        const auto [end, code] = std::from_chars(first, last, description.id);
        if (code != std::errc() || end != last)
            continue;
        description.shortName = fields[1];
        if (fields.size() > 2)
            description.key = fields[2];
        if (fields.size() > 3)
            description.extra.assign(fields.begin() + 3, fields.end());
        result.push_back(std::move(description));
    }
    return result;
}

} // namespace quorvane::hostsim
