// UTF-8 <-> UTF-16 for file names on POSIX systems, and for tools and tests.
#pragma once

#include <string>
#include <string_view>

namespace viewersettings::platform {

// Unpaired surrogates and malformed bytes become U+FFFD.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

}  // namespace viewersettings::platform
