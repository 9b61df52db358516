#pragma once
// What the shared-control tests expect, worked out apart from the code under test: texts
// written in UTF-8 and converted to GBK here, and the enabling rules by position.

#include <iconv.h>

#include <optional>
#include <string>

namespace quorvane::testing {

// The GBK (code page 936) bytes of a UTF-8 text; a marker text when it cannot be converted.
inline std::string gbk(const std::string& utf8)
{
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return "<no iconv>";
    std::string in = utf8;
    std::string out(in.size() * 2 + 4, '\0');
    char* src = in.data();
    char* dst = out.data();
    std::size_t srcLeft = in.size();
    std::size_t dstLeft = out.size();
    const std::size_t done = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (done == static_cast<std::size_t>(-1))
        return "<not GBK>";
    out.resize(out.size() - dstLeft);
    return out;
}

// Whether the shared control at position i (0 = the selection group) is enabled for the view
// and check boxes; nullopt for the controls the rules never touch (the selection group's
// frame and check box).
inline std::optional<bool> expectedEnabled(int i, int view, bool selection, bool channel,
                                           bool offset)
{
    const bool normal = view == 1;
    if (i <= 1 || i == 24)
        return std::nullopt;
    if (i <= 23)
        return selection;                 // the layer and the three subgroups
    if (i >= 27 && i <= 30)
        return channel && normal;         // the channel weights
    if (i >= 34 && i <= 36)
        return offset && normal;          // the colour offsets
    return normal;                        // the channel and offset frames and check boxes
}

} // namespace quorvane::testing
