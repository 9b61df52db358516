// Registration, stored values, check-outs, the two suites' parameter services.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "FakeEffect.h"
#include "hostsim/HostSimulation.h"

namespace quorvane::hostsim {
namespace {

using testing::add;
using testing::definition;
using testing::during;
using testing::FakeCall;
using testing::fake;
using testing::fakeEntryPoint;

// Host indices of the fake's controls, in registration order.
enum : PF_ParamIndex {
    kGroup = 1, kFloat, kAngle, kCheckbox, kColour, kPoint, kPopup, kSlider, kLayer, kGroupEnd,
    kCount
};

// Registers one control of every kind; the pop-up and check-box texts live only during the
// command, as a plug-in's do.
PF_Err registerEveryKind(FakeCall& call)
{
    PF_InData* in = call.in;
    std::string popupTexts = "A| B| C";
    std::string boxText = "on";
    PF_ParamDef group = definition(in, PF_Param_GROUP_START, "\xD1\xA1\xD4\xF1", 100);
    group.flags = PF_ParamFlag_COLLAPSE_TWIRLY;
    PF_ParamDef real = definition(in, PF_Param_FLOAT_SLIDER, "Radius", 101);
    real.u.fs_d.value = real.u.fs_d.dephault = 2.5f;
    real.u.fs_d.valid_min = -std::numeric_limits<float>::infinity();
    real.u.fs_d.valid_max = std::numeric_limits<float>::infinity();
    real.u.fs_d.slider_max = 100.0f;
    real.u.fs_d.precision = 2;
    real.u.fs_d.display_flags = PF_ValueDisplayFlag_PIXEL;
    real.flags = PF_ParamFlag_SUPERVISE;
    PF_ParamDef angle = definition(in, PF_Param_ANGLE, "Angle", 102);
    angle.u.ad.value = angle.u.ad.dephault = 2981888;
    PF_ParamDef box = definition(in, PF_Param_CHECKBOX, "Box", 103);
    box.u.bd.value = box.u.bd.dephault = 1;
    box.u.bd.nameptr = boxText.c_str();
    PF_ParamDef colour = definition(in, PF_Param_COLOR, "Colour", 104);
    colour.u.cd.value = colour.u.cd.dephault = PF_Pixel{255, 10, 20, 30};
    PF_ParamDef point = definition(in, PF_Param_POINT, "Centre", 105);
    point.u.td.x_value = point.u.td.x_dephault = 50 << 16;
    point.u.td.y_value = point.u.td.y_dephault = 25 << 16;
    PF_ParamDef popup = definition(in, PF_Param_POPUP, "Mode", 106);
    popup.u.pd.num_choices = 3;
    popup.u.pd.value = popup.u.pd.dephault = 2;
    popup.u.pd.namesptr = popupTexts.c_str();
    PF_ParamDef slider = definition(in, PF_Param_SLIDER, "Count", 107);
    slider.u.sd.value = slider.u.sd.dephault = 5;
    slider.u.sd.valid_max = slider.u.sd.slider_max = 10;
    slider.ui_flags = PF_PUI_DISABLED;
    PF_ParamDef layer = definition(in, PF_Param_LAYER, "Map", 108);
    PF_ParamDef groupEnd{};
    groupEnd.param_type = PF_Param_GROUP_END;
    groupEnd.id = 109;
    for (const PF_ParamDef& def : {group, real, angle, box, colour, point, popup, slider, layer,
                                   groupEnd})
        if (const PF_Err err = add(in, def))
            return err;
    call.out->num_params = kCount;
    popupTexts.assign(popupTexts.size(), '#');
    boxText.assign(boxText.size(), '#');
    return PF_Err_NONE;
}

class Controls : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing::resetFake();
        fake().handlers[PF_Cmd_PARAMS_SETUP] = registerEveryKind;
    }

    // Host with 200 x 100 layer at half resolution.
    static HostConfig timed()
    {
        HostConfig config;
        config.timeStep = 100;
        config.timeScale = 2997;
        config.totalFrames = 10;
        return config;
    }
    static void halfResolution(HostSimulation& host, A_long frame = 0)
    {
        FrameSettings settings;
        settings.layerWidth = 200;
        settings.layerHeight = 100;
        settings.downsampleX = {1, 2};
        settings.downsampleY = {1, 2};
        settings.frame = frame;
        host.setFrameSettings(settings);
    }
};

