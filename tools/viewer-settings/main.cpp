#include <iostream>
#include <string>
#include <vector>

#include "tools/viewer-settings/Cli.h"

#if defined(_WIN32)
#include <windows.h>

#include "text/Utf8.h"

// Arguments arrive as UTF-16 and leave as UTF-8, as everywhere else.
int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    args.push_back(viewersettings::text::ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
  }
  return viewersettings::cli::Run(args, std::cout, std::cerr);
}
#else
int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return viewersettings::cli::Run(args, std::cout, std::cerr);
}
#endif
