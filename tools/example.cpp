// A first look at the library: stores and reads back MinDiskSpace in the settings file of the
// given directory (created with the first-run defaults when missing) and prints the file.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "ViewerSettings.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  SetExeRootPathOverride(std::u16string(dir.begin(), dir.end()));

  const std::string file = dir + "/VorelViewerSysSetting.xml";
  const int32_t stored = XMLSetMinDiskSpace(2048);
  int32_t value = 0;
  const int32_t read = XMLGetMinDiskSpace(&value);
  std::printf("XMLSetMinDiskSpace(2048) -> %d\nXMLGetMinDiskSpace -> %d, value %d\n\n", stored,
              read, value);

  std::ifstream in(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::printf("%s:\n", file.c_str());
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    // The demo text is ASCII; print the low byte of each UTF-16LE code unit.
    std::putchar(bytes[i]);
  }
  std::putchar('\n');
  return stored == XMLR_SET_OK && read == XMLR_GET_OK ? 0 : 1;
}
