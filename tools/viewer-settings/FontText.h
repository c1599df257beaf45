// A label font as people read it: weights and character sets by name, and the one-byte fields
// that the file keeps in character form (one character whose code is the value).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace viewersettings::cli {

// "normal", "bold", ... for the weights fonts name; empty for others.
std::string WeightName(int64_t weight);
// "ANSI", "GB2312", ... for the character sets fonts name; empty for others.
std::string CharSetName(int64_t charSet);

// The one-byte font fields, by their element names.
bool IsOneByteFontField(std::u16string_view element);

// For the stored text of a one-byte font field that looks typed by hand as a decimal number (a
// digit in a flag such as Italic, more than one character in any of them): what it reads as.
// Nothing for text in the character form.
std::optional<std::string> HandTypedFontField(std::u16string_view element,
                                              std::u16string_view text);

}  // namespace viewersettings::cli
