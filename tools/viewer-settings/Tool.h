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
#include "tools/viewer-settings/Exclusions.h"
#include "tools/viewer-settings/ImportPlan.h"
#include "tools/viewer-settings/Sections.h"

namespace viewersettings::cli {

struct ImportOptions {
  bool replace = false;  // remove what the station stores and the export does not
  bool check = false;    // write nothing; exit status 1 when something would change
  bool diff = false;     // print each change as before -> after
  bool json = false;     // print one JSON object: changed, diff, msg
  Exclusions excluded;
};

// What Converge changed, or (checking) would change.
struct Converged {
  std::vector<KeyChange> changes;
};

// What a Tool told its error stream, as one line without the tool's name and without notes.
std::string OneMessage(const std::string& errors);

// "nothing to change", "1 setting changed", "3 settings would change".
std::string Summary(size_t changes, bool check);

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
  int Export(const Exclusions& excluded);
  int Import(const std::string& source, const ImportOptions& options);
  int Reset(const std::string& target);
  int Diff(const std::string& other, const Exclusions& excluded);
  int Repair();
  int Schema();

  // Makes the station hold the settings wanted: plans the changes and, unless `check`, stores
  // them (all or nothing) and removes what the plan removes, saying so as set does. A station
  // that holds them already is not written to. Refusals and failures are told on the error
  // stream: kExitError.
  int Converge(const TypedSettings& wanted, const PlanOptions& plan, bool check,
               const Exclusions& excluded, Converged* result);

  int Fail(int status, const std::string& message);

 private:
  std::string FilePath() const;
  // Before a command reads settings: a missing file is not created, and damage is told on the
  // error output; the exit status when nothing can be read, or (`toCarryElsewhere`, for an
  // export) when some of the text read is not what the file's bytes meant.
  std::optional<int> GuardRead(bool toCarryElsewhere = false);
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
  // Stores the changes, and removes the settings of `removals`, through the catalogue and says
  // what was stored and removed, or what was refused and that nothing was written.
  int StoreChanges(const TypedSettings& typed, const std::vector<std::string>& removals = {});
  // Stores the changes where the station does not hold them already; else says so and writes
  // nothing.
  int StoreIfChanged(const TypedSettings& typed);
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
