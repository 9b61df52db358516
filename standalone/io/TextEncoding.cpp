#include "TextEncoding.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace quorvane {

namespace {

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

class Converter {
public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from))
    {
        if (handle_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("no text conversion from ") + from + " to " + to);
    }
    ~Converter() { iconv_close(handle_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts all of `text`; on a byte sequence it cannot convert it calls onFailure, which
    // returns false to give up or true after skipping (it may append a replacement).
    template <class OnFailure>
    bool convert(std::string_view text, std::string& out, OnFailure onFailure)
    {
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        char buffer[256];
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t result = iconv(handle_, &in, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            const int error = result == static_cast<std::size_t>(-1) ? errno : 0;
            if (error != 0 && error != E2BIG) {
                iconv(handle_, nullptr, nullptr, nullptr, nullptr);
                if (!onFailure(out))
                    return false;
                // Skip the offending byte (an incomplete tail ends the text).
                const std::size_t skip = error == EINVAL ? inLeft : 1;
                in += skip;
                inLeft -= skip;
            }
        }
        return true;
    }

private:
    iconv_t handle_;
};

} // namespace

std::string gbkToUtf8(std::string_view gbk)
{
    if (isAscii(gbk))
        return std::string(gbk);
    Converter converter("UTF-8", "GBK");
    std::string out;
    converter.convert(gbk, out, [](std::string& text) {
        text += "\xEF\xBF\xBD";
        return true;
    });
    return out;
}

std::optional<std::string> utf8ToGbk(std::string_view utf8)
{
    if (isAscii(utf8))
        return std::string(utf8);
    Converter converter("GBK", "UTF-8");
    std::string out;
    if (!converter.convert(utf8, out, [](std::string&) { return false; }))
        return std::nullopt;
    return out;
}

} // namespace quorvane
