#include <iostream>
#include <string>
#include <vector>

#include "tools/viewer-settings/Cli.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return viewersettings::cli::Run(args, std::cout, std::cerr);
}
