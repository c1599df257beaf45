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
  // Fields of the groups stored that the file did not hold before (see catalogue::StoreReport).
  std::vector<catalogue::Entry> alsoStored;
};

// What a Tool told its error stream, as one line without the tool's name and without notes.
std::string OneMessage(const std::string& errors);

// "nothing to change", "1 setting changed", "3 settings would change".
std::string Summary(size_t changes, bool check);

class Tool {
 public:
  Tool(std::istream& in, std::ostream& out, std::ostream& err) : in_(in), out_(out), err_(err) {}

  int Show(const std::string& only, bool json);
  int Get(const std::string& key);
  int Set(const std::string& key, const std::string& text);
  int Init();
  int Check();
  int Export(const Exclusions& excluded);
  int Import(const std::string& source, const ImportOptions& options);
  int Reset(const std::string& target);
  int Diff(const std::string& other, const Exclusions& excluded);
  int Schema();

  // Makes the station hold the settings wanted: plans the changes and, unless `check`, stores
  // them (all or nothing) and removes what the plan removes. A station that holds them already
  // is not written to. Refusals and failures are told on the error stream: kExitError.
  int Converge(const TypedSettings& wanted, const PlanOptions& plan, bool check,
               const Exclusions& excluded, Converged* result);

  int Fail(int status, const std::string& message);
  // False, having said why, when the station's file exists but the library cannot read it as
  // settings: nothing is exported from it or imported into it.
  bool ReadableAsSettings();

 private:
  std::string FilePath() const;
  // A result other than success, with what the file's state says about the cause.
  int FileFailure(const std::string& function, int32_t code);
  // Converges on the settings and says what changed, or that nothing needed changing.
  int StoreChanges(const TypedSettings& typed);
  void PrintChanged(const Converged& converged);
  void PrintText(const std::vector<Section>& sections,
                 const std::vector<catalogue::GroupValues>& readings);
  void PrintJson(const std::vector<Section>& sections,
                 const std::vector<catalogue::GroupValues>& readings);

  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
};

}  // namespace viewersettings::cli
