#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "CommandErrors.h"
#include "ControlListing.h"
#include "ControlValues.h"

namespace quorvane {
namespace {

ControlInfo control(ControlKind kind, const char* name)
{
    ControlInfo c;
    c.kind = kind;
    c.shortName = name;
    return c;
}

ControlInfo floatControl(float low, float high)
{
    ControlInfo c = control(ControlKind::Float, "radius");
    c.registered.u.fs_d.valid_min = low;
    c.registered.u.fs_d.valid_max = high;
    return c;
}

ParsedValue parse(const ControlInfo& c, const std::string& text, std::vector<std::string>* warnings = nullptr)
{
    std::vector<std::string> ignored;
    return parseControlValue(c, text, 1920, 1080, warnings ? *warnings : ignored);
}

std::string usageError(const ControlInfo& c, const std::string& text)
{
    try {
        parse(c, text);
    } catch (const UsageError& e) {
        return e.what();
    }
    return "no error";
}

TEST(ControlValues, NumbersInsideTheValidRangeAreTakenAsGiven)
{
    std::vector<std::string> warnings;
    EXPECT_EQ(parse(floatControl(0, std::numeric_limits<float>::infinity()), "12.75", &warnings).number, 12.75);
    EXPECT_EQ(parse(floatControl(-1, 1), "+0.5").number, 0.5);
    EXPECT_EQ(parse(control(ControlKind::Angle, "angle"), "-45.5").number, -45.5);
    EXPECT_TRUE(warnings.empty());
}

TEST(ControlValues, OutOfRangeValuesAreClampedWithAWarning)
{
    std::vector<std::string> warnings;
    EXPECT_EQ(parse(floatControl(0, 100), "250", &warnings).number, 100);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], "radius: 250 is outside the valid range 0 to 100, using 100");

    ControlInfo slider = control(ControlKind::IntSlider, "count");
    slider.registered.u.sd.valid_min = 1;
    slider.registered.u.sd.valid_max = 8;
    EXPECT_EQ(parse(slider, "0", &warnings).integer, 1);

    ControlInfo colour = control(ControlKind::Colour, "tint");
    const ParsedValue c = parse(colour, "1.5,0.25,-1", &warnings);
    EXPECT_EQ(c.red, 1.0);
    EXPECT_EQ(c.green, 0.25);
    EXPECT_EQ(c.blue, 0.0);
    EXPECT_EQ(warnings.size(), 4u);
}

TEST(ControlValues, PointsRestrictedToTheLayerStayInsideIt)
{
    ControlInfo point = control(ControlKind::Point, "centre");
    std::vector<std::string> warnings;
    ParsedValue free = parse(point, "-20,2000", &warnings);
    EXPECT_EQ(free.x, -20);
    EXPECT_EQ(free.y, 2000);
    EXPECT_TRUE(warnings.empty());
    point.registered.u.td.restrict_bounds = 1;
    ParsedValue inside = parse(point, "-20,2000", &warnings);
    EXPECT_EQ(inside.x, 0);
    EXPECT_EQ(inside.y, 1080);
    EXPECT_EQ(warnings.size(), 2u);
}

TEST(ControlValues, CheckboxesAndPopups)
{
    const ControlInfo box = control(ControlKind::Checkbox, "gamma");
    EXPECT_EQ(parse(box, "1").integer, 1);
    EXPECT_EQ(parse(box, "off").integer, 0);
    ControlInfo popup = control(ControlKind::Popup, "mode");
    popup.registered.u.pd.num_choices = 2;
    EXPECT_EQ(parse(popup, "2").integer, 2);
    EXPECT_EQ(usageError(popup, "3"), "mode has no item 3 (its items are 1 to 2)");
    EXPECT_EQ(usageError(popup, "0"), "mode has no item 0 (its items are 1 to 2)");
}

