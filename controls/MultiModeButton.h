// The viewer's multi-mode button. This library exports only its field accessors, so that modules
// linking against it can call them; drawing and message handling live with the control itself.
#pragma once

#include <cstdint>

#include "ViewerSettings.h"
#include "controls/ControlBase.h"

// Colours are 0x00BBGGRR. They are uint32_t rather than the platform's own colour type so that
// the decorated names, and with them the one export list, are the same on every platform.
class CMultiModeButton : public CControlBase {
 public:
  // The enumerators belong to the control; each type has the width of a 32-bit field.
  enum Type : int32_t { kDefaultType = 0 };
  enum Text : int32_t { kDefaultText = 0 };
  enum Focus : int32_t { kDefaultFocus = 0 };

  VIEWERSETTINGS_API Type getType() const;
  VIEWERSETTINGS_API Text getTextStyle() const;
  VIEWERSETTINGS_API Focus getFocusStyle() const;
  VIEWERSETTINGS_API int32_t getBitmapId() const;

  VIEWERSETTINGS_API uint32_t getTextColor() const;
  VIEWERSETTINGS_API void setTextColor(uint32_t color);
  VIEWERSETTINGS_API uint32_t getBKColor() const;
  VIEWERSETTINGS_API void setBKColor(uint32_t color);
  VIEWERSETTINGS_API uint32_t getCheckedColor() const;
  VIEWERSETTINGS_API void setCheckedColor(uint32_t color);
  VIEWERSETTINGS_API uint32_t getDisabledTextColor() const;
  VIEWERSETTINGS_API void setDisabledTextColor(uint32_t color);
  VIEWERSETTINGS_API uint32_t getDisabledBKColor() const;
  VIEWERSETTINGS_API void setDisabledBKColor(uint32_t color);

  VIEWERSETTINGS_API void setOffsetX(uint32_t offset);
  VIEWERSETTINGS_API void set3DLookOffset(uint32_t offset);

  VIEWERSETTINGS_API bool isChecked() const;
  VIEWERSETTINGS_API bool isMultiClicked() const;
  VIEWERSETTINGS_API bool isGradient() const;
  VIEWERSETTINGS_API void setGradient(bool gradient);

 private:
  // Declared order is the control's layout; the reserved fields hold the places of the
  // control's own fields that no accessor touches.
  Type type_ = kDefaultType;
  Text textStyle_ = kDefaultText;
  Focus focusStyle_ = kDefaultFocus;
  [[maybe_unused]] int32_t reservedAfterFocus_ = 0;
  int32_t bitmapId_ = 0;
  bool checked_ = false;
  bool multiClicked_ = false;
  bool gradient_ = false;
  [[maybe_unused]] int32_t reservedBeforeOffsets_ = 0;
  uint32_t offsetX_ = 0;
  uint32_t lookOffset3D_ = 0;
  uint32_t textColor_ = 0;
  uint32_t bkColor_ = 0;
  uint32_t checkedColor_ = 0;
  uint32_t disabledTextColor_ = 0;
  uint32_t disabledBKColor_ = 0;
};
