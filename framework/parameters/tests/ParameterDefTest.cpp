#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "parameters/ParameterDef.h"

namespace quorvane {
namespace {

// Later-declared members of one object lie at higher addresses.
template <class A, class B>
bool storedBefore(const A& first, const B& second)
{
    return std::less<const void*>()(&first, &second);
}

TEST(ParameterDefKey, EmptyKeyTakesTheLabel)
{
    EXPECT_EQ(xParameterDef("Radius", "", 3).key, "Radius");
    EXPECT_EQ(xGroupDef("Colour", "", 4).key, "Colour");
    EXPECT_EQ(xFloatDef("Amount", "", 5, 1, 0, 10, 0, 100, 1).key, "Amount");
    EXPECT_EQ(xChoiceDef("Mode", "", 6, 1).key, "Mode");
}

TEST(ParameterDefKey, GivenKeyStaysApartFromTheLabel)
{
    const xCheckboxDef def("Show selection", "showSelection", 9, true);
    EXPECT_EQ(def.label, "Show selection");
    EXPECT_EQ(def.key, "showSelection");
    EXPECT_EQ(def.id, 9);
}

TEST(ParameterDefFlags, DefaultsOfTheBaseFlags)
{
    const xParameterDef neutral;
    const xIntSliderDef constructed("Count", "count", 2, 5, 0, 10, 0, 100);
    for (const xParameterDef* def : {&neutral, static_cast<const xParameterDef*>(&constructed)}) {
        EXPECT_TRUE(def->animatable);
        EXPECT_FALSE(def->supervised);
        EXPECT_TRUE(def->note.empty());
        EXPECT_FALSE(def->hidden);
        EXPECT_TRUE(def->startCollapsed);
        EXPECT_TRUE(def->enabled);
    }
    EXPECT_TRUE(neutral.key.empty());
    EXPECT_TRUE(neutral.label.empty());
    EXPECT_EQ(neutral.id, 0);
}

TEST(ParameterDefFlags, NeutralNumericDefinitions)
{
    const xFloatDef f;
    EXPECT_EQ(f.precision, 2);
    EXPECT_EQ(f.defaultValue, 0.0);
    EXPECT_FALSE(f.displayAsPixels);
    EXPECT_FALSE(f.displayAsPercent);
    EXPECT_EQ(xAngleDef().precision, 2);
    EXPECT_EQ(xIntSliderDef().defaultValue, 0);
}

TEST(ParameterDefOrder, FloatTakesSliderRangeBeforeValidRangeAndStoresTheReverse)
{
    const xFloatDef def("Radius", "radius", 7, 10.0, 1.0, 50.0, 0.0, 500.0, 3);
    EXPECT_EQ(def.defaultValue, 10.0);
    EXPECT_EQ(def.sliderMin, 1.0);
    EXPECT_EQ(def.sliderMax, 50.0);
    EXPECT_EQ(def.validMin, 0.0);
    EXPECT_EQ(def.validMax, 500.0);
    EXPECT_EQ(def.precision, 3);

    EXPECT_TRUE(storedBefore(def.displayAsPixels, def.displayAsPercent));
    EXPECT_TRUE(storedBefore(def.displayAsPercent, def.precision));
    EXPECT_TRUE(storedBefore(def.precision, def.defaultValue));
    EXPECT_TRUE(storedBefore(def.defaultValue, def.validMin));
    EXPECT_TRUE(storedBefore(def.validMax, def.sliderMin));
    EXPECT_TRUE(storedBefore(def.sliderMin, def.sliderMax));
}

TEST(ParameterDefOrder, AngleLikeFloat)
{
    const xAngleDef def("Angle", "", 8, 45.0, -90.0, 90.0, -360.0, 360.0, 1);
    EXPECT_EQ(def.defaultValue, 45.0);
    EXPECT_EQ(def.sliderMin, -90.0);
    EXPECT_EQ(def.sliderMax, 90.0);
    EXPECT_EQ(def.validMin, -360.0);
    EXPECT_EQ(def.validMax, 360.0);
    EXPECT_EQ(def.precision, 1);
    EXPECT_TRUE(storedBefore(def.precision, def.defaultValue));
    EXPECT_TRUE(storedBefore(def.defaultValue, def.validMin));
    EXPECT_TRUE(storedBefore(def.validMax, def.sliderMin));
}

TEST(ParameterDefOrder, IntSliderLikeFloatWithoutPrecision)
{
    const xIntSliderDef def("Count", "", 9, 4, 1, 16, 0, 256);
    EXPECT_EQ(def.defaultValue, 4);
    EXPECT_EQ(def.sliderMin, 1);
    EXPECT_EQ(def.sliderMax, 16);
    EXPECT_EQ(def.validMin, 0);
    EXPECT_EQ(def.validMax, 256);
    EXPECT_TRUE(storedBefore(def.defaultValue, def.validMin));
    EXPECT_TRUE(storedBefore(def.validMin, def.validMax));
    EXPECT_TRUE(storedBefore(def.validMax, def.sliderMin));
}

TEST(ParameterDefOrder, ValuesAreStoredUnclamped)
{
    // A default outside both ranges is kept as given.
    const xFloatDef def("Odd", "", 1, 900.0, 0.0, 1.0, 0.0, 10.0, 0);
    EXPECT_EQ(def.defaultValue, 900.0);
}

TEST(ParameterDefOrder, ColourTakesAlphaKeyAndIdBeforeItsDefault)
{
    const xRGBADef def("Colour", "colour", 11, 0.25, 0.5, 0.75, "opacity", 12, 0.8);
    EXPECT_EQ(def.red, 0.25);
    EXPECT_EQ(def.green, 0.5);
    EXPECT_EQ(def.blue, 0.75);
    EXPECT_EQ(def.alphaKey, "opacity");
    EXPECT_EQ(def.alphaId, 12);
    EXPECT_EQ(def.alphaDefault, 0.8);
    EXPECT_EQ(xRGBADef().alphaId, 0);
}

TEST(ParameterDefOrder, PointLayerAndCheckboxValues)
{
    const xPoint2dDef point("Centre", "", 13, 0.5, 0.25, true);
    EXPECT_EQ(point.x, 0.5);
    EXPECT_EQ(point.y, 0.25);
    EXPECT_TRUE(point.restrictToBounds);
    const xLayerDef layer("Map", "", 14, true, false);
    EXPECT_TRUE(layer.flag1);
    EXPECT_FALSE(layer.flag2);
    EXPECT_TRUE(xCheckboxDef("On", "", 15, true).defaultValue);
}

TEST(ParameterDefCopy, ChoiceCopyOwnsItsItems)
{
    xChoiceDef source("Mode", "mode", 20, 2);
    source.addItem("Add");
    source.addItem("Screen");

    xChoiceDef copy = source;
    copy.items[0] = "Multiply";
    copy.addItem("Overlay");

    EXPECT_EQ(source.items, (std::vector<std::string>{"Add", "Screen"}));
    EXPECT_EQ(copy.items, (std::vector<std::string>{"Multiply", "Screen", "Overlay"}));
    EXPECT_EQ(copy.defaultValue, 2);
}

TEST(ParameterDefCopy, AssignmentFromADiscardedTemporaryKeepsEverything)
{
    // The parameter-set pattern: a neutral member definition receives a temporary.
    xChoiceDef member;
    {
        xChoiceDef temporary("Mode", "mode", 21, 3);
        temporary.addItem("One");
        temporary.addItem("Two");
        temporary.addItem("Three");
        temporary.supervised = true;
        temporary.note = "note";
        temporary.hidden = true;
        temporary.startCollapsed = false;
        temporary.enabled = false;
        temporary.animatable = false;
        member = temporary;
    }
    EXPECT_EQ(member.label, "Mode");
    EXPECT_EQ(member.key, "mode");
    EXPECT_EQ(member.id, 21);
    EXPECT_EQ(member.defaultValue, 3);
    EXPECT_EQ(member.items, (std::vector<std::string>{"One", "Two", "Three"}));
    EXPECT_TRUE(member.supervised);
    EXPECT_EQ(member.note, "note");
    EXPECT_TRUE(member.hidden);
    EXPECT_FALSE(member.startCollapsed);
    EXPECT_FALSE(member.enabled);
    EXPECT_FALSE(member.animatable);
}

} // namespace
} // namespace quorvane
