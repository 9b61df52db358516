#pragma once
// One abstract live-parameter class per control kind. Each holds its definition by value
// (a neutral one until the parameter set assigns the real one); the host binding
// implements the value operations.

#include "host/RenderDescriptors.h"
#include "parameters/ParameterDef.h"
#include "parameters/ParameterList.h"

namespace quorvane {

template <class Def>
class xParameterOf : public xParameterBase {
public:
    const xParameterDef& definition() const override { return def; }
    xParameterDef& definition() override { return def; }

    Def def;
};

class xGroupBase : public xParameterOf<xGroupDef> {};
class xGroupEndBase : public xParameterOf<xGroupEndDef> {};

class xFloatBase : public xParameterOf<xFloatDef> {
public:
    virtual double value() = 0;
    virtual double valueAt(double frame) = 0;
    virtual void setValue(double v) = 0;
    virtual void setValidRange(double, double) {}
    virtual void setSliderRange(double, double) {}
    virtual void setPrecision(int) {}
};

class xAngleBase : public xParameterOf<xAngleDef> {
public:
    virtual double value() = 0;   // degrees
    virtual double valueAt(double frame) = 0;
    virtual void setValue(double) {}
    virtual void setValidRange(double, double) {}
    virtual void setSliderRange(double, double) {}
    virtual void setPrecision(int) {}
};

class xIntSliderBase : public xParameterOf<xIntSliderDef> {
public:
    virtual int value() = 0;
    virtual int valueAt(double frame) = 0;
    virtual void setValue(int) {}
    virtual void setValidRange(int, int) {}
    virtual void setSliderRange(int, int) {}
};

class xCheckboxBase : public xParameterOf<xCheckboxDef> {
public:
    virtual bool value() = 0;
    virtual bool valueAt(double frame) = 0;
    virtual void setValue(bool) {}
};

class xChoiceBase : public xParameterOf<xChoiceDef> {
public:
    virtual int value() = 0;      // 1-based item
    virtual int valueAt(double frame) = 0;
    virtual void setValue(int) {}
};

class xLayerBase : public xParameterOf<xLayerDef> {
public:
    // Layer pixels reach the effect through the render call; these answer the empty descriptor.
    virtual ImageInfo image() { return ImageInfo{}; }
    virtual ImageInfo imageAt(double) { return ImageInfo{}; }
    virtual void setValue() {}
    virtual bool isConnected() = 0;
};

class xPoint2dBase : public xParameterOf<xPoint2dDef> {
public:
    virtual void value(double* x, double* y) = 0;     // layer pixels
    virtual void valueAt(double frame, double* x, double* y) = 0;
    virtual void setValue(double, double) {}
};

class xRGBABase : public xParameterOf<xRGBADef> {
public:
    virtual void setValue(double, double, double, double) {}
    virtual void value(double* r, double* g, double* b) = 0;
    virtual void valueAt(double frame, double* r, double* g, double* b) = 0;
    virtual double alpha() = 0;
    virtual double alphaAt(double frame) = 0;
};

} // namespace quorvane
