// First run: a settings file that cannot be opened is created with a skeleton and then seeded
// through the library's own setters, so the defaults are exactly what those setters store. The
// seeding happens in memory and the complete file reaches the disk in one replacement.
#include <string>
#include <vector>

#include "ViewerSettings.h"
#include "platform/Env.h"
#include "store/SettingsFile.h"
#include "store/Wait.h"
#include "xmldoc/XmlDocument.h"

namespace viewersettings::store {
namespace {

using platform::OpenMode;

// A directory text longer than this falls back to "C:\" followed by its suffix.
constexpr size_t kMaxDirectoryLength = 800;

// The suffixes keep the backslashes the viewer's stations have always stored, on every platform.
std::u16string DefaultDirectory(const std::u16string& exeRoot, const char16_t* suffix) {
  std::u16string dir = exeRoot + suffix;
  return dir.size() > kMaxDirectoryLength ? u"C:\\" + std::u16string(suffix) : dir;
}

// Byte-order mark, declaration line and an empty SystemSetting root, as the engine writes them.
std::u16string SkeletonText() {
  CXmlDocument doc = CXmlDocument::WithDeclaration();
  doc.AddElement(u"SystemSetting");
  return u"\xFEFF" + doc.GetDocText();
}

void SeedDefaults() {
  XMLSetMinDiskSpace(1000);
  XMLSetRealData(1);
  XMLSetAutoLoopPlay(1);

  DICOMLocalInfo node;
  const std::u16string exeRoot = GetExeRoot();
  node.LocalImageDir = DefaultDirectory(exeRoot, u"Data\\");
  // Crosswise, as stations have always had them: the SCP template directory serves the SCU side.
  node.LocalSCUDir = DefaultDirectory(exeRoot, u"Ormask\\SCPTemplate\\");
  node.LocalSCPDir = DefaultDirectory(exeRoot, u"Ormask\\SCUTemplate\\");
  XMLSetDICOMLocalInfo(&node);

  const std::vector<std::u16string> modalities = {u"General"};
  XMLSetDICOMAddedModality(&modalities);
  const DICOMModalityInfo general;
  XMLSetDICOMModalityInfo(u"General", &general);

  const std::u16string processName = u"DUZO.exe";
  XMLSetDUZOProcessName(&processName);
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
  return WriteSettingsText(path, FirstRunText(path),
                           TextForm{});  // UTF-16LE with a byte-order mark
}

std::u16string FirstRunText(const std::u16string& path) {
  InMemorySettingsFile staging(path, SkeletonText());
  SeedDefaults();
  return staging.Text();
}

}  // namespace viewersettings::store
