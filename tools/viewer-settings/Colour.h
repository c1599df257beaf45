// Colours as people write them and see them. The library keeps a colour as one number 0x00BBGGRR
// (red in the low byte), the way the viewer's drawing calls take it; people write #RRGGBB.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace viewersettings::cli {

inline constexpr uint32_t kLargestColour = 0x00FFFFFF;

// What `set` takes for a colour, for messages.
inline constexpr const char* kColourForms =
    "#RRGGBB, R,G,B (each 0-255), a decimal number up to 16777215, or 0x00BBGGRR";

struct ParsedColour {
  std::optional<uint32_t> value;  // 0x00BBGGRR
  std::string error;              // why not, when there is no value
};

// `#RRGGBB`, `R,G,B`, a decimal number, or `0x` and hexadecimal digits (0x00BBGGRR). Nothing
// above 0x00FFFFFF: the high byte is no part of a colour.
ParsedColour ParseColour(std::string_view text);

// "#RRGGBB" of a stored 0x00BBGGRR, and of three components.
std::string HexColour(uint32_t bgr);
std::string HexColour(int64_t red, int64_t green, int64_t blue);

// Two blanks in the colour, for a terminal that shows 24-bit colour.
std::string Swatch(int64_t red, int64_t green, int64_t blue);

// Whether the standard output is a terminal that shows colour: not redirected, not a dumb
// terminal, and NO_COLOR not set.
bool StandardOutputShowsColour();

}  // namespace viewersettings::cli
