// The one list of the groups; each entry is written beside its group's getter and setter.
#include "settings/Group.h"

namespace viewersettings::settings {

GroupEntry MinDiskSpaceGroup();
GroupEntry LocalInfoGroup();
GroupEntry ColumnsGroup();
GroupEntry RealDataGroup();
GroupEntry AutoLoopPlayGroup();
GroupEntry ProcessNameGroup();
GroupEntry LastPosGroup();
GroupEntry DicomNodeGroup();
GroupEntry ImagePathGroup();
GroupEntry PartZoomGroup();
GroupEntry ImageWinGroup();
GroupEntry AddedModalityGroup();
GroupEntry DisplayKINGroup();
GroupEntry PatientInfoGroup();
GroupEntry LabelGroup();
GroupEntry EcgGroup();

const std::vector<GroupEntry>& Groups() {
  static const std::vector<GroupEntry> groups = {
      MinDiskSpaceGroup(),   // settings/local/MinDiskSpace.cpp, before LocalInfo: its key
      LocalInfoGroup(),      // settings/local/LocalInfo.cpp
      ColumnsGroup(),        // settings/local/PatListHeader.cpp
      RealDataGroup(),       // settings/local/ViewerFlags.cpp
      AutoLoopPlayGroup(),   //
      ProcessNameGroup(),    //
      LastPosGroup(),        //
      DicomNodeGroup(),      // settings/dicom/DicomLocalInfo.cpp
      ImagePathGroup(),      //
      PartZoomGroup(),       // settings/dicom/ImageWindow.cpp
      ImageWinGroup(),       //
      AddedModalityGroup(),  // settings/dicom/AddedModality.cpp, before the per-modality groups
      DisplayKINGroup(),     // settings/dicom/DisplayKIN.cpp
      PatientInfoGroup(),    // settings/dicom/PatientInfo.cpp
      LabelGroup(),          // settings/dicom/LabelInfo.cpp
      EcgGroup(),            // settings/ecg/ECGSettingInfo.cpp
  };
  return groups;
}

}  // namespace viewersettings::settings
