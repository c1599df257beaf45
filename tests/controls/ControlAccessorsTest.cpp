// The exported accessors of the button control and the FTP client's assignment.
#include <gtest/gtest.h>

#include <type_traits>

#include "controls/FtpClient.h"
#include "controls/MultiModeButton.h"

namespace {

static_assert(std::is_same_v<std::underlying_type_t<CMultiModeButton::Type>, int32_t> &&
              std::is_same_v<std::underlying_type_t<CMultiModeButton::Text>, int32_t> &&
              std::is_same_v<std::underlying_type_t<CMultiModeButton::Focus>, int32_t>);

TEST(MultiModeButton, EachColourKeepsAll32BitsInItsOwnField) {
  using Setter = void (CMultiModeButton::*)(uint32_t);
  using Getter = uint32_t (CMultiModeButton::*)() const;
  struct Colour {
    Setter set;
    Getter get;
    uint32_t value;
  };
  const Colour colours[] = {
      {&CMultiModeButton::setTextColor, &CMultiModeButton::getTextColor, 0xFFFFFFFFu},
      {&CMultiModeButton::setBKColor, &CMultiModeButton::getBKColor, 0x80000001u},
      {&CMultiModeButton::setCheckedColor, &CMultiModeButton::getCheckedColor, 0x00FA0A0Bu},
      {&CMultiModeButton::setDisabledTextColor, &CMultiModeButton::getDisabledTextColor,
       0x7F000000u},
      {&CMultiModeButton::setDisabledBKColor, &CMultiModeButton::getDisabledBKColor, 0x01020304u},
  };
  CMultiModeButton button;
  for (const Colour& colour : colours) (button.*colour.set)(colour.value);
  button.setOffsetX(0xFFFFFFFFu);
  button.set3DLookOffset(0xFFFFFFFFu);
  for (const Colour& colour : colours) EXPECT_EQ((button.*colour.get)(), colour.value);
}

TEST(MultiModeButton, GradientFlagStoresFalseAndLeavesTheOtherFlags) {
  CMultiModeButton button;
  button.setGradient(true);
  EXPECT_TRUE(button.isGradient());
  button.setGradient(false);
  EXPECT_FALSE(button.isGradient());
  EXPECT_FALSE(button.isChecked());
  EXPECT_FALSE(button.isMultiClicked());
}

TEST(FtpClient, AssignmentYieldsTheLeftHandObject) {
  CFtpClient left;
  const CFtpClient right;
  EXPECT_EQ(&(left = right), &left);
}

}  // namespace
