#include "settings/ecg/ECGLists.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

#include "store/Access.h"
#include "store/LeafRecorder.h"

namespace viewersettings::ecg {
namespace {

using store::Search;
using store::SettingsReader;
using store::SettingsWriter;

// Element names by kind, as stored files carry them ("Infomation" included).
constexpr const char16_t* kColorElements[] = {u"Wave", u"Grid", u"BackGround", u"Infomation",
                                              u"Scale"};
constexpr const char16_t* kFilterElements[] = {u"SmoothFilterNone", u"SmoothFilterI",
                                               u"SmoothFilterII", u"SmoothFilterIII"};

// Null for a kind outside the table: such entries are not stored.
template <size_t N>
const char16_t* ElementOf(int kind, const char16_t* const (&elements)[N]) {
  return kind >= 0 && kind < static_cast<int>(N) ? elements[kind] : nullptr;
}

template <class Visitor, class Entry>
void ColorComponents(Visitor& visit, Entry& color) {
  visit.Attr(u"Red", color.Red);
  visit.Attr(u"Green", color.Green);
  visit.Attr(u"Blue", color.Blue);
}

// Each filter keeps only its own parameters; "Density" is a fraction for filter I and an
// integer for filter III.
template <class Visitor, class Entry>
void FilterParameters(Visitor& visit, Entry& filter) {
  switch (filter.Kind) {
    case SmoothFilterKindNone:
      visit.Attr(u"BaseLineWidth", filter.ParamB);
      break;
    case SmoothFilterKindI:
      visit.Attr(u"BaseLineWidth", filter.ParamB);
      visit.Attr(u"Brightness", filter.ParamC);
      visit.Attr(u"Density", filter.ParamA);
      break;
    case SmoothFilterKindII:
      visit.Attr(u"Brightness", filter.ParamC);
      break;
    case SmoothFilterKindIII:
      visit.Attr(u"QRSWidth", filter.ParamA);
      visit.Attr(u"BaseLineWidth", filter.ParamB);
      visit.Attr(u"Density", filter.ParamC);
      visit.Attr(u"Gamma", filter.ParamD);
      break;
  }
}

// The entries of a list by kind, each with the attributes its kind stores; a kind the list does
// not hold is added with zero values.
template <class Entry, size_t N, class Attributes>
void RecordKinds(store::LeafRecorder& recorder, std::vector<Entry>& entries,
                 const char16_t* const (&elements)[N], Attributes attributes) {
  for (size_t kind = 0; kind < N; ++kind) {
    Entry absent{};
    absent.Kind = static_cast<decltype(absent.Kind)>(kind);
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [&](const Entry& entry) { return entry.Kind == absent.Kind; });
    const bool present = found != entries.end();
    recorder.Entry(elements[kind], present, [&entries, absent] { entries.push_back(absent); });
    recorder.Element(elements[kind]);
    attributes(recorder, present ? *found : absent);
  }
}

}  // namespace

int32_t ReadECGColorSetting(std::vector<ECGColorEntry>& colors) {
  return store::Get(
      {u"SystemSetting", u"ECGViewer"},
      [&](SettingsReader& r) {
        // Built aside, so that a failure midway leaves the caller's list as it was.
        std::vector<ECGColorEntry> found;
        if (r.Element(u"ColorSetting") && r.Enter()) {
          for (size_t kind = 0; kind < std::size(kColorElements); ++kind) {
            if (!r.Element(kColorElements[kind])) continue;
            ECGColorEntry color{static_cast<ECGColorKind>(kind), 0, 0, 0};
            ColorComponents(r, color);
            found.push_back(color);
          }
        }
        colors.swap(found);
      },
      Search::kFromFirst);
}

int32_t WriteECGColorSetting(const std::vector<ECGColorEntry>& colors) {
  return store::Set(
      {u"SystemSetting", u"ECGViewer", u"ColorSetting"},
      [&](SettingsWriter& w) {
        for (const ECGColorEntry& color : colors) {
          const char16_t* element = ElementOf(color.Kind, kColorElements);
          if (!element) continue;
          if (w.Element(element)) ColorComponents(w, color);
        }
      },
      Search::kFromFirst);
}

int32_t ReadECGSmoothFilter(std::vector<SmoothFilterEntry>& filters) {
  return store::Get(
      {u"SystemSetting", u"ECGViewer"},
      [&](SettingsReader& r) {
        std::vector<SmoothFilterEntry> found;
        if (r.Element(u"SmoothFilter") && r.Enter()) {
          // One working entry serves all kinds: the parameters a kind does not store carry over
          // from the kind read before it, or keep these starting values.
          SmoothFilterEntry filter{SmoothFilterKindNone, 1.0f, 1.0f, 1, 4.0f};
          for (size_t kind = 0; kind < std::size(kFilterElements); ++kind) {
            if (!r.Element(kFilterElements[kind])) continue;
            filter.Kind = static_cast<SmoothFilterKind>(kind);
            FilterParameters(r, filter);
            found.push_back(filter);
          }
        }
        filters.swap(found);
      },
      Search::kFromFirst);
}

int32_t WriteECGSmoothFilter(const std::vector<SmoothFilterEntry>& filters) {
  return store::Set(
      {u"SystemSetting", u"ECGViewer", u"SmoothFilter"},
      [&](SettingsWriter& w) {
        for (const SmoothFilterEntry& filter : filters) {
          const char16_t* element = ElementOf(filter.Kind, kFilterElements);
          if (!element) continue;
          if (w.Element(element)) FilterParameters(w, filter);
        }
      },
      // Looked up where the reader takes them, so that a list out of kind order (or a file
      // holding a second element of a name) never stores values that are not read back.
      Search::kFromFirstAddAfterLast);
}

void RecordECGColorLeaves(store::LeafRecorder& recorder, std::vector<ECGColorEntry>& colors) {
  recorder.Access({u"SystemSetting", u"ECGViewer", u"ColorSetting"}, Search::kFromFirst);
  RecordKinds(recorder, colors, kColorElements,
              [](auto& visit, ECGColorEntry& color) { ColorComponents(visit, color); });
}

void RecordECGFilterLeaves(store::LeafRecorder& recorder, std::vector<SmoothFilterEntry>& filters) {
  recorder.Access({u"SystemSetting", u"ECGViewer", u"SmoothFilter"}, Search::kFromFirst);
  RecordKinds(recorder, filters, kFilterElements,
              [](auto& visit, SmoothFilterEntry& filter) { FilterParameters(visit, filter); });
}

}  // namespace viewersettings::ecg
