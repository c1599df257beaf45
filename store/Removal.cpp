#include "store/Removal.h"

#include "ViewerSettings.h"
#include "store/SettingsFile.h"
#include "store/Verify.h"
#include "store/Wait.h"
#include "store/WriterLock.h"
#include "xmldoc/XmlDocument.h"

namespace viewersettings::store {
namespace {

constexpr char16_t kRoot[] = u"SystemSetting";

// Makes the element that `element` names the main one: false when some level is missing.
bool FindElementToRemove(CXmlDocument& doc, const ElementToRemove& element) {
  if (element.path.empty() || !doc.RestorePosition({}) || !doc.FindElement(kRoot) ||
      !doc.EnterElement()) {
    return false;
  }
  for (size_t level = 0; level + 1 < element.path.size(); ++level) {
    if (!doc.FindElement(element.path[level].c_str()) || !doc.EnterElement()) return false;
  }
  while (doc.FindElement(element.path.back().c_str())) {
    if (element.keyAttribute.empty() ||
        doc.GetAttribute(element.keyAttribute.c_str()) == element.keyText) {
      return true;
    }
  }
  return false;
}

}  // namespace

int32_t RemoveElements(const std::vector<ElementToRemove>& elements) {
  try {
    CallScope call;
    const std::u16string filePath = GetSettingsFilePath();
    WriterLock lock(WritersDirectoryOf(filePath));
    if (!lock.Held()) return XMLR_FILE_ERROR;
    std::optional<text::DecodedText> read = ReadSettingsText(filePath);
    if (!read) return XMLR_FILE_ERROR;
    CXmlDocument doc;
    doc.ParseText(std::move(read->text));
    bool removed = false;
    for (const ElementToRemove& element : elements) {
      // Each removal takes one element out of the index, so the loop ends.
      while (FindElementToRemove(doc, element)) {
        if (!doc.RemoveElement()) return XMLR_SET_FAILED;
        removed = true;
      }
    }
    if (!removed) return XMLR_SET_OK;
    const std::optional<std::u16string> edited = TextIfItReadsAsEdited(doc);
    if (!edited) return XMLR_SET_FAILED;
    // The fresh parse must not find what was removed either.
    CXmlDocument fresh;
    fresh.ParseText(edited->c_str());
    for (const ElementToRemove& element : elements) {
      if (FindElementToRemove(fresh, element)) return XMLR_SET_FAILED;
    }
    return WriteSettingsText(filePath, *edited, read->form) ? XMLR_SET_OK : XMLR_SET_FAILED;
  } catch (...) {
    return XMLR_SET_FAILED;
  }
}

}  // namespace viewersettings::store
