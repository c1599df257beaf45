// The two lists of the ECG viewer settings: colours below SystemSetting/ECGViewer/ColorSetting
// and smoothing filters below SystemSetting/ECGViewer/SmoothFilter. Each operation is a complete
// access to the settings file of its own (read, walk, read or change, write back).
#pragma once

#include <cstdint>
#include <vector>

#include "ViewerSettings.h"

namespace viewersettings::store {
class LeafRecorder;
}

namespace viewersettings::ecg {

// Replace the list by the colours found, in kind order; XMLR_GET_NOT_FOUND when a kind is
// missing. XMLR_FILE_ERROR leaves the list as it was.
int32_t ReadECGColorSetting(std::vector<ECGColorEntry>& colors);
int32_t WriteECGColorSetting(const std::vector<ECGColorEntry>& colors);

int32_t ReadECGSmoothFilter(std::vector<SmoothFilterEntry>& filters);
int32_t WriteECGSmoothFilter(const std::vector<SmoothFilterEntry>& filters);

// One entry per kind, whether the list holds it or not; a missing kind can be added.
void RecordECGColorLeaves(store::LeafRecorder& recorder, std::vector<ECGColorEntry>& colors);
void RecordECGFilterLeaves(store::LeafRecorder& recorder, std::vector<SmoothFilterEntry>& filters);

}  // namespace viewersettings::ecg
