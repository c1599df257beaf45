#include "tools/viewer-settings/Sections.h"

#include "ViewerSettings.h"
#include "platform/Utf8.h"

namespace viewersettings::cli {
namespace {

// The catalogue's groups by the names of their getters.
std::vector<size_t> GroupsOf(std::initializer_list<std::string_view> getters) {
  std::vector<size_t> groups;
  const std::vector<catalogue::GroupInfo>& all = catalogue::Groups();
  for (const std::string_view getter : getters) {
    for (size_t group = 0; group < all.size(); ++group) {
      if (all[group].getter == getter) groups.push_back(group);
    }
  }
  return groups;
}

}  // namespace

std::vector<Section> FixedSections() {
  return {
      {"local", "Local station settings (LocalSetting)", "",
       GroupsOf({"XMLGetMinDiskSpace", "XMLGetLocalInfo"})},
      {"columns", "Patient-list columns (LocalSetting/PatListHeader)",
       "columns are read by number from 0 up to the first missing one, at most 7",
       GroupsOf({"XMLGetPatListHeaderInfo"})},
      {"flags", "Viewer flags",
       "the library answers 1 for a flag that is not stored, so the two look alike",
       GroupsOf({"XMLIsRealData", "XMLIsAutoLoopPlay"})},
      {"process", "Companion process",
       "the library answers empty text for a name that is not stored",
       GroupsOf({"XMLGetDUZOProcessName"})},
      {"window", "Last window position (WindowLastPos)", "", GroupsOf({"XMLGetLastPos"})},
      {"dicom", "DICOM node (DICOMViewer/DICOMNetSetting)", "", GroupsOf({"XMLGetDICOMLocalInfo"})},
      {"image-path", "DICOM image path",
       "the image directory looked up wherever it stands; set it as DICOM.LocalImageDir",
       GroupsOf({"XMLGetDICOMImagePath"})},
      {"zoom", "Partial zoom (DICOMViewer/DICOMMainWin/PartZoom)", "",
       GroupsOf({"XMLGetDicomPartZoomIn"})},
      {"image-window", "Image window switches (DICOMViewer/DICOMMainWin)", "",
       GroupsOf({"XMLGetDICOMImageWinInfo"})},
      {"modalities", "Added modalities (DICOMViewer/ModalityCount, Modality0, ...)", "",
       GroupsOf({"XMLGetDICOMAddedModality"})},
      {"ecg", "ECG viewer (ECGViewer)", "", GroupsOf({"XMLGetECGSettingInfo"})},
  };
}

Section ModalitySection(const std::u16string& name) {
  const std::string utf8 = platform::ToUtf8(name);
  return {std::string(kModalityPrefix) + utf8,
          "Display settings of modality " + utf8 + " (DICOMViewer/" + utf8 + ")", "",
          GroupsOf({"XMLGetDICOMDisplayKINImage", "XMLGetDICOMModalityPatientInfo",
                    "XMLGetDICOMLabelInfo"}),
          name};
}

std::optional<Section> FindSection(const std::string& id) {
  if (id.substr(0, kModalityPrefix.size()) == kModalityPrefix) {
    return ModalitySection(platform::FromUtf8(id.substr(kModalityPrefix.size())));
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

catalogue::Reading ReadSection(const Section& section) {
  catalogue::Reading all{XMLR_GET_OK, {}};
  for (const size_t group : section.groups) {
    catalogue::Reading reading = catalogue::ReadGroup(group, section.modality);
    if (all.code == XMLR_GET_OK) all.code = reading.code;
    for (catalogue::Entry& entry : reading.entries) all.entries.push_back(std::move(entry));
  }
  return all;
}

}  // namespace viewersettings::cli
