// ViewerSettings: the settings library of the image viewer and its sibling modules.
//
// Every function reads or stores one group of settings in "VorelViewerSysSetting.xml", a UTF-16
// XML file beside the host executable. Each call is self-contained: it reads the file, answers or
// stores, and keeps nothing. A missing file is created with the first-run defaults.
//
// Strings are UTF-16 (std::u16string); lists are std::vector owned by the caller.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>  // LOGFONTW
#endif

// Result codes shared by all functions that return one. ViewerSettingsC.h has them as macros
// for C; whichever of the two headers comes first defines them.
#if !defined(VIEWERSETTINGS_RESULT_CODES)
#define VIEWERSETTINGS_RESULT_CODES
constexpr int32_t XMLR_GET_OK = 5700;         // getter: found, values copied
constexpr int32_t XMLR_GET_NOT_FOUND = 5701;  // getter: an element was missing
constexpr int32_t XMLR_SET_OK = 5702;         // setter: stored and written
constexpr int32_t XMLR_SET_FAILED = 5703;     // setter: a value or the file was not written
constexpr int32_t XMLR_FILE_ERROR = 5704;     // the settings file can be neither read nor created
#endif

// VIEWERSETTINGS_API, and the settings by key for hosts of any toolchain.
#include "ViewerSettingsC.h"

// Records are owned by the caller and passed by pointer. A getter leaves a field whose element
// is missing as it was, so the caller's initial values act as defaults. A null record pointer
// is refused: getters answer XMLR_GET_NOT_FOUND, setters XMLR_SET_FAILED, without touching the
// file.

// ---- Local station settings --------------------------------------------------------------

// SystemSetting/LocalSetting: MinDiskSpace, LockStationTime, PatListMaxRecords,
// StudyListUpdateTime. The library sets no defaults: the getter keeps a field whose element is
// missing.
struct LocalInfo {
  int32_t LockStationTime;
  int32_t PatListMaxRecords;
  int32_t StudyListUpdateTime;
  int32_t MinDiskSpace;
};

// One column of the patient list: SystemSetting/LocalSetting/PatListHeader/Item.
struct PatListColumn {
  int16_t ColumnNo = -1;
  std::u16string ColumnName;
  int16_t ColumnWidth = -1;
};

// The host window's last rectangle: SystemSetting/WindowLastPos.
struct WindowRect {
  int32_t Left;
  int32_t Top;
  int32_t Right;
  int32_t Bottom;
};

// ---- DICOM node and image window ----------------------------------------------------------

// SystemSetting/DICOMViewer/DICOMNetSetting. RemoteAETitle, RemotePort, NetOption and
// TransferSyntaxUID are not stored; they only carry their initial values.
struct DICOMLocalInfo {
  std::u16string RemoteAETitle = u"RemoteAE";
  int32_t RemotePort = 104;
  int16_t LocalMaxSCPCount = 30;
  int16_t LocalMaxSCUCount = 30;
  int16_t LocalDelayTime = 60;
  int32_t NetOption = 1;
  int32_t UseStudyUID = 0;
  int32_t CheckStudyUID = 0;
  std::u16string LocalImageDir;
  std::u16string LocalSCUDir;
  std::u16string LocalSCPDir;
  std::u16string TransferSyntaxUID = u"1.2.840.10008.1.2";
};

// SystemSetting/DICOMViewer/DICOMMainWin/PartZoom.
struct PartZoomInfo {
  int32_t ZoomRatio;
  int32_t ZoomWidth;
  int32_t ZoomHeight;
};

// SystemSetting/DICOMViewer/DICOMMainWin: ShowPatientInfo and ShowLabelInfo. WinOption belongs
// to the caller and is neither read nor written.
struct DICOMImageWinInfo {
  int32_t WinOption;
  int32_t ShowPatientInfo;
  int32_t ShowLabelInfo;
};

// ---- Per-modality display settings ---------------------------------------------------------

#if !defined(_WIN32)
// The logical-font record of the Windows platform, with the same fields, widths and order.
struct LOGFONTW {
  int32_t lfHeight;
  int32_t lfWidth;
  int32_t lfEscapement;
  int32_t lfOrientation;
  int32_t lfWeight;
  uint8_t lfItalic;
  uint8_t lfUnderline;
  uint8_t lfStrikeOut;
  uint8_t lfCharSet;
  uint8_t lfOutPrecision;
  uint8_t lfClipPrecision;
  uint8_t lfQuality;
  uint8_t lfPitchAndFamily;
  char16_t lfFaceName[32];
};
#endif

