// The commands of viewer-settings, each over the settings catalogue. Run (Cli.h) parses the
// command line and calls one of them.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/Catalogue.h"
#include "tools/viewer-settings/Sections.h"

namespace viewersettings::cli {

class Tool {
 public:
  // `swatches`: the output is a terminal that shows colour.
  Tool(std::istream& in, std::ostream& out, std::ostream& err, bool swatches = false)
      : in_(in), out_(out), err_(err), swatches_(swatches) {}

  int Show(const std::string& only, bool json);
  int Get(const std::string& key);
  int Set(const std::string& key, const std::string& text);
  int Init();
  int Check();
  int Export();
  int Import(const std::string& source);
  int Reset(const std::string& target);
  int Diff(const std::string& other);
  int Repair();

  int Fail(int status, const std::string& message);

 private:
  std::string FilePath() const;
  // Before a command reads settings: a missing file is not created, and damage is told on the
  // error output; the exit status when nothing can be read.
  std::optional<int> GuardRead();
  // Before a command stores settings: a damaged or read-only file is refused with the reason, and
  // the exit status is returned; a missing one is left to the library to create.
  std::optional<int> GuardWrite();
  // What to say when the settings file is read-only, or nothing.
  std::optional<std::string> RefuseReadOnly() const;
  // Why a change to `key`, among `changes`, is refused before the library is asked, or nothing.
  std::optional<std::string> RefusedBeforehand(const std::string& key,
                                               const std::vector<catalogue::Change>& changes);
  // A result other than success, with what the file's state says about the cause.
  int FileFailure(const std::string& function, int32_t code);
  // Stores the changes through the catalogue and says what was stored, or what was refused and
  // that nothing was written.
  int StoreChanges(const std::vector<std::pair<std::string, std::string>>& typed);
  void PrintText(const std::vector<Section>& sections,
                 const std::vector<catalogue::GroupValues>& readings);
  // One entry, or several that belong together (a colour's components, a font), as show prints
  // them; the number of entries printed.
  size_t PrintEntries(const std::vector<catalogue::Entry>& entries, size_t first);
  int UnlistedModalityStatus(const Section& section, const catalogue::GroupValues& reading);
  void PrintJson(const std::vector<Section>& sections,
                 const std::vector<catalogue::GroupValues>& readings);

  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  bool swatches_;
};

}  // namespace viewersettings::cli
