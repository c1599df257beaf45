#include <iostream>
#include <string>
#include <vector>

#include "tools/viewer-settings/AnsibleModule.h"
#include "tools/viewer-settings/Cli.h"

#if defined(_WIN32)
#include <windows.h>

#include "text/Utf8.h"

// Arguments arrive as UTF-16 and leave as UTF-8, as everywhere else.
int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) {
    args.push_back(viewersettings::text::ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
  }
  if (!args.empty() && viewersettings::cli::IsAnsibleModuleCall(args.front(), args.size() - 1)) {
    return viewersettings::cli::RunAnsibleModule(args.back(), std::cout);
  }
  if (!args.empty()) args.erase(args.begin());
  return viewersettings::cli::Run(args, std::cout, std::cerr);
}
#else
int main(int argc, char** argv) {
  if (argc > 0 &&
      viewersettings::cli::IsAnsibleModuleCall(argv[0], static_cast<size_t>(argc - 1))) {
    return viewersettings::cli::RunAnsibleModule(argv[1], std::cout);
  }
  const std::vector<std::string> args(argv + 1, argv + argc);
  return viewersettings::cli::Run(args, std::cout, std::cerr);
}
#endif
