#include "settings/dicom/ModalityName.h"

#include <string_view>

namespace viewersettings::dicom {

bool IsUsableModalityName(const std::u16string& name) {
  if (name.empty()) return false;
  constexpr std::u16string_view kRefused = u"<>=\\/?!\"'&[]";
  for (const char16_t unit : name) {
    if (unit <= u' ' || kRefused.find(unit) != std::u16string_view::npos) return false;
  }
  return true;
}

}  // namespace viewersettings::dicom
