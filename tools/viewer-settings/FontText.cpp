#include "tools/viewer-settings/FontText.h"

#include <algorithm>
#include <iterator>

#include "text/Utf8.h"

namespace viewersettings::cli {
namespace {

struct Named {
  int64_t value;
  const char* name;
};

// The names of the platform's font headers.
constexpr Named kWeights[] = {
    {0, "default"},  {100, "thin"},      {200, "extra-light"}, {300, "light"},      {400, "normal"},
    {500, "medium"}, {600, "semi-bold"}, {700, "bold"},        {800, "extra-bold"}, {900, "heavy"}};
constexpr Named kCharSets[] = {
    {0, "ANSI"},          {1, "DEFAULT"},      {2, "SYMBOL"},    {77, "MAC"},
    {128, "SHIFTJIS"},    {129, "HANGUL"},     {130, "JOHAB"},   {134, "GB2312"},
    {136, "CHINESEBIG5"}, {161, "GREEK"},      {162, "TURKISH"}, {163, "VIETNAMESE"},
    {177, "HEBREW"},      {178, "ARABIC"},     {186, "BALTIC"},  {204, "RUSSIAN"},
    {222, "THAI"},        {238, "EASTEUROPE"}, {255, "OEM"}};

template <size_t N>
std::string NameOf(const Named (&names)[N], int64_t value) {
  const auto found = std::find_if(std::begin(names), std::end(names),
                                  [&](const Named& each) { return each.value == value; });
  return found == std::end(names) ? std::string() : found->name;
}

constexpr std::u16string_view kFlags[] = {u"Italic", u"Underline", u"StrikeOut"};
constexpr std::u16string_view kOthers[] = {u"CharSet", u"OutPrecision", u"ClipPrecision",
                                           u"Quality", u"PitchAndFamily"};

bool IsDigit(char16_t unit) {
  return unit >= u'0' && unit <= u'9';
}

}  // namespace

std::string WeightName(int64_t weight) {
  return NameOf(kWeights, weight);
}

std::string CharSetName(int64_t charSet) {
  return NameOf(kCharSets, charSet);
}

bool IsOneByteFontField(std::u16string_view element) {
  return std::find(std::begin(kFlags), std::end(kFlags), element) != std::end(kFlags) ||
         std::find(std::begin(kOthers), std::end(kOthers), element) != std::end(kOthers);
}

std::optional<std::string> HandTypedFontField(std::u16string_view element,
                                              std::u16string_view text) {
  if (!IsOneByteFontField(element) || text.empty()) return std::nullopt;
  const bool flag = std::find(std::begin(kFlags), std::end(kFlags), element) != std::end(kFlags);
  if (text.size() == 1 && !(flag && IsDigit(text.front()))) return std::nullopt;
  // The library reads the low byte of the first character's code and ignores the rest.
  const unsigned readAs = text.front() & 0xFFu;
  return "reads as " + std::to_string(readAs) + ", the code of its first character \"" +
         text::ToUtf8(text.substr(0, 1)) +
         "\": the library keeps this field as one character whose code is the value";
}

}  // namespace viewersettings::cli
