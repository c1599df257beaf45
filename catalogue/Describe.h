// The describing functions of the groups, each beside its group's getter and setter in the
// settings sources, so that a group's leaves are named once. Each runs the group's leaf functions
// over `table` for the record given (see LeafTable).
#pragma once

#include <string>
#include <vector>

#include "ViewerSettings.h"

namespace viewersettings::catalogue {

class LeafTable;

// settings/local
void DescribeMinDiskSpace(LeafTable& table, int32_t& value);
void DescribeLocalInfo(LeafTable& table, LocalInfo& info);
void DescribePatListHeader(LeafTable& table, std::vector<PatListColumn>& columns);
void DescribeRealData(LeafTable& table, int32_t& value);
void DescribeAutoLoopPlay(LeafTable& table, int32_t& value);
void DescribeDUZOProcessName(LeafTable& table, std::u16string& name);
void DescribeLastPos(LeafTable& table, WindowRect& rect);

// settings/dicom
void DescribeDICOMLocalInfo(LeafTable& table, DICOMLocalInfo& info);
void DescribeDICOMImagePath(LeafTable& table, std::u16string& path);
void DescribeDicomPartZoomIn(LeafTable& table, PartZoomInfo& zoom);
void DescribeDICOMImageWinInfo(LeafTable& table, DICOMImageWinInfo& win);
void DescribeDICOMAddedModality(LeafTable& table, std::vector<std::u16string>& names);
void DescribeDICOMDisplayKINImage(LeafTable& table, const std::u16string& modality, int32_t& value);
void DescribeDICOMModalityPatientInfo(LeafTable& table, const std::u16string& modality,
                                      DICOMModalityPatientInfo& info);
void DescribeDICOMLabelInfo(LeafTable& table, const std::u16string& modality, DICOMLabelInfo& info);

// settings/ecg
void DescribeECGSettingInfo(LeafTable& table, ECGSettingInfo& info);

}  // namespace viewersettings::catalogue