// <modality>/Label/Symbol/{Point,Line,Arrow}.
struct DICOMLabelSymbol {
  int16_t Style;
  int32_t Size;
};

// <modality>/Label/Text, with its font in Text/Font. Color is 0x00BBGGRR.
struct DICOMLabelText {
  int32_t Unit;
  int32_t Precision;
  LOGFONTW Font;
  uint32_t Color;
};

struct DICOMLabelInfo {
  DICOMLabelSymbol Point;
  DICOMLabelSymbol Line;
  DICOMLabelSymbol Arrow;
  DICOMLabelText Text;
};

// <modality>/PatientInfo/DisplayInfo.
struct DICOMDisplayInfo {
  int32_t ZoomRatio;
  int32_t SeriesImageNo;
  int32_t ImageSize;
  int32_t WidthLevel;
  int32_t ImageDirection;
};

// <modality>/PatientInfo: the corner texts of the overlay, its colour (0x00BBGGRR) and height.
struct DICOMModalityPatientInfo {
  std::u16string LeftTop;
  std::u16string RightTop;
  std::u16string LeftBottom;
  std::u16string RightBottom;
  DICOMDisplayInfo DisplayInfo{};
  uint32_t Color = 64250;  // red 250, green 250, blue 0
  int32_t Height = 10;
};

// All display settings of one modality; constructed in the default state that the first run
// stores for "General".
struct DICOMModalityInfo {
  int32_t DisplayKIN = 1;
  DICOMModalityPatientInfo PatientInfo;
  DICOMLabelInfo Label;

  DICOMModalityInfo() : Label{{0, 3}, {0, 1}, {2, 15}, {0, 2, {}, 255}} {
    Label.Text.Font.lfHeight = 10;
  }
};

// ---- ECG viewer ------------------------------------------------------------------------------

// Which display element a colour belongs to: SystemSetting/ECGViewer/ColorSetting/<element>.
enum ECGColorKind : int16_t {
  ECGColorWave = 0,        // Wave
  ECGColorGrid = 1,        // Grid
  ECGColorBackground = 2,  // BackGround
  ECGColorInformation = 3, // Infomation
  ECGColorScale = 4,       // Scale
};

struct ECGColorEntry {
  ECGColorKind Kind;
  uint8_t Red;
  uint8_t Green;
  uint8_t Blue;
};

// Which smoothing filter a parameter set belongs to: SystemSetting/ECGViewer/SmoothFilter/<element>.
enum SmoothFilterKind : int16_t {
  SmoothFilterKindNone = 0,  // SmoothFilterNone
  SmoothFilterKindI = 1,     // SmoothFilterI
  SmoothFilterKindII = 2,    // SmoothFilterII
  SmoothFilterKindIII = 3,   // SmoothFilterIII
};

// The parameters mean different things per kind.
struct SmoothFilterEntry {
  SmoothFilterKind Kind;
  float ParamA;
  float ParamB;
  int16_t ParamC;
  float ParamD;
};

// SystemSetting/ECGViewer.
struct ECGSettingInfo {
  int16_t PageStyle;
  int16_t GridType;
  int16_t DefaultSmoothMode;
  int16_t ZoomWidth;
  int16_t ZoomHeight;
  float ZoomRatio;
  std::vector<ECGColorEntry> Colors;
  std::vector<SmoothFilterEntry> SmoothFilters;
};

