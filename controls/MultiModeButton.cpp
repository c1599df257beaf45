// Defined here rather than in the header so that the library holds and exports them.
#include "controls/MultiModeButton.h"

CMultiModeButton::Type CMultiModeButton::getType() const {
  return type_;
}
CMultiModeButton::Text CMultiModeButton::getTextStyle() const {
  return textStyle_;
}
CMultiModeButton::Focus CMultiModeButton::getFocusStyle() const {
  return focusStyle_;
}
int32_t CMultiModeButton::getBitmapId() const {
  return bitmapId_;
}

uint32_t CMultiModeButton::getTextColor() const {
  return textColor_;
}
void CMultiModeButton::setTextColor(uint32_t color) {
  textColor_ = color;
}
uint32_t CMultiModeButton::getBKColor() const {
  return bkColor_;
}
void CMultiModeButton::setBKColor(uint32_t color) {
  bkColor_ = color;
}
uint32_t CMultiModeButton::getCheckedColor() const {
  return checkedColor_;
}
void CMultiModeButton::setCheckedColor(uint32_t color) {
  checkedColor_ = color;
}
uint32_t CMultiModeButton::getDisabledTextColor() const {
  return disabledTextColor_;
}
void CMultiModeButton::setDisabledTextColor(uint32_t color) {
  disabledTextColor_ = color;
}
uint32_t CMultiModeButton::getDisabledBKColor() const {
  return disabledBKColor_;
}
void CMultiModeButton::setDisabledBKColor(uint32_t color) {
  disabledBKColor_ = color;
}

void CMultiModeButton::setOffsetX(uint32_t offset) {
  offsetX_ = offset;
}
void CMultiModeButton::set3DLookOffset(uint32_t offset) {
  lookOffset3D_ = offset;
}

bool CMultiModeButton::isChecked() const {
  return checked_;
}
bool CMultiModeButton::isMultiClicked() const {
  return multiClicked_;
}
bool CMultiModeButton::isGradient() const {
  return gradient_;
}
void CMultiModeButton::setGradient(bool gradient) {
  gradient_ = gradient;
}
