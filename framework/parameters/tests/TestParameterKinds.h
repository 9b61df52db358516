#pragma once
// Minimal live parameters for tests: each kind answers its definition's default and keeps
// what it is set to, with no host behind it.

#include "parameters/ParameterKinds.h"

namespace quorvane::testing {

template <class Kind>
class TestParameter : public Kind {
public:
    int setEnabled(bool enabled) override
    {
        this->def.enabled = enabled;
        return 0;
    }
};

using TestGroup = TestParameter<xGroupBase>;
using TestGroupEnd = TestParameter<xGroupEndBase>;

class TestFloat : public TestParameter<xFloatBase> {
public:
    double value() override { return def.defaultValue; }
    double valueAt(double) override { return def.defaultValue; }
    void setValue(double v) override { def.defaultValue = v; }
};

class TestAngle : public TestParameter<xAngleBase> {
public:
    double value() override { return def.defaultValue; }
    double valueAt(double) override { return def.defaultValue; }
};

class TestIntSlider : public TestParameter<xIntSliderBase> {
public:
    int value() override { return def.defaultValue; }
    int valueAt(double) override { return def.defaultValue; }
};

class TestCheckbox : public TestParameter<xCheckboxBase> {
public:
    bool value() override { return def.defaultValue; }
    bool valueAt(double) override { return def.defaultValue; }
};

class TestChoice : public TestParameter<xChoiceBase> {
public:
    int value() override { return def.defaultValue; }
    int valueAt(double) override { return def.defaultValue; }
};

class TestLayer : public TestParameter<xLayerBase> {
public:
    bool isConnected() override { return false; }
};

class TestPoint2d : public TestParameter<xPoint2dBase> {
public:
    void value(double* x, double* y) override { valueAt(0, x, y); }
    void valueAt(double, double* x, double* y) override
    {
        *x = def.x;
        *y = def.y;
    }
};

class TestRGBA : public TestParameter<xRGBABase> {
public:
    void value(double* r, double* g, double* b) override { valueAt(0, r, g, b); }
    void valueAt(double, double* r, double* g, double* b) override
    {
        *r = def.red;
        *g = def.green;
        *b = def.blue;
    }
    double alpha() override { return def.alphaDefault; }
    double alphaAt(double) override { return def.alphaDefault; }
};

} // namespace quorvane::testing
