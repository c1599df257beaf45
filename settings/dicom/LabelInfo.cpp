// The label settings of one modality: SystemSetting/DICOMViewer/<modality>/Label. Each symbol,
// the text and the text's font are separate accesses to the file, so the set is read and
// stored piece by piece, each piece a complete read (and, storing, a complete rewrite).
#include <utility>

#include "ViewerSettings.h"
#include "settings/Group.h"
#include "settings/dicom/ModalityAccess.h"
#include "settings/dicom/ModalityName.h"
#include "store/Access.h"
#include "store/Wait.h"

using namespace viewersettings::store;
using viewersettings::dicom::IsUsableModalityName;
using viewersettings::dicom::ModalityAccess;

namespace {

FileAccess SymbolAccess(const std::u16string& modality, const char16_t* symbol) {
  return ModalityAccess(modality, {u"Label", u"Symbol", symbol});
}

template <class Visitor, class Symbol>
void SymbolLeaves(Visitor& visit, Symbol& symbol) {
  visit.Leaf(u"Style", symbol.Style);
  visit.Leaf(u"Size", symbol.Size);
}

FileAccess TextAccess(const std::u16string& modality) {
  return ModalityAccess(modality, {u"Label", u"Text"});
}
template <class Visitor, class Text>
void TextLeaves(Visitor& visit, Text& text) {
  visit.Leaf(u"Unit", text.Unit);
  visit.Leaf(u"Precision", text.Precision);
}

FileAccess FontAccess(const std::u16string& modality) {
  return ModalityAccess(modality, {u"Label", u"Text", u"Font"});
}
// The text colour is kept among the font's leaves, between PitchAndFamily and FaceName.
template <class Visitor, class Font, class Color>
void FontLeaves(Visitor& visit, Font& font, Color& color) {
  visit.Leaf(u"Height", font.lfHeight);
  visit.Leaf(u"Width", font.lfWidth);
  visit.Leaf(u"Escapment", font.lfEscapement);  // sic: the stored files spell it this way
  visit.Leaf(u"Orientation", font.lfOrientation);
  visit.Leaf(u"Weight", font.lfWeight);
  visit.Leaf(u"Italic", CharForm(font.lfItalic));
  visit.Leaf(u"Underline", CharForm(font.lfUnderline));
  visit.Leaf(u"StrikeOut", CharForm(font.lfStrikeOut));
  visit.Leaf(u"CharSet", CharForm(font.lfCharSet));
  visit.Leaf(u"OutPrecision", CharForm(font.lfOutPrecision));
  visit.Leaf(u"ClipPrecision", CharForm(font.lfClipPrecision));
  visit.Leaf(u"Quality", CharForm(font.lfQuality));
  visit.Leaf(u"PitchAndFamily", CharForm(font.lfPitchAndFamily));
  visit.Leaf(u"Color", color);
  visit.Leaf(u"FaceName", FaceNameForm(font.lfFaceName));
}

int32_t ReadLabelSymbol(const std::u16string& modality, const char16_t* symbol,
                        DICOMLabelSymbol& out) {
  return Get(SymbolAccess(modality, symbol), [&](SettingsReader& r) { SymbolLeaves(r, out); });
}

int32_t WriteLabelSymbol(const std::u16string& modality, const char16_t* symbol,
                         const DICOMLabelSymbol& in) {
  return Set(SymbolAccess(modality, symbol), [&](SettingsWriter& w) { SymbolLeaves(w, in); });
}

int32_t ReadLabelFont(const std::u16string& modality, LOGFONTW& font, uint32_t& color) {
  return Get(FontAccess(modality), [&](SettingsReader& r) { FontLeaves(r, font, color); });
}

int32_t WriteLabelFont(const std::u16string& modality, const LOGFONTW& font,
                       const uint32_t& color) {
  return Set(FontAccess(modality), [&](SettingsWriter& w) { FontLeaves(w, font, color); });
}

int32_t ReadLabelText(const std::u16string& modality, DICOMLabelText& out) {
  const int32_t result = Get(TextAccess(modality), [&](SettingsReader& r) { TextLeaves(r, out); });
  if (result == XMLR_FILE_ERROR) return result;
  // The font and colour are taken as one block, and only when every font leaf was there.
  LOGFONTW font{};
  uint32_t color = 0;
  if (ReadLabelFont(modality, font, color) != XMLR_GET_OK) return XMLR_GET_NOT_FOUND;
  out.Font = font;
  out.Color = color;
  ReadLog::NoteCopied(&font, sizeof font, &out.Font);
  ReadLog::NoteCopied(&color, sizeof color, &out.Color);
  return result;
}

int32_t WriteLabelText(const std::u16string& modality, const DICOMLabelText& in) {
  const int32_t result = Set(TextAccess(modality), [&](SettingsWriter& w) { TextLeaves(w, in); });
  if (result == XMLR_FILE_ERROR) return result;
  const int32_t fontResult = WriteLabelFont(modality, in.Font, in.Color);
  return result == XMLR_SET_OK && fontResult == XMLR_SET_OK ? XMLR_SET_OK : XMLR_SET_FAILED;
}

}  // namespace

