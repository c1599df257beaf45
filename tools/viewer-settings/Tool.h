// The commands of viewer-settings, each over the settings catalogue. Run (Cli.h) parses the
// command line and calls one of them.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/Catalogue.h"
#include "tools/viewer-settings/Sections.h"

namespace viewersettings::cli {

class Tool {
 public:
  Tool(std::istream& in, std::ostream& out, std::ostream& err) : in_(in), out_(out), err_(err) {}

  int Show(const std::string& only, bool json);
  int Get(const std::string& key);
  int Set(const std::string& key, const std::string& text);
  int Init();
  int Check();
  int Export();
  int Import(const std::string& source);
  int Reset(const std::string& target);
  int Diff(const std::string& other);

  int Fail(int status, const std::string& message);

 private:
  std::string FilePath() const;
  // A result other than success, with what the file's state says about the cause.
  int FileFailure(const std::string& function, int32_t code);
  // Stores the changes through the catalogue and says what was stored, or what was refused and
  // that nothing was written.
  int StoreChanges(const std::vector<std::pair<std::string, std::string>>& typed);
  void PrintText(const std::vector<Section>& sections,
                 const std::vector<catalogue::GroupValues>& readings);
  void PrintJson(const std::vector<Section>& sections,
                 const std::vector<catalogue::GroupValues>& readings);

  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
};

}  // namespace viewersettings::cli
