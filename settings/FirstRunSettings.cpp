// The settings a first run stores, through the library's own setters, so that the defaults are
// exactly what those setters store. The store stages them in memory (store/FirstRun.cpp).
#include <string>
#include <vector>

#include "ViewerSettings.h"
#include "store/SettingsFile.h"

namespace viewersettings::store {
namespace {

// A directory text longer than this falls back to "C:\" followed by its suffix.
constexpr size_t kMaxDirectoryLength = 800;

// The suffixes keep the backslashes the viewer's stations have always stored, on every platform.
std::u16string DefaultDirectory(const std::u16string& exeRoot, const char16_t* suffix) {
  std::u16string dir = exeRoot + suffix;
  return dir.size() > kMaxDirectoryLength ? u"C:\\" + std::u16string(suffix) : dir;
}

}  // namespace

void StoreFirstRunSettings() {
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

}  // namespace viewersettings::store
