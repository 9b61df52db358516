// Registration of bound parameters whose definitions hold extreme values: every conversion to
// the host's integers saturates, single-precision ranges overflow to infinities, and names are
// cut to the host's 31 bytes without splitting a GBK character.

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/ae/EntryPoint.h"
#include "hostsim/HostSimulation.h"
#include "parameters/BoundParameters.h"

namespace quorvane {
namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();
const double kNaN = std::nan("");

// 20 GBK characters ("选" repeated), 40 bytes.
const std::string kLongGbkLabel = [] {
    std::string label;
    for (int i = 0; i < 20; ++i)
        label += "\xD1\xA1";
    return label;
}();

class ExtremeParameters : public xParameterList {
public:
    ExtremeParameters()
    {
        hugeAngle.def = xAngleDef("Huge angle", "", 1, 1e12, 0, 1, 0, 1, 1);
        nanAngle.def = xAngleDef("NaN angle", "", 2, kNaN, 0, 1, 0, 1, 1);
        farPoint.def = xPoint2dDef("Far point", "", 3, 1e9, -1e9, false);
        nanPoint.def = xPoint2dDef("NaN point", "", 4, kNaN, 0.25, false);
        colour.def = xRGBADef("Colour", "", 5, 2.0, -1.0, kNaN, "", 6, kNaN);
        wide.def = xFloatDef("Wide", "", 7, 1e39, -1e300, 1e300, -1e39, 1e39, 1000000);
        longName.def = xFloatDef(std::string(40, 'n'), "", 8, 0, 0, 1, 0, 1, 1);
        longGbkName.def = xCheckboxDef(kLongGbkLabel, "", 9, false);
        longColour.def = xRGBADef(std::string(28, 'c'), "", 10, 0, 0, 0, "", 11, 1);
        {
            xChoiceDef def("Choice", "", 12, 100000);
            def.addItem("only");
            choice.def = def;
        }
        for (xParameterBase* p : std::vector<xParameterBase*>{&hugeAngle, &nanAngle, &farPoint,
                                                              &nanPoint, &colour, &wide,
                                                              &longName, &longGbkName,
                                                              &longColour, &choice})
            append(p);
    }

    xAngle hugeAngle, nanAngle;
    xPoint2d farPoint, nanPoint;
    xRGBA colour;
    xFloat wide, longName;
    xCheckbox longGbkName;
    xRGBA longColour;
    xChoice choice;
};

class ExtremeAEHost : public AfterEffectsHost, public ExtremeParameters {
public:
    using AfterEffectsHost::AfterEffectsHost;
    xParameterList* parameters() override { return this; }
    int render8(ImageInfo*, ImageInfo*, InputImages*) override { return noError(); }
    int render16(ImageInfo*, ImageInfo*, InputImages*) override { return noError(); }
    int renderFloat(ImageInfo*, ImageInfo*, InputImages*) override { return noError(); }
};

TEST(AeBoundRegistration, ExtremeDefinitionsRegisterSaturatedValues)
{
    hostsim::HostSimulation sim(&perCommandEntryPoint<ExtremeAEHost, Deliverable::Glow>);
    ASSERT_EQ(sim.setUp(), PF_Err_NONE);
    const std::vector<hostsim::Registration>& r = sim.registrations();
    ASSERT_EQ(r.size(), 12u);

    EXPECT_EQ(r[0].def.u.ad.value, kIntMax);
    EXPECT_EQ(r[1].def.u.ad.value, 0);
    EXPECT_EQ(r[2].def.u.td.x_value, kIntMax);
    EXPECT_EQ(r[2].def.u.td.y_value, kIntMin);
    EXPECT_EQ(r[3].def.u.td.x_value, 0);
    EXPECT_EQ(r[3].def.u.td.y_value, 25 * 65536);

    const PF_Pixel c = r[4].def.u.cd.value;
    EXPECT_EQ(c.alpha, 255);
    EXPECT_EQ(c.red, 255);
    EXPECT_EQ(c.green, 0);
    EXPECT_EQ(c.blue, 0);
    EXPECT_TRUE(std::isnan(r[5].def.u.fs_d.dephault));   // the alpha default, kept a float

    const PF_FloatSliderDef wide = r[6].def.u.fs_d;
    EXPECT_EQ(wide.valid_min, -std::numeric_limits<float>::infinity());
    EXPECT_EQ(wide.valid_max, std::numeric_limits<float>::infinity());
    EXPECT_EQ(wide.slider_min, -std::numeric_limits<float>::infinity());
    EXPECT_EQ(wide.dephault, std::numeric_limits<float>::infinity());
    EXPECT_EQ(wide.precision, std::numeric_limits<A_short>::max());

    EXPECT_EQ(r[7].name, std::string(31, 'n'));
    EXPECT_EQ(r[8].name, kLongGbkLabel.substr(0, 30));
    EXPECT_EQ(r[9].name, std::string(28, 'c'));
    EXPECT_EQ(r[10].name, std::string(28, 'c') + "(al");

    EXPECT_EQ(r[11].def.u.pd.value, 100000);
    EXPECT_EQ(r[11].def.u.pd.dephault, std::numeric_limits<A_short>::max());
    EXPECT_EQ(r[11].popupTexts, "only");
}

TEST(AeBoundRegistration, UnboundAndHiddenControlsReadTheirDefaults)
{
    ExtremeParameters parameters;
    parameters.farPoint.def.hidden = true;
    double x = 0, y = 0;
    parameters.farPoint.value(&x, &y);
    EXPECT_EQ(x, 1e9);
    EXPECT_EQ(y, -1e9);
    EXPECT_EQ(parameters.wide.value(), 1e39);
    EXPECT_EQ(parameters.wide.valueAt(12), 1e39);
    EXPECT_EQ(parameters.choice.value(), 100000);
    EXPECT_EQ(parameters.hugeAngle.setEnabled(false), 0);
    EXPECT_TRUE(std::isnan(parameters.colour.alpha()));
}

} // namespace
} // namespace quorvane
