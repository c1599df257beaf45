// The settings that settings_worker stores, and how the tests that start it read them back: both
// sides include this, so that they agree on what every stored number means.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ViewerSettings.h"

namespace worker_settings {

inline std::u16string Decimal(int64_t value) {
  const std::string text = std::to_string(value);
  return std::u16string(text.begin(), text.end());
}

// The number a text of decimal digits stands for; -1 for any other text, the empty one included.
inline int64_t ParseDecimal(const std::u16string& text) {
  if (text.empty() || text.size() > 18) return -1;
  int64_t value = 0;
  for (char16_t unit : text) {
    if (unit < u'0' || unit > u'9') return -1;
    value = value * 10 + (unit - u'0');
  }
  return value;
}

// ---- Concurrent writers --------------------------------------------------------------------
// Writer `id` owns the modality "M<id>". Its call k (1, 2, ...) stores k in the modality's
// key-image switch when k is odd, and in its overlay when k is even: in a corner text (the
// overlay's first access to the file) and in the zoom ratio (its second access).

inline std::u16string WriterModality(int id) {
  return u"M" + Decimal(id);
}

inline int32_t StoreWriterCall(int id, int32_t k) {
  if (k % 2 != 0) return XMLSetDICOMDisplayKINImage(WriterModality(id), k);
  DICOMModalityPatientInfo overlay;
  overlay.LeftTop = Decimal(k);
  overlay.DisplayInfo.ZoomRatio = k;
  return XMLSetDICOMModalityPatientInfo(WriterModality(id), &overlay);
}

// A writer's values as a reader finds them: 0 where nothing is stored yet, -1 for a text that
// no writer stores.
struct WriterValues {
  int64_t keyImage = 0;
  int64_t cornerText = 0;
  int64_t zoomRatio = 0;
};

// False when a getter failed; a missing element is an answer, not a failure.
inline bool ReadWriterValues(int id, WriterValues* values) {
  int32_t keyImage = 0;
  const int32_t keyResult = XMLGetDICOMDisplayKINImage(WriterModality(id), &keyImage);
  DICOMModalityPatientInfo overlay;
  const int32_t overlayResult = XMLGetDICOMModalityPatientInfo(WriterModality(id), &overlay);
  values->keyImage = keyImage;
  values->cornerText = overlay.LeftTop.empty() ? 0 : ParseDecimal(overlay.LeftTop);
  values->zoomRatio = overlay.DisplayInfo.ZoomRatio;
  const auto answered = [](int32_t result) {
    return result == XMLR_GET_OK || result == XMLR_GET_NOT_FOUND;
  };
  return answered(keyResult) && answered(overlayResult);
}

// ---- A writer that is killed ---------------------------------------------------------------
// Call c (0, 1, ...) stores the number c in every field of the settings of kind c % kCrashKinds.
// Several kinds make more than one access to the file in one call.
enum CrashKind {
  kMinDiskSpace,
  kWindowPosition,
  kProcessName,
  kOverlay,       // two accesses
  kLabel,         // five accesses
  kModalityList,  // the list is replaced by one name
  kKeyImage,
  kCrashKinds
};

inline const std::u16string kCrashModality = u"CT";

inline int32_t StoreCrashCall(int32_t c) {
  switch (static_cast<CrashKind>(c % kCrashKinds)) {
    case kMinDiskSpace:
      return XMLSetMinDiskSpace(c);
    case kWindowPosition: {
      const WindowRect rect{c, c, c, c};
      return XMLSetLastPos(&rect);
    }
    case kProcessName: {
      const std::u16string name = Decimal(c);
      return XMLSetDUZOProcessName(&name);
    }
    case kOverlay: {
      DICOMModalityPatientInfo overlay;
      overlay.RightBottom = Decimal(c);
      overlay.Height = c;
      overlay.DisplayInfo.ImageSize = c;
      return XMLSetDICOMModalityPatientInfo(kCrashModality, &overlay);
    }
    case kLabel: {
      DICOMModalityInfo defaults;
      DICOMLabelInfo label = defaults.Label;
      label.Point.Size = c;
      label.Arrow.Size = c;
      label.Text.Unit = c;
      label.Text.Font.lfHeight = c;
      label.Text.Color = static_cast<uint32_t>(c);
      return XMLSetDICOMLabelInfo(kCrashModality, &label);
    }
    case kModalityList: {
      const std::vector<std::u16string> names = {u"A" + Decimal(c)};
      return XMLSetDICOMAddedModality(&names);
    }
    case kKeyImage:
    case kCrashKinds:
      break;
  }
  return XMLSetDICOMDisplayKINImage(kCrashModality, c);
}

struct StoredValue {
  const char* field;
  CrashKind kind;
  int64_t value;  // -1 when the getter failed or found no number
};

// Every field that the killed writer stores, read back with the getters.
inline std::vector<StoredValue> ReadCrashValues() {
  std::vector<StoredValue> values;
  const auto add = [&](const char* field, CrashKind kind, int32_t result, int64_t value) {
    values.push_back({field, kind, result == XMLR_GET_OK ? value : -1});
  };
  int32_t minDiskSpace = -1;
  const int32_t minDiskResult = XMLGetMinDiskSpace(&minDiskSpace);
  add("MinDiskSpace", kMinDiskSpace, minDiskResult, minDiskSpace);
  WindowRect rect{-1, -1, -1, -1};
  const int32_t rectResult = XMLGetLastPos(&rect);
  add("WindowLastPos.Left", kWindowPosition, rectResult, rect.Left);
  add("WindowLastPos.Bottom", kWindowPosition, rectResult, rect.Bottom);
  add("DUZOProcessName", kProcessName, XMLR_GET_OK, ParseDecimal(XMLGetDUZOProcessName()));
  DICOMModalityPatientInfo overlay;
  const int32_t overlayResult = XMLGetDICOMModalityPatientInfo(kCrashModality, &overlay);
  add("PatientInfo.RightBottom", kOverlay, overlayResult, ParseDecimal(overlay.RightBottom));
  add("PatientInfo.Height", kOverlay, overlayResult, overlay.Height);
  add("PatientInfo.DisplayInfo.ImageSize", kOverlay, overlayResult, overlay.DisplayInfo.ImageSize);
  DICOMLabelInfo label{};
  const int32_t labelResult = XMLGetDICOMLabelInfo(kCrashModality, &label);
  add("Label.Point.Size", kLabel, labelResult, label.Point.Size);
  add("Label.Arrow.Size", kLabel, labelResult, label.Arrow.Size);
  add("Label.Text.Unit", kLabel, labelResult, label.Text.Unit);
  add("Label.Text.Font.Height", kLabel, labelResult, label.Text.Font.lfHeight);
  add("Label.Text.Color", kLabel, labelResult, label.Text.Color);
  std::vector<std::u16string> names;
  const int32_t namesResult = XMLGetDICOMAddedModality(&names);
  const bool oneName = names.size() == 1 && names[0].rfind(u"A", 0) == 0;
  add("Modality0", kModalityList, namesResult, oneName ? ParseDecimal(names[0].substr(1)) : -1);
  int32_t keyImage = -1;
  const int32_t keyResult = XMLGetDICOMDisplayKINImage(kCrashModality, &keyImage);
  add("DisplayKIN", kKeyImage, keyResult, keyImage);
  return values;
}

}  // namespace worker_settings
