#include "host/Identity.h"

#include <cstdio>
#include <vector>

namespace quorvane {

namespace {

const DeliverableIdentity kIdentities[kDeliverableCount] = {
    {"glow", "QV Glow", "KWQV Glow",
     "Ombrix 'Glow' - Creates a glow on selected picture parts.", "辉光", "glow_ae.log"},
    {"spokewash", "QV Spokewash", "KWQV Spokewash",
     "Ombrix 'Spokewash' - Gererates a Spokewash using selected footage.", "Spokewash",
     "spokewash_ae.log"},
    {"quadsoft", "QV Quadsoft", "KWQV Quadsoft",
     "Ombrix 'Quadsoft' - Creates a simple or abberated quadsoft.", "Quadsoft",
     "quadsoft_ae.log"},
    {"highlight", "QV Highlight", "KWQV Highlight",
     "Ombrix 'Highlight' - Simulates a highlight bloom on selected picture parts.", "高光",
     "highlight_ae.log"},
    {"tilefield", "QV Tilefield", "KWQV Tilefield",
     "Ombrix 'Tilefield' - Generates a Mosaic Effect on a virtual plane.", "Tilefield",
     "tilefield_ae.log"},
    {"crystorb", "QV Crystorb", "KWQV Crystorb",
     "Ombrix 'Crystorb' - Generates a crystorb with lighting.", "Crystorb", "crystorb_ae.log"},
    {"retrozoom", "QV Retrozoom", "KWQV Retrozoom", "Ombrix 'Retrozoom' aka Zoom Rotator",
     "Retrozoom", "retrozoom_ae.log"},
};

constexpr const char* kClosingLine = "One of the Quorvane image effects.";

} // namespace

const DeliverableIdentity& identityOf(Deliverable deliverable)
{
    return kIdentities[static_cast<int>(deliverable)];
}

std::string descriptionOf(Deliverable deliverable)
{
    return std::string(identityOf(deliverable).sentence) + "\n\n" + kClosingLine + "\n";
}

const char* aboutFormat(int versionBugfix)
{
    return versionBugfix != 0 ? "%s v%d.%d.%d\r%s" : "%s v%d.%d\r%s";
}

std::string aboutTitle(const std::string& displayName) { return displayName + " "; }

std::string aboutText(const std::string& displayName, int major, int minor, int bugfix,
                      const std::string& description)
{
    const std::string title = aboutTitle(displayName);
    const char* format = aboutFormat(bugfix);
    auto print = [&](char* out, std::size_t size) {
        return bugfix != 0 ? std::snprintf(out, size, format, title.c_str(), major, minor, bugfix,
                                           description.c_str())
                           : std::snprintf(out, size, format, title.c_str(), major, minor,
                                           description.c_str());
    };
    const int length = print(nullptr, 0);
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    print(text.data(), text.size());
    return std::string(text.data(), static_cast<std::size_t>(length));
}

} // namespace quorvane
