#include "tools/viewer-settings/Sections.h"

#include "ViewerSettings.h"
#include "text/Utf8.h"

namespace viewersettings::cli {
namespace {

// The section's id and title with the modality's name in place of the placeholder.
std::string Named(std::string text, const std::string& name) {
  for (size_t at = text.find(catalogue::kNamePlaceholder); at != std::string::npos;
       at = text.find(catalogue::kNamePlaceholder, at + name.size())) {
    text.replace(at, catalogue::kNamePlaceholder.size(), name);
  }
  return text;
}

// The sections of the catalogue's groups that are, or are not, per modality, in their order.
std::vector<Section> SectionsOf(bool perModality, const std::string& name) {
  std::vector<Section> sections;
  const std::vector<catalogue::GroupInfo>& groups = catalogue::Groups();
  for (size_t group = 0; group < groups.size(); ++group) {
    const catalogue::GroupInfo& info = groups[group];
    if (info.perModality != perModality) continue;
    if (sections.empty() || sections.back().id != Named(info.section, name)) {
      sections.push_back(
          {Named(info.section, name), Named(info.sectionTitle, name), info.sectionNote, {}});
    }
    sections.back().groups.push_back(group);
    sections.back().listsModalities = sections.back().listsModalities || info.listsModalities;
  }
  return sections;
}

}  // namespace

std::vector<Section> FixedSections() {
  return SectionsOf(false, "");
}

Section ModalitySection(const std::u16string& name) {
  Section section = SectionsOf(true, text::ToUtf8(name)).front();
  section.modality = name;
  return section;
}

std::optional<Section> FindSection(const std::string& id) {
  if (id.substr(0, kModalityPrefix.size()) == kModalityPrefix) {
    return ModalitySection(text::FromUtf8(id.substr(kModalityPrefix.size())));
  }
  for (Section& section : FixedSections()) {
    if (section.id == id) return std::move(section);
  }
  return std::nullopt;
}

std::string KnownSections() {
  std::string ids;
  for (const Section& section : FixedSections()) ids += section.id + ", ";
  return ids + std::string(kModalityPrefix) + "<name>";
}

catalogue::GroupValues ReadSection(const Section& section) {
  catalogue::GroupValues all{XMLR_GET_OK, {}};
  for (const size_t group : section.groups) {
    catalogue::GroupValues reading = catalogue::ReadGroup(group, section.modality);
    if (all.code == XMLR_GET_OK) all.code = reading.code;
    for (catalogue::Entry& entry : reading.entries) all.entries.push_back(std::move(entry));
  }
  return all;
}

}  // namespace viewersettings::cli
