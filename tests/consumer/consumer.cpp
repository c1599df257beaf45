#include <ViewerSettings.h>

#include <cstdio>
#include <fstream>

// Stores a value in a settings file in the given directory and reads it back.
int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string dir = argv[1];
  std::ofstream(dir + "/VorelViewerSysSetting.xml", std::ios::binary)
      .write("<\0S\0y\0s\0t\0e\0m\0S\0e\0t\0t\0i\0n\0g\0/\0>\0", 30);
  SetExeRootPathOverride(std::u16string(dir.begin(), dir.end()));
  int32_t value = 0;
  const bool ok = XMLSetMinDiskSpace(321) == XMLR_SET_OK &&
                  XMLGetMinDiskSpace(&value) == XMLR_GET_OK && value == 321;
  std::printf("consumer: %s\n", ok ? "ok" : "failed");
  return ok ? 0 : 1;
}
