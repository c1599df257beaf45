// First run: a settings file that cannot be opened is created with a skeleton and then seeded
// through the library's own setters, so the defaults are exactly what those setters store.
#include <string>
#include <vector>

#include "ViewerSettings.h"
#include "platform/Env.h"
#include "store/SettingsFile.h"
#include "xmldoc/XmlDocument.h"

namespace viewersettings::store {
namespace {

using platform::CurrentEnv;
using platform::OpenMode;

// A directory text longer than this falls back to "C:\" followed by its suffix.
constexpr size_t kMaxDirectoryLength = 800;

// The suffixes keep the backslashes the viewer's stations have always stored, on every platform.
std::u16string DefaultDirectory(const std::u16string& exeRoot, const char16_t* suffix) {
  std::u16string dir = exeRoot + suffix;
  return dir.size() > kMaxDirectoryLength ? u"C:\\" + std::u16string(suffix) : dir;
}

// Byte-order mark, declaration line and an empty SystemSetting root, as the engine writes them.
bool WriteSkeleton(platform::File& file) {
  CXmlDocument doc = CXmlDocument::WithDeclaration();
  doc.AddElement(u"SystemSetting");
  const std::u16string text = u"\xFEFF" + doc.GetDocText();
  return file.SeekToStart() && file.Write(text.data(), text.size() * sizeof(char16_t)) &&
         file.Close();
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

// Entered when an open of the settings file failed. Only a file that does not exist is created
// and seeded: where the file exists (it is read-only, or another call held it for a moment),
// this reports success without writing, and the caller's one retry decides. A file is never
// truncated here, so existing settings are never replaced by defaults, and since seeding only
// follows a creation the setters it calls cannot bring it back here without end.
bool CreateDefaultSettingsFile(const std::u16string& path) {
  if (auto existing = CurrentEnv().Open(path, OpenMode::kReadExisting)) return true;
  auto file = CurrentEnv().Open(path, OpenMode::kCreateNew);
  if (!file) return false;
  if (!WriteSkeleton(*file)) {
    // A partial skeleton would stand in the way of the next attempt.
    file.reset();
    CurrentEnv().Remove(path);
    return false;
  }
  SeedDefaults();
  return true;
}

}  // namespace viewersettings::store