extern "C" {

// Tools and tests: a non-empty directory is used as the executable's directory from now on,
// an empty one returns to the real one.
VIEWERSETTINGS_API void SetExeRootPathOverride(const std::u16string& dir);

// SystemSetting/LocalSetting/MinDiskSpace
VIEWERSETTINGS_API int32_t XMLGetMinDiskSpace(int32_t* out);
VIEWERSETTINGS_API int32_t XMLSetMinDiskSpace(int32_t value);

// ---- Local station settings (SystemSetting/...) ----
VIEWERSETTINGS_API int32_t XMLGetPatListHeaderInfo(std::vector<PatListColumn>* columns);
// Reports success as XMLR_GET_OK.
VIEWERSETTINGS_API int32_t XMLSetPatListHeaderInfo(const std::vector<PatListColumn>* columns);
VIEWERSETTINGS_API int32_t XMLGetLocalInfo(LocalInfo* info);
VIEWERSETTINGS_API int32_t XMLSetLocalInfo(const LocalInfo* info);
// The flag itself; 1 when the file or the element is missing.
VIEWERSETTINGS_API int32_t XMLIsRealData();
VIEWERSETTINGS_API int32_t XMLSetRealData(int32_t value);
VIEWERSETTINGS_API int32_t XMLIsAutoLoopPlay();
VIEWERSETTINGS_API int32_t XMLSetAutoLoopPlay(int32_t value);
// The name itself; empty when the file or the element is missing.
VIEWERSETTINGS_API std::u16string XMLGetDUZOProcessName();
VIEWERSETTINGS_API int32_t XMLSetDUZOProcessName(const std::u16string* name);
VIEWERSETTINGS_API int32_t XMLGetLastPos(WindowRect* rect);
VIEWERSETTINGS_API int32_t XMLSetLastPos(const WindowRect* rect);

// ---- DICOM node and image window (SystemSetting/DICOMViewer/...) ----
VIEWERSETTINGS_API int32_t XMLGetDICOMLocalInfo(DICOMLocalInfo* info);
VIEWERSETTINGS_API int32_t XMLSetDICOMLocalInfo(const DICOMLocalInfo* info);
VIEWERSETTINGS_API int32_t XMLGetDICOMImagePath(std::u16string* path);
VIEWERSETTINGS_API int32_t XMLGetDicomPartZoomIn(PartZoomInfo* info);
VIEWERSETTINGS_API int32_t XMLSetDicomPartZoomIn(const PartZoomInfo* info);
VIEWERSETTINGS_API int32_t XMLGetDICOMImageWinInfo(DICOMImageWinInfo* info);
VIEWERSETTINGS_API int32_t XMLSetDICOMImageWinInfo(const DICOMImageWinInfo* info);

// ---- Added modalities (SystemSetting/DICOMViewer/ModalityCount, Modality0, ...) ----
VIEWERSETTINGS_API int32_t XMLGetDICOMAddedModality(std::vector<std::u16string>* names);
// More than 32767 names are refused with XMLR_SET_FAILED.
VIEWERSETTINGS_API int32_t XMLSetDICOMAddedModality(const std::vector<std::u16string>* names);

// ---- Per-modality display settings (SystemSetting/DICOMViewer/<modality>/...) ----
// A modality name is an element name: empty names, white space, control characters and
// < > = \ / ? ! " ' & [ ] are refused (getters XMLR_GET_NOT_FOUND with the record unchanged,
// setters XMLR_SET_FAILED with the file unchanged).
VIEWERSETTINGS_API int32_t XMLGetDICOMLabelInfo(const std::u16string& modality,
                                                DICOMLabelInfo* info);
VIEWERSETTINGS_API int32_t XMLSetDICOMLabelInfo(const std::u16string& modality,
                                                const DICOMLabelInfo* info);
VIEWERSETTINGS_API int32_t XMLGetDICOMModalityPatientInfo(const std::u16string& modality,
                                                          DICOMModalityPatientInfo* info);
VIEWERSETTINGS_API int32_t XMLSetDICOMModalityPatientInfo(const std::u16string& modality,
                                                          const DICOMModalityPatientInfo* info);
VIEWERSETTINGS_API int32_t XMLGetDICOMDisplayKINImage(const std::u16string& modality,
                                                      int32_t* value);
VIEWERSETTINGS_API int32_t XMLSetDICOMDisplayKINImage(const std::u16string& modality,
                                                      int32_t value);
VIEWERSETTINGS_API int32_t XMLGetDICOMModalityInfo(const std::u16string& modality,
                                                   DICOMModalityInfo* info);
VIEWERSETTINGS_API int32_t XMLSetDICOMModalityInfo(const std::u16string& modality,
                                                   const DICOMModalityInfo* info);

// ---- ECG viewer (SystemSetting/ECGViewer/...) ----
VIEWERSETTINGS_API int32_t XMLGetECGSettingInfo(ECGSettingInfo* info);
VIEWERSETTINGS_API int32_t XMLSetECGSettingInfo(const ECGSettingInfo* info);

}  // extern "C"
