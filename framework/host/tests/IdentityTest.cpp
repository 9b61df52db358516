#include <string>

#include <gtest/gtest.h>

#include "host/Identity.h"

namespace quorvane {
namespace {

struct IdentityCase {
    Deliverable deliverable;
    const char* displayName;
    const char* matchName;
    const char* sentence;
    const char* logFileName;
};

const IdentityCase kIdentities[] = {
    {Deliverable::Glow, "QV Glow", "KWQV Glow",
     "Ombrix 'Glow' - Creates a glow on selected picture parts.", "glow_ae.log"},
    {Deliverable::Spokewash, "QV Spokewash", "KWQV Spokewash",
     "Ombrix 'Spokewash' - Gererates a Spokewash using selected footage.",
     "spokewash_ae.log"},
    {Deliverable::Quadsoft, "QV Quadsoft", "KWQV Quadsoft",
     "Ombrix 'Quadsoft' - Creates a simple or abberated quadsoft.",
     "quadsoft_ae.log"},
    {Deliverable::Highlight, "QV Highlight", "KWQV Highlight",
     "Ombrix 'Highlight' - Simulates a highlight bloom on selected picture parts.",
     "highlight_ae.log"},
    {Deliverable::Tilefield, "QV Tilefield", "KWQV Tilefield",
     "Ombrix 'Tilefield' - Generates a Mosaic Effect on a virtual plane.",
     "tilefield_ae.log"},
    {Deliverable::Crystorb, "QV Crystorb", "KWQV Crystorb",
     "Ombrix 'Crystorb' - Generates a crystorb with lighting.", "crystorb_ae.log"},
    {Deliverable::Retrozoom, "QV Retrozoom", "KWQV Retrozoom",
     "Ombrix 'Retrozoom' aka Zoom Rotator", "retrozoom_ae.log"},
};

TEST(DeliverableIdentity, NamesAndSentence)
{
    for (const IdentityCase& c : kIdentities) {
        SCOPED_TRACE(c.displayName);
        const DeliverableIdentity& id = identityOf(c.deliverable);
        EXPECT_STREQ(id.displayName, c.displayName);
        EXPECT_STREQ(id.matchName, c.matchName);
        EXPECT_STREQ(id.sentence, c.sentence);
        EXPECT_STREQ(id.logFileName, c.logFileName);
    }
}

TEST(DeliverableIdentity, DescriptionIsSentenceBlankLineClosingLine)
{
    for (const IdentityCase& c : kIdentities) {
        SCOPED_TRACE(c.displayName);
        const std::string description = descriptionOf(c.deliverable);
        const std::string head = std::string(c.sentence) + "\n\n";
        ASSERT_EQ(description.compare(0, head.size(), head), 0) << description;
        const std::string closing = description.substr(head.size());
        ASSERT_GE(closing.size(), 2u);
        EXPECT_EQ(closing.back(), '\n');
        EXPECT_EQ(closing.find('\n'), closing.size() - 1) << "one closing line";
    }
}

TEST(DeliverableIdentity, AboutTextHasTwoBlanksBeforeTheVersion)
{
    for (const IdentityCase& c : kIdentities) {
        SCOPED_TRACE(c.displayName);
        const std::string description = descriptionOf(c.deliverable);
        EXPECT_EQ(aboutTitle(c.displayName), std::string(c.displayName) + " ");
        EXPECT_EQ(aboutText(c.displayName, kVersionMajor, kVersionMinor, kVersionBugfix,
                            description),
                  std::string(c.displayName) + "  v1.2.7\r" + description);
    }
}

TEST(Identity, SharedCategoryAndVersion)
{
    EXPECT_STREQ(kCategory, "Quorvane");
    EXPECT_EQ(kVersionMajor, 1);
    EXPECT_EQ(kVersionMinor, 2);
    EXPECT_EQ(kVersionBugfix, 7);
}

TEST(AboutText, GlowBeginsWithTwoBlanksAndTheFullVersion)
{
    const std::string text = aboutText("QV Glow", 1, 2, 7, descriptionOf(Deliverable::Glow));
    EXPECT_EQ(text.rfind("QV Glow  v1.2.7\rOmbrix 'Glow'", 0), 0u) << text;
}

TEST(AboutText, NoBugfixNumberWhenItIsZero)
{
    EXPECT_EQ(aboutText("QV Glow", 1, 2, 0, "Text"), "QV Glow  v1.2\rText");
    EXPECT_STREQ(aboutFormat(0), "%s v%d.%d\r%s");
    EXPECT_STREQ(aboutFormat(7), "%s v%d.%d.%d\r%s");
}

TEST(AboutText, DescriptionIsCopiedVerbatim)
{
    // printf directives inside the description are text, not format.
    EXPECT_EQ(aboutText("QV X", 3, 4, 5, "100% %s\n"), "QV X  v3.4.5\r100% %s\n");
}

} // namespace
} // namespace quorvane
