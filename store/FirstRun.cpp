// First run: a settings file that cannot be opened is created with a skeleton and then seeded
// with the settings' own first-run values (StoreFirstRunSettings). The seeding happens in memory
// and the complete file reaches the disk in one replacement.
#include <string>

#include "platform/Env.h"
#include "store/SettingsFile.h"
#include "store/Wait.h"
#include "store/WriterLock.h"
#include "xmldoc/XmlDocument.h"

namespace viewersettings::store {
namespace {

using platform::OpenMode;

// Byte-order mark, declaration line and an empty SystemSetting root, as the engine writes them.
std::u16string SkeletonText() {
  CXmlDocument doc = CXmlDocument::WithDeclaration();
  doc.AddElement(u"SystemSetting");
  return u"\xFEFF" + doc.GetDocText();
}

}  // namespace

// Entered when the settings file could not be opened for reading. Only a file that does not
// exist is created and seeded: where it exists (unreadable, or another call held it for longer
// than a call waits) this writes nothing, so existing settings are never replaced by defaults.
// The writers' lock is held throughout, so that concurrent first calls create the file once; the
// seeding setters take it again on this thread.
bool CreateDefaultSettingsFile(const std::u16string& path) {
  WriterLock lock(WritersDirectoryOf(path));
  if (!lock.Held()) return false;
  platform::Status status;
  if (OpenWhenFree(path, OpenMode::kReadExisting, &status) ||
      status != platform::Status::kNotFound) {
    return status == platform::Status::kOk;  // created meanwhile by another call
  }
  // UTF-16LE with a byte-order mark
  return WriteSettingsText(path, FirstRunText(path), text::TextForm{});
}

std::u16string FirstRunText(const std::u16string& path) {
  InMemorySettingsFile staging(path, SkeletonText());
  StoreFirstRunSettings();
  return staging.Text();
}

}  // namespace viewersettings::store
