// An effect assembled the way every deliverable is: a host template deriving from its host
// first and its parameter set second, the parameter objects members of the set and linked
// into its list by the set's constructor.

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/Identity.h"
#include "host/QuorvaneHost.h"
#include "parameters/tests/TestParameterKinds.h"

namespace quorvane {
namespace {

using namespace quorvane::testing;

class SomethingParameters : public xParameterList {
public:
    SomethingParameters()
    {
        group.def = xGroupDef("Look", "", 1);
        amount.def = xFloatDef("Amount", "amount", 2, 50, 0, 100, 0, 1000, 1);
        angle.def = xAngleDef("Direction", "", 3, 90, -180, 180, -3600, 3600, 1);
        {
            xChoiceDef def("Mode", "mode", 4, 2);
            def.addItem("Soft");
            def.addItem("Hard");
            mode.def = def;
        }
        mode.def.supervised = true;
        groupEnd.def = xGroupEndDef("Look end", "", 5);
        show.def = xCheckboxDef("Show", "", 6, true);
        count.def = xIntSliderDef("Count", "", 7, 3, 1, 10, 1, 64);
        centre.def = xPoint2dDef("Centre", "", 8, 0.5, 0.5, false);
        colour.def = xRGBADef("Colour", "", 9, 1, 0.5, 0, "", 0, 1);
        map.def = xLayerDef("Map", "", 10, false, false);

        for (xParameterBase* p : std::vector<xParameterBase*>{&group, &amount, &angle, &mode,
                                                              &groupEnd, &show, &count, &centre,
                                                              &colour, &map})
            append(p);
    }

    TestGroup group;
    TestFloat amount;
    TestAngle angle;
    TestChoice mode;
    TestGroupEnd groupEnd;
    TestCheckbox show;
    TestIntSlider count;
    TestPoint2d centre;
    TestRGBA colour;
    TestLayer map;
};

template <class Host>
class SomethingHost : public Host, public SomethingParameters {
public:
    SomethingHost()
        : Host("QV Something", kCategory, "Something.\n\nLine.\n", kVersionMajor, kVersionMinor,
               kVersionBugfix)
    {
    }

    xParameterList* parameters() override { return static_cast<SomethingParameters*>(this); }
};

class SomethingTestHost : public SomethingHost<QuorvaneHost> {
public:
    ~SomethingTestHost() override = default;
};

TEST(Composition, EffectSeesItsParametersInOrder)
{
    SomethingTestHost effect;
    QuorvaneHost& host = effect;
    xParameterList* list = host.parameters();
    ASSERT_NE(list, nullptr);

    const std::vector<std::string> labels = {"Look", "Amount", "Direction", "Mode", "Look end",
                                             "Show", "Count", "Centre", "Colour", "Map"};
    ASSERT_EQ(list->size(), labels.size());
    int expectedId = 1;
    std::size_t i = 0;
    for (xParameterBase* p : *list) {
        EXPECT_EQ(p->definition().label, labels[i++]);
        EXPECT_EQ(p->definition().id, expectedId++);
    }
    EXPECT_EQ(list->at(1), &effect.amount);
    EXPECT_EQ(list->at(9), &effect.map);
}

TEST(Composition, MembersCarryTheirAssignedDefinitions)
{
    SomethingTestHost effect;
    EXPECT_EQ(effect.amount.value(), 50.0);
    EXPECT_EQ(effect.amount.def.sliderMax, 100.0);
    EXPECT_EQ(effect.amount.def.validMax, 1000.0);
    EXPECT_EQ(effect.mode.def.key, "mode");
    EXPECT_EQ(effect.mode.def.items, (std::vector<std::string>{"Soft", "Hard"}));
    EXPECT_TRUE(effect.mode.def.supervised);
    EXPECT_FALSE(effect.amount.def.supervised);
    EXPECT_EQ(effect.angle.def.key, "Direction");
}

TEST(Composition, ParameterSetIsTheSecondBase)
{
    SomethingTestHost effect;
    const void* hostPart = static_cast<QuorvaneHost*>(&effect);
    const void* parameterPart = static_cast<SomethingParameters*>(&effect);
    EXPECT_TRUE(std::less<const void*>()(hostPart, parameterPart));
    EXPECT_EQ(effect.displayName, "QV Something");
}

TEST(Composition, PlainHostKeepsItsOwnEmptyList)
{
    QuorvaneHost host("QV Plain", kCategory, "", 1, 2, 7);
    SomethingTestHost effect;
    EXPECT_EQ(host.parameters()->size(), 0u);
    EXPECT_NE(static_cast<QuorvaneHost&>(effect).parameters(), host.parameters());
}

} // namespace
} // namespace quorvane
