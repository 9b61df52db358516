#pragma once
// Identity of the seven deliverables, in one place that every deliverable and the
// standalone host read.

#include <string>

namespace quorvane {

struct DeliverableIdentity {
    const char* name;          // command-line name, lower case
    const char* displayName;   // "QV Glow"
    const char* matchName;     // "KWQV Glow"
    const char* sentence;      // first sentence of the description
    const char* menuName;      // menu name of the property list, GBK bytes
    const char* logFileName;   // debug log file inside the "quorvane/" folder
};

enum class Deliverable { Glow, Spokewash, Quadsoft, Highlight, Tilefield, Crystorb, Retrozoom };

constexpr int kDeliverableCount = 7;
constexpr const char* kCategory = "Quorvane";
constexpr int kVersionMajor = 1;
constexpr int kVersionMinor = 2;
constexpr int kVersionBugfix = 7;

const DeliverableIdentity& identityOf(Deliverable deliverable);

// The sentence, a blank line, the closing line and a final line feed.
std::string descriptionOf(Deliverable deliverable);

// printf format of the about text: no bug-fix number when it is 0.
const char* aboutFormat(int versionBugfix);
// Title of the about box: the display name and one blank.
std::string aboutTitle(const std::string& displayName);
// The about text as the host's sprintf builds it from aboutFormat.
std::string aboutText(const std::string& displayName, int major, int minor, int bugfix,
                      const std::string& description);

} // namespace quorvane