TEST_F(Controls, RegistrationsAreRecordedInOrderWithTheirTexts)
{
    HostSimulation host(fakeEntryPoint);
    ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
    EXPECT_TRUE(host.protocolLog().empty());
    ASSERT_EQ(host.parameterCount(), kCount);
    const auto& records = host.registrations();
    ASSERT_EQ(records.size(), static_cast<std::size_t>(kCount - 1));
    const PF_ParamType types[] = {PF_Param_GROUP_START, PF_Param_FLOAT_SLIDER, PF_Param_ANGLE,
                                  PF_Param_CHECKBOX, PF_Param_COLOR, PF_Param_POINT,
                                  PF_Param_POPUP, PF_Param_SLIDER, PF_Param_LAYER,
                                  PF_Param_GROUP_END};
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].def.param_type, types[i]) << i;
        EXPECT_EQ(records[i].def.id, static_cast<A_long>(100 + i));
        EXPECT_EQ(host.indexOfId(static_cast<A_long>(100 + i)), static_cast<PF_ParamIndex>(i + 1));
    }
    EXPECT_EQ(records[0].name, "\xD1\xA1\xD4\xF1");
    EXPECT_EQ(records[0].def.flags, PF_ParamFlag_COLLAPSE_TWIRLY);
    EXPECT_EQ(records[1].def.flags, PF_ParamFlag_SUPERVISE);
    EXPECT_TRUE(std::isinf(records[1].def.u.fs_d.valid_max));
    EXPECT_EQ(records[1].def.u.fs_d.display_flags, PF_ValueDisplayFlag_PIXEL);
    EXPECT_EQ(records[2].def.u.ad.dephault, 2981888);
    EXPECT_EQ(records[6].popupTexts, "A| B| C");
    EXPECT_STREQ(records[6].def.u.pd.namesptr, "A| B| C");
    EXPECT_STREQ(host.parameterAt(kPopup).u.pd.namesptr, "A| B| C");
    EXPECT_EQ(records[3].checkboxText, "on");
    EXPECT_EQ(records[7].def.ui_flags, PF_PUI_DISABLED);
    EXPECT_TRUE(host.isDisabled(kSlider));
    EXPECT_EQ(records[9].name, "");
    EXPECT_EQ(host.indexOfId(999), -1);
    EXPECT_EQ(host.counters().registrations, kCount - 1);
}

TEST_F(Controls, AnotherParameterSetupStartsAfresh)
{
    HostSimulation host(fakeEntryPoint);
    ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
    ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
    EXPECT_EQ(host.parameterCount(), kCount);
}

TEST_F(Controls, WrongParameterCountAndLateRegistrationAreLogged)
{
    HostSimulation host(fakeEntryPoint);
    fake().handlers[PF_Cmd_PARAMS_SETUP] = [](FakeCall& call) {
        const PF_Err err = registerEveryKind(call);
        call.out->num_params = 3;
        return err;
    };
    ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
    ASSERT_EQ(host.protocolLog().size(), 1u);
    EXPECT_NE(host.protocolLog()[0].find("num_params"), std::string::npos);
    EXPECT_EQ(during(host, [](FakeCall& call) {
        return add(call.in, definition(call.in, PF_Param_SLIDER, "Late", 5));
    }), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.parameterCount(), kCount);
}

TEST_F(Controls, DefaultsAreHandedOverAsRegisteredWithPointsInRenderPixels)
{
    HostSimulation host(fakeEntryPoint);
    ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
    halfResolution(host);
    EXPECT_EQ(host.parameterAt(kFloat).u.fs_d.value, 2.5);
    EXPECT_EQ(host.parameterAt(kAngle).u.ad.value, 2981888);
    // 50 % of 200 full-resolution pixels, at half resolution: 50 pixels.
    EXPECT_EQ(host.parameterAt(kPoint).u.td.x_value, 50 * 65536);
    EXPECT_EQ(host.parameterAt(kPoint).u.td.y_value, static_cast<A_long>(12.5 * 65536));
    EXPECT_EQ(host.parameterAt(kLayer).u.ld.data, nullptr);
    EXPECT_EQ(host.parameterAt(0).param_type, PF_Param_LAYER);
}

TEST_F(Controls, ValuesAreStoredAsTheHostHandsThemOver)
{
    HostSimulation host(fakeEntryPoint);
    ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
    halfResolution(host);
    host.setFloat(kFloat, 0.1);
    host.setAngle(kAngle, -45.5);
    host.setInt(kCheckbox, 0);
    host.setInt(kPopup, 3);
    host.setInt(kSlider, 9);
    host.setPoint(kPoint, -1.5, 3.0);
    host.setColor(kColour, 1.0, 0.5, 0.0);
    EXPECT_EQ(host.parameterAt(kFloat).u.fs_d.value, 0.1);   // a double, not rounded to float
    EXPECT_EQ(host.parameterAt(kAngle).u.ad.value, -2981888);
    EXPECT_EQ(host.parameterAt(kCheckbox).u.bd.value, 0);
    EXPECT_EQ(host.parameterAt(kPopup).u.pd.value, 3);
    EXPECT_EQ(host.parameterAt(kSlider).u.sd.value, 9);
    EXPECT_EQ(host.parameterAt(kPoint).u.td.x_value, -49152);   // -0.75 render pixels
    EXPECT_EQ(host.parameterAt(kPoint).u.td.y_value, 98304);
    const PF_Pixel colour = host.parameterAt(kColour).u.cd.value;
    EXPECT_EQ(colour.alpha, 255);
    EXPECT_EQ(colour.red, 255);
    EXPECT_EQ(colour.green, 128);
    EXPECT_EQ(colour.blue, 0);
}

