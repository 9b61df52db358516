#include "EffectSession.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <iterator>

#include "CommandErrors.h"
#include "TextEncoding.h"
#include "host/ae/PropertyList.h"

namespace quorvane {

namespace {

std::string propertyListPath(const std::string& library)
{
    const std::string stem = library.size() > 3 && library.compare(library.size() - 3, 3, ".so") == 0
                                 ? library.substr(0, library.size() - 3)
                                 : library;
    return stem + ".pipl";
}

std::vector<PropertyListEntry> readPropertyList(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<PropertyListEntry> entries;
    if (bytes.empty() || !parsePropertyList(bytes, &entries))
        return {};
    return entries;
}

std::string versionText(std::uint32_t v)
{
    return std::to_string((v >> 19) & 7) + "." + std::to_string((v >> 15) & 15) + "." +
           std::to_string((v >> 11) & 15);
}

// "QV Quadsoft  v1.2.7": the title before the version.
std::string displayNameFromAbout(const std::string& about)
{
    std::string title = about.substr(0, about.find('\n'));
    if (const auto v = title.rfind(" v"); v != std::string::npos)
        title.resize(v);
    while (!title.empty() && title.back() == ' ')
        title.pop_back();
    return title;
}

std::string versionFromAbout(const std::string& about)
{
    const std::string title = about.substr(0, about.find('\n'));
    const auto v = title.rfind(" v");
    return v == std::string::npos ? std::string() : title.substr(v + 2);
}

} // namespace

hostsim::ImageView hostView(ImageBuffer& image, PF_RationalScale pixelAspect)
{
    hostsim::ImageView view;
    view.data = image.data();
    view.width = image.width();
    view.height = image.height();
    view.rowBytes = image.rowBytes();
    view.depth = image.depth();
    view.pixelAspect = pixelAspect;
    return view;
}

A_long applicationIdNamed(const std::string& name)
{
    if (name == "premiere")
        return PF_ApplId_Premiere;
    if (name == "aftereffects")
        return PF_ApplId_AfterEffects;
    throw UsageError("unknown host '" + name + "' (aftereffects or premiere)");
}

EffectSession::EffectSession(EffectLocation location, const HostSettings& settings)
    : location_(std::move(location)), interrupt_(settings.interrupt)
{
    std::string error;
    library_ = hostsim::PluginLibrary::load(location_.library, error);
    if (!library_)
        throw UsageError(error);
    hostsim::HostConfig config;
    config.applicationId = settings.applicationId;
    config.specVersion = settings.path == hostsim::RenderPath::Smart ? PF_SpecVersion{12, 5} : PF_SpecVersion{12, 4};
    config.hostThreads = settings.threads;
    config.totalFrames = static_cast<A_long>(std::max(1L, settings.totalFrames));
    config.allocator = settings.allocator;
    host_ = std::make_unique<hostsim::HostSimulation>(library_->entryPoint(), config);
    if (settings.interrupt)
        host_->setInterruptFlag(settings.interrupt);
    if (settings.progress)
        host_->setProgressObserver(settings.progress);
}

EffectSession::~EffectSession()
{
    if (setUp_)
        host_->setDown();
}

void EffectSession::check(PF_Err result)
{
    if (result == PF_Err_NONE)
        return;
    if (result == PF_Interrupt_CANCEL && interrupt_ && interrupt_->load())
        throw Interrupted();
    throw PluginError(location_.name, result);
}

void EffectSession::setUp()
{
    check(host_->globalSetup());
    check(host_->paramsSetup());
    check(host_->sequenceSetup());
    setUp_ = true;
    controls_ = collectControls(host_->registrations(), library_->describeControls());
}

std::string EffectSession::about()
{
    std::string text;
    check(host_->about(&text));
    text = gbkToUtf8(text);
    for (char& c : text)
        if (c == '\r')
            c = '\n';
    return text;
}

EffectIdentity EffectSession::identity()
{
    const std::string text = about();
    EffectIdentity identity;
    identity.displayName = displayNameFromAbout(text);
    identity.version = versionFromAbout(text);
    for (const PropertyListEntry& entry : readPropertyList(propertyListPath(location_.library))) {
        if (entry.key == "eMNA" && !entry.data.empty())
            identity.matchName = gbkToUtf8(std::string(entry.data.begin() + 1,
                                                       entry.data.begin() + std::min<std::size_t>(entry.data.size(), 1u + entry.data[0])));
        if (entry.key == "eVER" && entry.data.size() >= 4)
            identity.version = versionText(std::uint32_t(entry.data[0]) | (std::uint32_t(entry.data[1]) << 8) |
                                           (std::uint32_t(entry.data[2]) << 16) | (std::uint32_t(entry.data[3]) << 24));
    }
    return identity;
}

void EffectSession::render(const hostsim::FrameRequest& request)
{
    PF_Err result = PF_Err_NONE;
    try {
        result = host_->renderFrame(request);
    } catch (const std::invalid_argument& e) {
        // Images the host cannot hand over together (the command checks most of it first).
        throw UsageError(e.what());
    }
    check(result);
}

void EffectSession::setDown()
{
    if (!setUp_)
        return;
    setUp_ = false;
    check(host_->setDown());
}

} // namespace quorvane
