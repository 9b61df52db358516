#include <gtest/gtest.h>

#include "TextEncoding.h"

namespace quorvane {
namespace {

// "半径" and "选择图层" in GBK.
const std::string kRadiusGbk = "\xB0\xEB\xBE\xB6";
const std::string kSelectLayerGbk = "\xD1\xA1\xD4\xF1\xCD\xBC\xB2\xE3";

TEST(TextEncoding, GbkToUtf8AndBack)
{
    EXPECT_EQ(gbkToUtf8(kRadiusGbk), "半径");
    EXPECT_EQ(gbkToUtf8(kSelectLayerGbk), "选择图层");
    EXPECT_EQ(gbkToUtf8("alpha \xCD\xA8\xB5\xC0"), "alpha 通道");
    EXPECT_EQ(utf8ToGbk("半径"), kRadiusGbk);
    EXPECT_EQ(utf8ToGbk("radius"), "radius");
}

TEST(TextEncoding, BytesThatAreNotGbkBecomeReplacementCharacters)
{
    EXPECT_EQ(gbkToUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(gbkToUtf8("x\xB0"), "x\xEF\xBF\xBD");   // cut in the middle of a character
}

TEST(TextEncoding, TextsGbkCannotHoldMatchNothing)
{
    EXPECT_FALSE(utf8ToGbk("\xF0\x9F\x99\x82").has_value());   // an emoji
    EXPECT_FALSE(utf8ToGbk("\xC3").has_value());               // broken UTF-8
}

} // namespace
} // namespace quorvane