TEST(ControlValues, UnparsableValuesAreUsageErrors)
{
    struct Case {
        ControlInfo control;
        const char* text;
    };
    ControlInfo popup = control(ControlKind::Popup, "mode");
    popup.registered.u.pd.num_choices = 2;
    const Case cases[] = {
        {floatControl(0, 1), "abc"},     {floatControl(0, 1), ""},        {floatControl(0, 1), "nan"},
        {floatControl(0, 1), "inf"},     {floatControl(0, 1), "1e999"},   {floatControl(0, 1), "0.5x"},
        {control(ControlKind::IntSlider, "n"), "2.5"},                   {control(ControlKind::Checkbox, "b"), "2"},
        {popup, "1.0"},                  {control(ControlKind::Point, "p"), "3"},
        {control(ControlKind::Point, "p"), "1,2,3"},                     {control(ControlKind::Colour, "c"), "1,1"},
        {control(ControlKind::Angle, "a"), "ten"},
    };
    for (const Case& c : cases)
        EXPECT_NE(usageError(c.control, c.text).find("bad value '" + std::string(c.text) + "'"), std::string::npos)
            << c.text << ": " << usageError(c.control, c.text);
    EXPECT_NE(usageError(control(ControlKind::Layer, "map"), "x.png").find("--layer map=FILE"), std::string::npos);
    EXPECT_NE(usageError(control(ControlKind::GroupStart, "group"), "1").find("has no value"), std::string::npos);
}

std::vector<ControlInfo> sampleControls()
{
    hostsim::Registration radius;
    radius.def.param_type = PF_Param_FLOAT_SLIDER;
    radius.def.id = 1;
    radius.name = "\xB0\xEB\xBE\xB6";   // 半径
    hostsim::Registration mode;
    mode.def.param_type = PF_Param_POPUP;
    mode.def.id = 6;
    mode.name = "Mode";
    mode.popupTexts = "\xD5\xFD\xB3\xA3| \xC0\xA9\xD5\xB9";   // 正常| 扩展
    hostsim::Registration enable;
    enable.def.param_type = PF_Param_CHECKBOX;
    enable.def.id = 10;
    enable.name = "\xC6\xF4\xD3\xC3";   // 启用
    const auto describe = [](A_long id, const char* name, const char* key) {
        hostsim::ControlDescription d;
        d.id = id;
        d.shortName = name;
        d.key = key;
        return d;
    };
    const std::vector<hostsim::ControlDescription> descriptions = {
        describe(1, "radius", "\xB0\xEB\xBE\xB6"),
        describe(6, "mode", ""),
        describe(10, "selection_enabled", "\xD1\xA1\xD4\xF1\xC6\xF4\xD3\xC3"),   // key 选择启用
    };
    return collectControls({radius, mode, enable}, descriptions);
}

TEST(Controls, JoinRegistrationsWithTheLibrarysDescriptions)
{
    const auto controls = sampleControls();
    ASSERT_EQ(controls.size(), 3u);
    EXPECT_EQ(controls[0].index, 1);
    EXPECT_EQ(controls[0].label, "半径");
    EXPECT_EQ(controls[0].key, "半径");
    EXPECT_EQ(controls[1].key, "Mode");   // no key given: the label
    EXPECT_EQ(controls[1].items, (std::vector<std::string>{"正常", "扩展"}));
    EXPECT_EQ(controls[2].label, "启用");
    EXPECT_EQ(controls[2].key, "选择启用");
}

TEST(Controls, AreFoundByIdShortNameOrKey)
{
    const auto controls = sampleControls();
    EXPECT_EQ(findControl(controls, "6", "fx").id, 6);
    EXPECT_EQ(findControl(controls, "Radius", "fx").id, 1);
    EXPECT_EQ(findControl(controls, "选择启用", "fx").id, 10);
    EXPECT_EQ(findControl(controls, "半径", "fx").id, 1);
    try {
        findControl(controls, "启用", "fx");   // a label, not a key
        FAIL();
    } catch (const UsageError& e) {
        EXPECT_STREQ(e.what(), "fx has no control '启用' (see quorvane controls fx)");
    }
    EXPECT_THROW(findControl(controls, "99", "fx"), UsageError);
}

TEST(ControlListing, WideCharactersTakeTwoColumns)
{
    EXPECT_EQ(displayWidth("radius"), 6);
    EXPECT_EQ(displayWidth("外部 x 采取"), 11);
    const std::string table = controlTable(sampleControls());
    EXPECT_NE(table.find("selection_enabled"), std::string::npos);
    EXPECT_NE(table.find("1 正常, 2 扩展"), std::string::npos);
}

TEST(PluginErrors, AreDescribedWithTheirCode)
{
    EXPECT_EQ(describePluginError(4), "out of memory (4)");
    EXPECT_EQ(describePluginError(517), "render interrupted (517)");
    EXPECT_EQ(describePluginError(99), "error (99)");
    EXPECT_STREQ(PluginError("glow", 4, " on frame 3").what(), "glow failed on frame 3: out of memory (4)");
}

} // namespace
} // namespace quorvane
