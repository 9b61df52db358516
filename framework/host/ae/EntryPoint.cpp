#include "host/ae/EntryPoint.h"

#include <algorithm>
#include <cstring>

#include "parameters/ParameterKinds.h"

namespace quorvane {

std::string describeParameterList(const xParameterList& list)
{
    std::string text;
    for (const xParameterBase* parameter : list) {
        const xParameterDef& d = parameter->definition();
        text += std::to_string(d.id) + "\t" + d.shortName + "\t" + d.key + "\n";
        if (const auto* colour = dynamic_cast<const xRGBABase*>(parameter);
            colour && colour->def.alphaId > 0)
            text += std::to_string(colour->def.alphaId) + "\t" + d.shortName + "_alpha\t" +
                    colour->def.alphaKey + "\n";
    }
    return text;
}

int copyDescription(const std::string& text, char* buffer, int size)
{
    if (buffer && size > 0) {
        const std::size_t fits = std::min(text.size(), static_cast<std::size_t>(size - 1));
        std::memcpy(buffer, text.data(), fits);
        buffer[fits] = '\0';
    }
    return static_cast<int>(std::min<std::size_t>(text.size(), 0x7fffffff));
}

} // namespace quorvane
