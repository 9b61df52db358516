#pragma once
// Live parameters bound to the After Effects adaptor. The adaptor gives each a host index on
// the first command of an object; values are read from the running command's parameter array,
// or checked out at another frame with the definition's default standing in on a refusal.
// A parameter without an index (hidden, or not yet numbered) reads as its default.

#include "parameters/ParameterKinds.h"

struct PF_ParamDef;

namespace quorvane {

class AfterEffectsHost;

// The binding: which adaptor, and the host index of the control (-1: none).
class xParameterBaseAE {
public:
    AfterEffectsHost* adaptor = nullptr;
    int hostIndex = -1;

protected:
    // The entry at `index` in the running command's parameter array, or null.
    PF_ParamDef* entryAt(int index) const;
    PF_ParamDef* entry() const { return entryAt(hostIndex); }
    // Greys the control out or back in through the host's parameter utilities; in Premiere
    // Pro only layer controls can be changed.
    int applyEnabled(bool enabled, bool layerControl);
};

class xGroup : public xGroupBase, public xParameterBaseAE {
public:
    int setEnabled(bool enabled) override;
};

class xGroupEnd : public xGroupEndBase, public xParameterBaseAE {
public:
    int setEnabled(bool enabled) override;
};

class xFloat : public xFloatBase, public xParameterBaseAE {
public:
    int setEnabled(bool enabled) override;
    double value() override;
    double valueAt(double frame) override;
    // Writes the value into the running command's array and marks it changed for the host.
    void setValue(double v) override;
};

class xAngle : public xAngleBase, public xParameterBaseAE {
public:
    int setEnabled(bool enabled) override;
    double value() override;   // degrees
    double valueAt(double frame) override;
};

class xCheckbox : public xCheckboxBase, public xParameterBaseAE {
public:
    int setEnabled(bool enabled) override;
    bool value() override;
    bool valueAt(double frame) override;
};

class xChoice : public xChoiceBase, public xParameterBaseAE {
public:
    int setEnabled(bool enabled) override;
    int value() override;      // 1-based item
    int valueAt(double frame) override;
};

class xLayer : public xLayerBase, public xParameterBaseAE {
public:
    int setEnabled(bool enabled) override;
    // Whether a layer is selected. Within 300 ms of a control change the host's answer is not
    // yet reliable, so it is not asked and the answer is false.
    bool isConnected() override;
};

class xIntSlider : public xIntSliderBase, public xParameterBaseAE {
public:
    int setEnabled(bool enabled) override;
    int value() override;
    int valueAt(double frame) override;
};

class xPoint2d : public xPoint2dBase, public xParameterBaseAE {
public:
    int setEnabled(bool enabled) override;
    void value(double* x, double* y) override;   // layer pixels
    void valueAt(double frame, double* x, double* y) override;
};

class xRGBA : public xRGBABase, public xParameterBaseAE {
public:
    int setEnabled(bool enabled) override;
    // Components 0 to 1, refined to full precision through the host's colour suite.
    void value(double* r, double* g, double* b) override;
    void valueAt(double frame, double* r, double* g, double* b) override;
    double alpha() override;
    double alphaAt(double frame) override;

    bool hasAlphaSlider() const { return def.alphaId > 0; }

    int alphaIndex = -1;   // host index of the alpha slider
};

} // namespace quorvane