TEST_F(Controls, MisusedSettersThrow)
{
    HostSimulation host(fakeEntryPoint);
    ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
    EXPECT_THROW(host.setFloat(kAngle, 1.0), std::invalid_argument);
    EXPECT_THROW(host.setInt(kFloat, 1), std::invalid_argument);
    EXPECT_THROW(host.setFloat(kCount, 1.0), std::out_of_range);
    EXPECT_THROW(host.setFloat(0, 1.0), std::out_of_range);
    EXPECT_THROW(host.parameterAt(-1), std::out_of_range);
    EXPECT_THROW(host.setLayerImage(kFloat, ImageView{}), std::invalid_argument);
}

TEST_F(Controls, CheckOutAtATimeGivesThatTimesValue)
{
    HostSimulation host(fakeEntryPoint, timed());
    ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
    host.setFloat(kFloat, 1.0);
    host.setFloat(kFloat, 9.0, A_long{3});
    halfResolution(host, 3);
    double now = 0, before = 0, array = 0;
    ASSERT_EQ(during(host, [&](FakeCall& call) {
        PF_InData* in = call.in;
        PF_ParamDef a{}, b{};
        EXPECT_EQ(in->inter.checkout_param(in->effect_ref, kFloat, 300, 100, 2997, &a), 0);
        EXPECT_EQ(in->inter.checkout_param(in->effect_ref, kFloat, 200, 100, 2997, &b), 0);
        now = a.u.fs_d.value;
        before = b.u.fs_d.value;
        array = call.params[kFloat]->u.fs_d.value;
        in->inter.checkin_param(in->effect_ref, &b);
        in->inter.checkin_param(in->effect_ref, &a);
        return PF_Err_NONE;
    }), PF_Err_NONE);
    EXPECT_EQ(now, 9.0);
    EXPECT_EQ(before, 1.0);
    EXPECT_EQ(array, 9.0);
    ASSERT_EQ(host.paramCheckouts().size(), 2u);
    EXPECT_EQ(host.paramCheckouts()[1].whatTime, 200);
    EXPECT_EQ(host.counters().paramsCheckedOut, 2);
    EXPECT_EQ(host.counters().paramsCheckedIn, 2);
    EXPECT_EQ(host.commandLog().back().paramsOutstanding, 0);
    EXPECT_EQ(host.parameterAtFrame(kFloat, 3).u.fs_d.value, 9.0);
}

TEST_F(Controls, RefusedMissingAndUnmatchedCheckOuts)
{
    HostSimulation host(fakeEntryPoint);
    ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
    host.refuseParamCheckout(kAngle, 7);
    during(host, [](FakeCall& call) {
        PF_InData* in = call.in;
        PF_ParamDef def{}, kept{}, stranger{};
        EXPECT_EQ(in->inter.checkout_param(in->effect_ref, kAngle, 0, 1, 30, &def), 7);
        EXPECT_EQ(in->inter.checkout_param(in->effect_ref, kCount, 0, 1, 30, &def),
                  PF_Err_BAD_CALLBACK_PARAM);
        EXPECT_EQ(in->inter.checkout_param(in->effect_ref, kFloat, 0, 1, 30, &kept), 0);
        EXPECT_EQ(in->inter.checkin_param(in->effect_ref, &stranger), PF_Err_BAD_CALLBACK_PARAM);
        return PF_Err_NONE;
    });
    EXPECT_EQ(host.counters().paramCheckoutsRefused, 1);
    EXPECT_EQ(host.paramCheckouts().front().result, 7);
    EXPECT_EQ(host.commandLog().back().paramsOutstanding, 1);
    EXPECT_EQ(host.counters().protocolErrors, 2);
}

