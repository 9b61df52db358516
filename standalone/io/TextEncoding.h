#pragma once
// Texts from the plug-ins are GBK bytes (code page 936); the command shows and takes UTF-8.

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// Bytes that are not GBK become U+FFFD, so any text from a plug-in can be shown.
std::string gbkToUtf8(std::string_view gbk);

// Nothing when the text is not valid UTF-8 or holds a character GBK cannot encode (such a
// text cannot name any control).
std::optional<std::string> utf8ToGbk(std::string_view utf8);

} // namespace quorvane
