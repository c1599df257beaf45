#include "tools/viewer-settings/Colour.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif
#else
#include <unistd.h>
#endif

namespace viewersettings::cli {
namespace {

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The whole of `text` as a number in `base`, no sign, no blanks.
std::optional<uint64_t> Digits(std::string_view text, int base) {
  uint64_t value = 0;
  if (text.empty() || text.size() > 16) return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

uint32_t FromComponents(uint64_t red, uint64_t green, uint64_t blue) {
  return static_cast<uint32_t>(red | green << 8 | blue << 16);
}

ParsedColour Refused(std::string reason) {
  return {std::nullopt, std::move(reason) + "; a colour is " + kColourForms};
}

}  // namespace

ParsedColour ParseColour(std::string_view text) {
  if (!text.empty() && text.front() == '#') {
    const std::optional<uint64_t> rgb = Digits(text.substr(1), 16);
    if (text.size() != 7 || !rgb) return Refused("#RRGGBB takes six hexadecimal digits");
    return {FromComponents(*rgb >> 16, *rgb >> 8 & 0xFF, *rgb & 0xFF), {}};
  }
  if (text.find(',') != std::string_view::npos) {
    std::vector<uint64_t> components;
    for (size_t from = 0;;) {
      const size_t comma = text.find(',', from);
      const std::optional<uint64_t> component =
          Digits(Trimmed(text.substr(from, comma - from)), 10);
      if (!component || *component > 0xFF)
        return Refused("R,G,B takes three numbers from 0 to 255");
      components.push_back(*component);
      if (comma == std::string_view::npos) break;
      from = comma + 1;
    }
    if (components.size() != 3) return Refused("R,G,B takes three numbers from 0 to 255");
    return {FromComponents(components[0], components[1], components[2]), {}};
  }
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::optional<uint64_t> number = hex ? Digits(text.substr(2), 16) : Digits(text, 10);
  if (!number) return Refused("not a colour");
  if (*number > kLargestColour) return Refused("above 0x00FFFFFF");
  return {static_cast<uint32_t>(*number), {}};
}

std::string HexColour(int64_t red, int64_t green, int64_t blue) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex = "#";
  for (const int64_t component : {red, green, blue}) {
    hex += kDigits[component >> 4 & 0xF];
    hex += kDigits[component & 0xF];
  }
  return hex;
}

std::string HexColour(uint32_t bgr) {
  return HexColour(bgr & 0xFF, bgr >> 8 & 0xFF, bgr >> 16 & 0xFF);
}

std::string Swatch(int64_t red, int64_t green, int64_t blue) {
  return "\x1b[48;2;" + std::to_string(red & 0xFF) + ";" + std::to_string(green & 0xFF) + ";" +
         std::to_string(blue & 0xFF) + "m  \x1b[0m";
}

bool StandardOutputShowsColour() {
  const char* noColour = std::getenv("NO_COLOR");
  if (noColour != nullptr && *noColour != '\0') return false;
#if defined(_WIN32)
  // A console shows escape sequences once asked to (Windows 10 and later); a pipe or file is no
  // console.
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  return GetConsoleMode(out, &mode) &&
         SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
#else
  const char* term = std::getenv("TERM");
  return isatty(STDOUT_FILENO) && term != nullptr && *term != '\0' &&
         std::strcmp(term, "dumb") != 0;
#endif
}

}  // namespace viewersettings::cli
