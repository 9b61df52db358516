#pragma once
// Host-independent control definitions. Constructors take (label, key, id) and then the
// kind's values in the order default, slider range, valid range, precision; the fields
// store the default first and the valid range before the slider range.

#include <string>
#include <vector>

namespace quorvane {

class xParameterDef {
public:
    xParameterDef() = default;
    xParameterDef(const std::string& label, const std::string& key, int id)
        : key(key.empty() ? label : key), label(label), id(id) {}
    virtual ~xParameterDef() = default;

    std::string key;            // how the effect names the control; the label when not given
    std::string label;          // text registered with the host
    int id = 0;                 // stored in the host's projects; never reused
    bool animatable = true;
    bool supervised = false;    // the host reports user changes
    std::string note;
    bool hidden = false;        // neither numbered nor registered
    bool startCollapsed = true;
    bool enabled = true;
    // Lower-case ASCII name used by the standalone host's command line; stable once published.
    std::string shortName;
};

class xGroupDef : public xParameterDef {
public:
    using xParameterDef::xParameterDef;
};

class xGroupEndDef : public xParameterDef {
public:
    using xParameterDef::xParameterDef;
};

class xFloatDef : public xParameterDef {
public:
    xFloatDef() = default;
    xFloatDef(const std::string& label, const std::string& key, int id, double defaultValue,
              double sliderMin, double sliderMax, double validMin, double validMax, int precision)
        : xParameterDef(label, key, id), precision(precision), defaultValue(defaultValue),
          validMin(validMin), validMax(validMax), sliderMin(sliderMin), sliderMax(sliderMax) {}

    bool displayAsPixels = false;
    bool displayAsPercent = false;
    int precision = 2;
    double defaultValue = 0;
    double validMin = 0;
    double validMax = 0;
    double sliderMin = 0;
    double sliderMax = 0;
};

class xAngleDef : public xParameterDef {
public:
    xAngleDef() = default;
    xAngleDef(const std::string& label, const std::string& key, int id, double defaultValue,
              double sliderMin, double sliderMax, double validMin, double validMax, int precision)
        : xParameterDef(label, key, id), precision(precision), defaultValue(defaultValue),
          validMin(validMin), validMax(validMax), sliderMin(sliderMin), sliderMax(sliderMax) {}

    int precision = 2;
    double defaultValue = 0;    // degrees
    double validMin = 0;
    double validMax = 0;
    double sliderMin = 0;
    double sliderMax = 0;
};

class xCheckboxDef : public xParameterDef {
public:
    xCheckboxDef() = default;
    xCheckboxDef(const std::string& label, const std::string& key, int id, bool defaultValue)
        : xParameterDef(label, key, id), defaultValue(defaultValue) {}

    bool defaultValue = false;
};

class xChoiceDef : public xParameterDef {
public:
    xChoiceDef() = default;
    xChoiceDef(const std::string& label, const std::string& key, int id, int defaultValue)
        : xParameterDef(label, key, id), defaultValue(defaultValue) {}

    void addItem(const std::string& text) { items.push_back(text); }

    std::vector<std::string> items;   // menu order; item numbers are 1-based
    int defaultValue = 0;
};

class xLayerDef : public xParameterDef {
public:
    xLayerDef() = default;
    xLayerDef(const std::string& label, const std::string& key, int id, bool flag1, bool flag2)
        : xParameterDef(label, key, id), flag1(flag1), flag2(flag2) {}

    bool flag1 = false;   // carried with the definition; registration does not use them
    bool flag2 = false;
};

class xIntSliderDef : public xParameterDef {
public:
    xIntSliderDef() = default;
    xIntSliderDef(const std::string& label, const std::string& key, int id, int defaultValue,
                  int sliderMin, int sliderMax, int validMin, int validMax)
        : xParameterDef(label, key, id), defaultValue(defaultValue), validMin(validMin),
          validMax(validMax), sliderMin(sliderMin), sliderMax(sliderMax) {}

    int defaultValue = 0;
    int validMin = 0;
    int validMax = 0;
    int sliderMin = 0;
    int sliderMax = 0;
};

class xPoint2dDef : public xParameterDef {
public:
    xPoint2dDef() = default;
    xPoint2dDef(const std::string& label, const std::string& key, int id, double x, double y,
                bool restrictToBounds)
        : xParameterDef(label, key, id), x(x), y(y), restrictToBounds(restrictToBounds) {}

    double x = 0;     // fractions of the layer size, 0.5 = centre
    double y = 0;
    bool restrictToBounds = false;
};

class xRGBADef : public xParameterDef {
public:
    xRGBADef() = default;
    xRGBADef(const std::string& label, const std::string& key, int id, double red, double green,
             double blue, const std::string& alphaKey, int alphaId, double alphaDefault)
        : xParameterDef(label, key, id), red(red), green(green), blue(blue),
          alphaDefault(alphaDefault), alphaKey(alphaKey), alphaId(alphaId) {}

    double red = 0;
    double green = 0;
    double blue = 0;
    double alphaDefault = 0;
    std::string alphaKey;
    int alphaId = 0;            // 0: no alpha slider
};

} // namespace quorvane
