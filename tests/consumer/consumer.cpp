#include <ViewerSettings.h>

#include <cstdio>
#include <string>

// Stores a value in the settings file of the given directory (created with the first-run
// defaults) and reads it back.
int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string dir = argv[1];
  SetExeRootPathOverride(std::u16string(dir.begin(), dir.end()));
  int32_t value = 0;
  const bool ok = XMLSetMinDiskSpace(321) == XMLR_SET_OK &&
                  XMLGetMinDiskSpace(&value) == XMLR_GET_OK && value == 321;
  std::printf("consumer: %s\n", ok ? "ok" : "failed");
  return ok ? 0 : 1;
}