TEST_F(Controls, ColourSuiteAnswersTheStoredFloatColour)
{
    HostSimulation host(fakeEntryPoint);
    ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
    host.setColor(kColour, 0.25, 0.5, 0.0);
    PF_PixelFloat fromArray{}, fromCheckout{}, fromCopy{}, fromChangedCopy{};
    ASSERT_EQ(during(host, [&](FakeCall& call) {
        PF_InData* in = call.in;
        const void* table = nullptr;
        in->pica_basicP->AcquireSuite(kPFColorParamSuite, 1, &table);
        auto* suite = static_cast<const PF_ColorParamSuite1*>(table);
        suite->PF_GetFloatingPointColorFromColorDef(in->effect_ref, call.params[kColour], &fromArray);
        PF_ParamDef out{};
        in->inter.checkout_param(in->effect_ref, kColour, 0, 1, 30, &out);
        suite->PF_GetFloatingPointColorFromColorDef(in->effect_ref, &out, &fromCheckout);
        PF_ParamDef copy = out;
        suite->PF_GetFloatingPointColorFromColorDef(in->effect_ref, &copy, &fromCopy);
        copy.u.cd.value.red = 51;
        suite->PF_GetFloatingPointColorFromColorDef(in->effect_ref, &copy, &fromChangedCopy);
        in->inter.checkin_param(in->effect_ref, &out);
        in->pica_basicP->ReleaseSuite(kPFColorParamSuite, 1);
        return PF_Err_NONE;
    }), PF_Err_NONE);
    for (const PF_PixelFloat& c : {fromArray, fromCheckout, fromCopy}) {
        EXPECT_EQ(c.alpha, 1.0f);
        EXPECT_EQ(c.red, 0.25f);
        EXPECT_EQ(c.green, 0.5f);
        EXPECT_EQ(c.blue, 0.0f);
    }
    EXPECT_EQ(fromChangedCopy.red, 0.2f);      // 51 / 255: the copy no longer matches
    EXPECT_EQ(host.counters().colourReads, 4);
}

TEST_F(Controls, ParameterUpdatesRecordTheDisabledFlag)
{
    HostSimulation host(fakeEntryPoint);
    ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
    fake().handlers[PF_Cmd_UPDATE_PARAMS_UI] = [](FakeCall& call) {
        PF_InData* in = call.in;
        const void* table = nullptr;
        in->pica_basicP->AcquireSuite(kPFParamUtilsSuite, 1, &table);
        auto* suite = static_cast<const PF_ParamUtilsSuite1*>(table);
        PF_ParamDef layer = *call.params[kLayer];
        layer.ui_flags |= PF_PUI_DISABLED;
        PF_ParamDef slider = *call.params[kSlider];
        slider.ui_flags &= ~PF_PUI_DISABLED;
        PF_Err err = suite->PF_UpdateParamUI(in->effect_ref, kLayer, &layer);
        if (!err)
            err = suite->PF_UpdateParamUI(in->effect_ref, kSlider, &slider);
        EXPECT_EQ(suite->PF_UpdateParamUI(in->effect_ref, kCount, &slider), PF_Err_BAD_CALLBACK_PARAM);
        in->pica_basicP->ReleaseSuite(kPFParamUtilsSuite, 1);
        return err;
    };
    ASSERT_EQ(host.updateParamsUI(), PF_Err_NONE);
    EXPECT_TRUE(host.isDisabled(kLayer));
    EXPECT_FALSE(host.isDisabled(kSlider));
    ASSERT_EQ(host.uiUpdates().size(), 2u);
    EXPECT_EQ(host.uiUpdates()[0].command, PF_Cmd_UPDATE_PARAMS_UI);
    EXPECT_EQ(host.uiUpdates()[0].index, kLayer);
    EXPECT_EQ(host.uiUpdates()[0].type, PF_Param_LAYER);
    EXPECT_TRUE(host.parameterAt(kLayer).ui_flags & PF_PUI_DISABLED);
}

TEST_F(Controls, UserChangeNamesTheControlAndChangedValuesAreTakenOver)
{
    HostSimulation host(fakeEntryPoint);
    ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
    halfResolution(host);
    PF_ParamIndex changed = -1;
    fake().handlers[PF_Cmd_USER_CHANGED_PARAM] = [&](FakeCall& call) {
        changed = static_cast<PF_UserChangedParamExtra*>(call.extra)->param_index;
        call.params[kFloat]->u.fs_d.value = 7.5;
        call.params[kFloat]->change_flags = PF_ChangeFlag_CHANGED_VALUE;
        call.params[kPoint]->u.td.x_value = 10 << 16;       // render pixels
        call.params[kPoint]->change_flags = PF_ChangeFlag_CHANGED_VALUE;
        call.params[kAngle]->u.ad.value = 1;                 // no change flag: ignored
        return PF_Err_NONE;
    };
    ASSERT_EQ(host.userChangedParam(kCheckbox), PF_Err_NONE);
    EXPECT_EQ(changed, kCheckbox);
    EXPECT_EQ(host.parameterAt(kFloat).u.fs_d.value, 7.5);
    EXPECT_EQ(host.parameterAt(kPoint).u.td.x_value, 10 << 16);
    EXPECT_EQ(host.parameterAt(kAngle).u.ad.value, 2981888);
    EXPECT_THROW(host.userChangedParam(kCount), std::out_of_range);
}

} // namespace
} // namespace quorvane::hostsim