int32_t XMLGetDICOMLabelInfo(const std::u16string& modality, DICOMLabelInfo* info) {
  if (!info || !IsUsableModalityName(modality)) return XMLR_GET_NOT_FOUND;
  CallScope call;
  // Every part is read whatever the parts before it met.
  return AllOrElse(
      {
          ReadLabelSymbol(modality, u"Point", info->Point),
          ReadLabelSymbol(modality, u"Line", info->Line),
          ReadLabelSymbol(modality, u"Arrow", info->Arrow),
          ReadLabelText(modality, info->Text),
      },
      XMLR_GET_OK, XMLR_GET_NOT_FOUND);
}

int32_t XMLSetDICOMLabelInfo(const std::u16string& modality, const DICOMLabelInfo* info) {
  if (!info || !IsUsableModalityName(modality)) return XMLR_SET_FAILED;
  CallScope call;
  return AllOrElse(
      {
          WriteLabelSymbol(modality, u"Point", info->Point),
          WriteLabelSymbol(modality, u"Line", info->Line),
          WriteLabelSymbol(modality, u"Arrow", info->Arrow),
          WriteLabelText(modality, info->Text),
      },
      XMLR_SET_OK, XMLR_SET_FAILED);
}

namespace viewersettings::settings {
namespace {

// The five accesses in the order of the getter and setter.
void RecordLabelLeaves(LeafRecorder& recorder, const std::u16string& modality,
                       DICOMLabelInfo& info) {
  const std::pair<const char16_t*, DICOMLabelSymbol*> symbols[] = {
      {u"Point", &info.Point}, {u"Line", &info.Line}, {u"Arrow", &info.Arrow}};
  for (const auto& [name, symbol] : symbols) {
    recorder.Access(SymbolAccess(modality, name));
    SymbolLeaves(recorder, *symbol);
  }
  recorder.Access(TextAccess(modality));
  TextLeaves(recorder, info.Text);
  recorder.Access(FontAccess(modality));
  FontLeaves(recorder, info.Text.Font, info.Text.Color);
}

RecordFunctions<DICOMLabelInfo> LabelRecord(const std::u16string& modality) {
  return {[modality](DICOMLabelInfo& info) { return XMLGetDICOMLabelInfo(modality, &info); },
          [modality](const DICOMLabelInfo& info) { return XMLSetDICOMLabelInfo(modality, &info); },
          [] { return DICOMModalityInfo().Label; },
          [modality](LeafRecorder& recorder, DICOMLabelInfo& info) {
            RecordLabelLeaves(recorder, modality, info);
          }};
}

}  // namespace

// Modality.<name>.Label.Symbol.Point.Style, ..., Modality.<name>.Label.Text.Font.FaceName
GroupEntry LabelGroup() {
  GroupEntry group;
  group.getter = "XMLGetDICOMLabelInfo";
  group.setter = "XMLSetDICOMLabelInfo";
  group.perModality = true;
  group.keyPrefix = "Modality.<name>.";
  group.keyFromLevel = 3;
  group.section = "Modality.<name>";
  group.make = ModalityRecords(LabelRecord);
  return group;
}

}  // namespace viewersettings::settings
