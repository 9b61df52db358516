#pragma once
// A small effect with every control kind, built like a deliverable (host template over the
// host, parameter set second, a concrete class on AfterEffectsHost). The entry point builds a
// fresh object per command, so what a test wants to see or steer lives in TestEffectProbe.

#include <cfloat>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/ae/AfterEffectsHost.h"
#include "parameters/BoundParameters.h"

namespace quorvane::aetest {

// Host indices the adaptor assigns to the test effect's controls.
enum TestIndex {
    kGroupIndex = 1,
    kAmountIndex,
    kUnboundedIndex,
    kAngleIndex,
    kCheckIndex,
    kChoiceIndex,
    kLayerIndex,       // the hidden control before it takes no index
    kCountIndex,
    kCentreIndex,
    kTintIndex,
    kTintAlphaIndex,
    kPlainColourIndex,
    kGroupEndIndex,
    kMapIndex,
    kTestParameterCount,
};

// The label of the first layer control; the targets compile it into GBK.
inline const std::string kLayerLabel = "选择图层";

class TestEffectParameters : public xParameterList {
public:
    TestEffectParameters()
    {
        group.def = xGroupDef("Look", "", 1);
        amount.def = xFloatDef("Amount", "amount", 2, 12.5, 0, 100, 0, 1000, 1);
        amount.def.supervised = true;
        unbounded.def = xFloatDef("Unbounded", "", 3, 0.1, -10, 10, -DBL_MAX, DBL_MAX, 2);
        angle.def = xAngleDef("Angle", "", 4, 45.5, -180, 180, -3600, 3600, 1);
        angle.def.animatable = false;
        check.def = xCheckboxDef("Check", "", 5, true);
        {
            xChoiceDef def("Choice", "choice", 6, 2);
            def.addItem("A");
            def.addItem("B");
            def.addItem("C");
            choice.def = def;
        }
        hidden.def = xFloatDef("Hidden", "", 7, 3.5, 0, 10, 0, 10, 1);
        hidden.def.hidden = true;
        layer.def = xLayerDef(kLayerLabel, "layer", 8, false, false);
        count.def = xIntSliderDef("Count", "", 9, 5, 0, 10, -100, 100);
        count.def.enabled = false;
        centre.def = xPoint2dDef("Centre", "", 10, 0.5, 0.5, true);
        tint.def = xRGBADef("Tint", "tint", 11, 1, 0.5, 0.25, "tint alpha", 12, 0.75);
        plainColour.def = xRGBADef("Plain", "", 13, 0.2, 0.4, 0.6, "", 0, 1);
        groupEnd.def = xGroupEndDef("Look end", "", 14);
        groupEnd.def.startCollapsed = false;
        map.def = xLayerDef("Map", "map", 15, false, false);

        const char* shortNames[] = {"look", "amount", "unbounded", "angle", "check",
                                    "choice", "hidden", "layer", "count", "centre",
                                    "tint", "plain", "look_end", "map"};
        std::size_t i = 0;
        for (xParameterBase* p : std::vector<xParameterBase*>{
                 &group, &amount, &unbounded, &angle, &check, &choice, &hidden, &layer, &count,
                 &centre, &tint, &plainColour, &groupEnd, &map}) {
            p->definition().shortName = shortNames[i++];
            append(p);
        }
    }

    xGroup group;
    xFloat amount;
    xFloat unbounded;
    xAngle angle;
    xCheckbox check;
    xChoice choice;
    xFloat hidden;
    xLayer layer;
    xIntSlider count;
    xPoint2d centre;
    xRGBA tint;
    xRGBA plainColour;
    xGroupEnd groupEnd;
    xLayer map;
};

class TestEffectAEHost;

// What the last render saw, and hooks a test sets to steer the next commands.
struct TestEffectProbe {
    struct Render {
        int depth = 0;
        ImageInfo source;
        ImageInfo output;
        InputImages inputs;
    };
    using RenderHook = std::function<int(TestEffectAEHost&, const Render&)>;
    using InputRectHook = std::function<void(const std::string& name, Rect* needed,
                                             Rect candidate, ImageScale inputScale)>;
    using Hook = std::function<void(TestEffectAEHost&)>;

    static inline std::vector<Render> renders;
    static inline std::vector<std::string> changedKeys;
    static inline RenderHook onRender;
    static inline InputRectHook onInputRect;
    static inline Hook onUpdateUI;
    static inline int layerInputs = 2;   // how many of the two layer controls are inputs
    static inline int constructed = 0;   // effect objects built
    static inline double inputFrame = -1;   // >= 0: the frame the effect asks its source at

    static void reset()
    {
        renders.clear();
        changedKeys.clear();
        onRender = nullptr;
        onInputRect = nullptr;
        onUpdateUI = nullptr;
        layerInputs = 2;
        constructed = 0;
        inputFrame = -1;
    }
};

template <class Host>
class TestEffectHost : public Host, public TestEffectParameters {
public:
    template <class... Arguments>
    explicit TestEffectHost(Arguments&&... arguments)
        : Host(std::forward<Arguments>(arguments)...)
    {
        ++TestEffectProbe::constructed;
    }

    xParameterList* parameters() override { return this; }
    void updateParameterUI() override
    {
        if (TestEffectProbe::onUpdateUI)
            TestEffectProbe::onUpdateUI(static_cast<TestEffectAEHost&>(*this));
    }
    void parameterChanged(std::string key) override { TestEffectProbe::changedKeys.push_back(key); }
    void inputRect(std::string name, Rect* needed, Rect candidate, ImageScale*, ImageScale*,
                   ImageScale inputScale) override
    {
        if (TestEffectProbe::onInputRect)
            TestEffectProbe::onInputRect(name, needed, candidate, inputScale);
    }
    double inputFrame(std::string name) override
    {
        return TestEffectProbe::inputFrame >= 0 ? TestEffectProbe::inputFrame
                                                : Host::inputFrame(name);
    }
    int layerInput(int i, std::string* name) override
    {
        if (i >= TestEffectProbe::layerInputs)
            return -1;
        xLayer& control = i == 0 ? layer : map;
        *name = control.def.key;
        return control.hostIndex;
    }
    int render8(ImageInfo* source, ImageInfo* output, InputImages* inputs) override
    {
        return rendered(8, source, output, inputs);
    }
    int render16(ImageInfo* source, ImageInfo* output, InputImages* inputs) override
    {
        return rendered(16, source, output, inputs);
    }
    int renderFloat(ImageInfo* source, ImageInfo* output, InputImages* inputs) override
    {
        return rendered(32, source, output, inputs);
    }

private:
    int rendered(int depth, ImageInfo* source, ImageInfo* output, InputImages* inputs)
    {
        TestEffectProbe::renders.push_back({depth, *source, *output, *inputs});
        if (TestEffectProbe::onRender)
            return TestEffectProbe::onRender(static_cast<TestEffectAEHost&>(*this),
                                             TestEffectProbe::renders.back());
        return this->noError();
    }
};

class TestEffectAEHost : public TestEffectHost<AfterEffectsHost> {
public:
    using TestEffectHost<AfterEffectsHost>::TestEffectHost;
};

} // namespace quorvane::aetest
