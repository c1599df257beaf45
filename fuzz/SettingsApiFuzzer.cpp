// Every exported getter and setter on an arbitrary settings file.
//
// Input: the bytes of the settings file, which lives on a disk in memory. All getters run on
// it; then all setters in a fixed order, twice: with ordinary values and the modality "General"
// (the parts of its settings one by one), and with values full of markup characters, line
// breaks, extreme numbers and unknown list kinds and the modality "CT" (the aggregate); then the
// per-modality calls with a name that the name check refuses; then all getters again. After the
// first getters, the C interface lists and reads every key by its catalogue and stores two. The
// getters ask for "General" part by part and, through the aggregate, for "CT" and for
// "ModalityCount", a name that collides with the list of added modalities.
//
// Checked after every call: no crash and no sanitizer report; the result is one the function
// documents; no file is left open, the writers' lock is released and the directory holds the
// settings file alone; getters and refused calls leave the file as it was, and so does a setter
// that reports the file unreadable. A file that parsed before a setter still parses after it,
// unless it has a start tag of a kind that the engine cannot keep in step with its index (see
// StartTag). Where every start tag of the file is well formed, three setters must read back what
// they stored. A setter never changes the file's encoding, nor adds or drops its byte-order mark,
// and never writes a file whose bytes are not valid in its encoding (XMLR_SET_FAILED). The disk
// itself ends the run when the library opens, renames or removes a file it holds open, uses one
// it has closed or takes the writers' lock twice.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "DocumentChecks.h"
#include "ViewerSettings.h"
#include "support/SimulatedDisk.h"
#include "text/TextEncoding.h"
#include "xmldoc/XmlDocument.h"

namespace {

using fuzzing::Fail;
using fuzzing::StartTag;
using testing_support::SimulatedDisk;
using viewersettings::text::DecodedText;
using viewersettings::text::DecodeFileText;
using viewersettings::text::EncodingName;
using viewersettings::text::TextForm;

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

const std::u16string kDirectory = u"/viewer";
const std::u16string kSettingsName = u"VorelViewerSysSetting.xml";
const std::u16string kSettingsPath = kDirectory + u"/" + kSettingsName;

// Markup characters, a line break, a non-ASCII letter and a character outside the BMP.
const std::u16string kHostileText = u"<a b=\"c\" d='e'>&amp;</a>\r\n\u00e9\U0001F600";

// Made anew for each input, so that nothing carries over from one input to the next.
std::optional<SimulatedDisk> g_disk;

std::string FileBytes() {
  return g_disk->Content(kSettingsPath).value_or(std::string());
}

// The text as the store reads it, in the encoding found from the first bytes.
std::u16string TextOf(const std::string& bytes) {
  return DecodeFileText(bytes).text;
}

// The encoding and whether the text begins with a byte-order mark.
struct Encoding {
  TextForm form;
  bool mark = false;
};

Encoding EncodingOf(const std::string& bytes) {
  const DecodedText decoded = DecodeFileText(bytes);
  return {decoded.form, !decoded.text.empty() && decoded.text[0] == u'\uFEFF'};
}

[[noreturn]] void FailOn(const std::string& call, const std::string& what,
                         const std::string& bytes) {
  Fail(call + ": " + what, TextOf(bytes));
}

struct Shape {
  bool parses = false;
  // The engine keeps its index in step with the text under any edit, so a file that parses
  // keeps parsing.
  bool editable = false;
  // Every attribute is written as name="value": what a setter stores reads back.
  bool wellFormed = false;
};

// Parsing is the costliest check, and the file after one setter is the file before the next.
const Shape& ShapeOf(const std::string& bytes) {
  static std::string lastBytes;
  static Shape last;
  if (bytes == lastBytes && !bytes.empty()) return last;
  CXmlDocument doc;
  last = Shape{};
  last.parses = !bytes.empty() && doc.ParseText(TextOf(bytes));
  last.editable = last.parses && fuzzing::EditsKeepIndex(doc);
  last.wellFormed = last.editable && !fuzzing::AnyStartTag(doc, StartTag::kLoose);
  lastBytes = bytes;
  return last;
}

void CheckAfterCall(const std::string& call, const std::string& before) {
  if (g_disk->OpenFiles() != 0) FailOn(call, "left a file open", before);
  if (g_disk->WritersLocked()) FailOn(call, "kept the writers' lock", before);
  if (g_disk->NamesIn(kDirectory) != std::vector<std::u16string>{kSettingsName}) {
    FailOn(call, "left the directory holding other files than the settings file", before);
  }
}

template <class Call>
void Getter(const std::string& name, Call&& call) {
  const std::string before = FileBytes();
  const int32_t result = call();
  CheckAfterCall(name, before);
  if (result != XMLR_GET_OK && result != XMLR_GET_NOT_FOUND && result != XMLR_FILE_ERROR) {
    FailOn(name, "returned " + std::to_string(result), before);
  }
  if (FileBytes() != before) FailOn(name, "a getter changed the file", before);
}

// Getters whose result is the setting itself.
template <class Call>
void ValueGetter(const std::string& name, Call&& call) {
  const std::string before = FileBytes();
  call();
  CheckAfterCall(name, before);
  if (FileBytes() != before) FailOn(name, "a getter changed the file", before);
}

template <class Call>
int32_t Setter(const std::string& name, Call&& call, int32_t success = XMLR_SET_OK) {
  const std::string before = FileBytes();
  const int32_t result = call();
  CheckAfterCall(name, before);
  if (result != success && result != XMLR_SET_FAILED && result != XMLR_FILE_ERROR) {
    FailOn(name, "returned " + std::to_string(result), before);
  }
  if (result == XMLR_FILE_ERROR && FileBytes() != before) {
    FailOn(name, "reported the file unreadable but changed it", before);
  }
  const Encoding was = EncodingOf(before);
  if (!was.form.writable && (result != XMLR_SET_FAILED || FileBytes() != before)) {
    FailOn(name, "did not refuse a file whose bytes are not valid in its encoding", before);
  }
  const Encoding is = EncodingOf(FileBytes());
  if (is.form.encoding != was.form.encoding || is.mark != was.mark) {
    FailOn(name,
           std::string("changed the file's encoding or byte-order mark: it was ") +
               EncodingName(was.form.encoding) + (was.mark ? " with a mark" : " without a mark"),
           before);
  }
  if (ShapeOf(before).editable && !ShapeOf(FileBytes()).parses) {
    FailOn(name, "the file parsed before the setter and no longer does", before);
  }
  return result;
}

// A call with a modality name that the name check refuses: its failure code, the file untouched.
template <class Call>
void Refused(const std::string& name, int32_t expected, Call&& call) {
  const std::string before = FileBytes();
  const int32_t result = call();
  CheckAfterCall(name, before);
  if (result != expected) FailOn(name, "returned " + std::to_string(result), before);
  if (FileBytes() != before) FailOn(name, "a refused call changed the file", before);
}

// Stores with `set` and, where the file's tags are well formed and the setter succeeded, reads
// back with `get`, which must find what was stored.
template <class Set, class Get>
void RoundTrip(const std::string& name, Set&& set, Get&& get) {
  const std::string before = FileBytes();
  const bool readable = ShapeOf(before).wellFormed;
  if (Setter(name, set) == XMLR_SET_OK && readable && !get()) {
    FailOn(name, "stored and reported success, but the value does not read back", before);
  }
}

// ---- Arguments ---------------------------------------------------------------------------------

struct Arguments {
  int32_t number;
  std::u16string text;
  std::vector<PatListColumn> columns;
  LocalInfo local;
  WindowRect rect;
  DICOMLocalInfo node;
  PartZoomInfo zoom;
  DICOMImageWinInfo window;
  std::vector<std::u16string> modalities;
  DICOMModalityInfo modality;
  ECGSettingInfo ecg;
};

Arguments Ordinary() {
  Arguments a;
  a.number = 1000;
  a.text = u"DUZO.exe";
  for (int16_t column = 0; column <= 6; ++column) {
    a.columns.push_back({column, u"Column" + std::u16string(1, u'0' + column), 80});
  }
  a.local = {30, 500, 10, 2048};
  a.rect = {0, 0, 1024, 768};
  a.node.LocalImageDir = u"C:\\Vorel\\Data\\";
  a.node.LocalSCUDir = u"C:\\Vorel\\Ormask\\SCPTemplate\\";
  a.node.LocalSCPDir = u"C:\\Vorel\\Ormask\\SCUTemplate\\";
  a.zoom = {2, 200, 150};
  a.window = {0, 1, 1};
  a.modalities = {u"General", u"CT"};
  a.ecg = {1, 2, 1, 25, 10, 1.5f, {}, {}};
  for (int16_t kind = 0; kind <= 4; ++kind) {
    a.ecg.Colors.push_back({static_cast<ECGColorKind>(kind), 10, 20, 30});
  }
  for (int16_t kind = 0; kind <= 3; ++kind) {
    a.ecg.SmoothFilters.push_back({static_cast<SmoothFilterKind>(kind), 0.5f, 1.0f, 3, 2.2f});
  }
  return a;
}

Arguments Hostile() {
  Arguments a;
  a.number = kMin;
  a.text = kHostileText;
  a.columns = {{3, kHostileText, -1}, {3, u"", 5}, {-1, u"x", 32767}, {32767, u"y", -32768}};
  a.local = {kMin, kMax, -1, 0};
  a.rect = {-32000, kMin, kMax, 7};
  a.node.RemotePort = -1;
  a.node.LocalMaxSCPCount = -32768;
  a.node.UseStudyUID = kMax;
  a.node.LocalImageDir = kHostileText;
  a.node.LocalSCUDir = std::u16string(300, u'&');
  a.zoom = {-1, kMax, 0};
  a.window = {7, -5, 2};
  a.modalities = {u"", kHostileText, u"Modality0", u"ModalityCount"};
  DICOMModalityInfo& m = a.modality;
  m.DisplayKIN = -7;
  m.PatientInfo.LeftTop = kHostileText;
  m.PatientInfo.RightBottom = u"\r\n\t\xD800";  // an unpaired surrogate: UTF-8 files refuse it
  m.PatientInfo.Color = 0x80000000u;
  m.PatientInfo.DisplayInfo = {kMin, kMax, -1, 0, 9};
  m.Label.Point = {-32768, kMin};
  m.Label.Text.Font.lfItalic = '"';
  m.Label.Text.Font.lfCharSet = 255;
  m.Label.Text.Font.lfQuality = '<';
  const std::u16string face = u"Arial <&>";
  for (size_t i = 0; i < face.size(); ++i) m.Label.Text.Font.lfFaceName[i] = face[i];
  m.Label.Text.Color = 0xFFFFFFFFu;
  a.ecg = {-1, -32768, 9, -32768, 32767, kNaN, {}, {}};
  a.ecg.Colors = {{static_cast<ECGColorKind>(9), 1, 2, 3},
                  {ECGColorGrid, 255, 0, 255},
                  {ECGColorGrid, 0, 0, 0}};
  a.ecg.SmoothFilters = {{SmoothFilterKindIII, kInfinity, -kInfinity, -1, kNaN},
                         {static_cast<SmoothFilterKind>(-2), 1, 1, 1, 1}};
  return a;
}

// ---- The calls ---------------------------------------------------------------------------------

// Names that the first-run file has, that it has not, that collide with the list of added
// modalities, and one the name check refuses.
const std::u16string kModalities[] = {u"General", u"CT", u"ModalityCount"};
const std::u16string kRefusedModality = u"Bad/Name";

void RunGetters() {
  int32_t number = 0;
  std::vector<PatListColumn> columns;
  LocalInfo local{};
  WindowRect rect{};
  DICOMLocalInfo node;
  std::u16string path;
  PartZoomInfo zoom{};
  DICOMImageWinInfo window{};
  std::vector<std::u16string> names;
  ECGSettingInfo ecg{};
  Getter("XMLGetMinDiskSpace", [&] { return XMLGetMinDiskSpace(&number); });
  Getter("XMLGetPatListHeaderInfo", [&] { return XMLGetPatListHeaderInfo(&columns); });
  Getter("XMLGetLocalInfo", [&] { return XMLGetLocalInfo(&local); });
  ValueGetter("XMLIsRealData", [] { return XMLIsRealData(); });
  ValueGetter("XMLIsAutoLoopPlay", [] { return XMLIsAutoLoopPlay(); });
  ValueGetter("XMLGetDUZOProcessName", [] { return XMLGetDUZOProcessName(); });
  Getter("XMLGetLastPos", [&] { return XMLGetLastPos(&rect); });
  Getter("XMLGetDICOMLocalInfo", [&] { return XMLGetDICOMLocalInfo(&node); });
  Getter("XMLGetDICOMImagePath", [&] { return XMLGetDICOMImagePath(&path); });
  Getter("XMLGetDicomPartZoomIn", [&] { return XMLGetDicomPartZoomIn(&zoom); });
  Getter("XMLGetDICOMImageWinInfo", [&] { return XMLGetDICOMImageWinInfo(&window); });
  Getter("XMLGetDICOMAddedModality", [&] { return XMLGetDICOMAddedModality(&names); });
  // The parts one by one for the first name, the aggregate (which calls them) for the others.
  DICOMModalityInfo info;
  const std::u16string& first = kModalities[0];
  Getter("XMLGetDICOMLabelInfo", [&] { return XMLGetDICOMLabelInfo(first, &info.Label); });
  Getter("XMLGetDICOMModalityPatientInfo",
         [&] { return XMLGetDICOMModalityPatientInfo(first, &info.PatientInfo); });
  Getter("XMLGetDICOMDisplayKINImage",
         [&] { return XMLGetDICOMDisplayKINImage(first, &info.DisplayKIN); });
  for (const std::u16string& modality : kModalities) {
    if (&modality == &first) continue;
    Getter("XMLGetDICOMModalityInfo", [&] { return XMLGetDICOMModalityInfo(modality, &info); });
  }
  DICOMModalityInfo refused;
  Refused("XMLGetDICOMLabelInfo", XMLR_GET_NOT_FOUND,
          [&] { return XMLGetDICOMLabelInfo(kRefusedModality, &refused.Label); });
  Refused("XMLGetDICOMModalityPatientInfo", XMLR_GET_NOT_FOUND,
          [&] { return XMLGetDICOMModalityPatientInfo(kRefusedModality, &refused.PatientInfo); });
  Refused("XMLGetDICOMDisplayKINImage", XMLR_GET_NOT_FOUND,
          [&] { return XMLGetDICOMDisplayKINImage(kRefusedModality, &refused.DisplayKIN); });
  Refused("XMLGetDICOMModalityInfo", XMLR_GET_NOT_FOUND,
          [&] { return XMLGetDICOMModalityInfo(kRefusedModality, &refused); });
  Getter("XMLGetECGSettingInfo", [&] { return XMLGetECGSettingInfo(&ecg); });
}

// With `parts`, the parts of a modality's settings one by one, else the aggregate that calls them.
void RunSetters(const Arguments& a, const std::u16string& modality, bool parts) {
  RoundTrip(
      "XMLSetMinDiskSpace", [&] { return XMLSetMinDiskSpace(a.number); },
      [&] {
        int32_t read = 0;
        return XMLGetMinDiskSpace(&read) == XMLR_GET_OK && read == a.number;
      });
  Setter(
      "XMLSetPatListHeaderInfo", [&] { return XMLSetPatListHeaderInfo(&a.columns); }, XMLR_GET_OK);
  Setter("XMLSetLocalInfo", [&] { return XMLSetLocalInfo(&a.local); });
  Setter("XMLSetRealData", [&] { return XMLSetRealData(a.number); });
  Setter("XMLSetAutoLoopPlay", [&] { return XMLSetAutoLoopPlay(a.number); });
  RoundTrip(
      "XMLSetDUZOProcessName", [&] { return XMLSetDUZOProcessName(&a.text); },
      [&] { return XMLGetDUZOProcessName() == a.text; });
  RoundTrip(
      "XMLSetLastPos", [&] { return XMLSetLastPos(&a.rect); },
      [&] {
        WindowRect read{};
        return XMLGetLastPos(&read) == XMLR_GET_OK && read.Left == a.rect.Left &&
               read.Top == a.rect.Top && read.Right == a.rect.Right && read.Bottom == a.rect.Bottom;
      });
  Setter("XMLSetDICOMLocalInfo", [&] { return XMLSetDICOMLocalInfo(&a.node); });
  Setter("XMLSetDicomPartZoomIn", [&] { return XMLSetDicomPartZoomIn(&a.zoom); });
  Setter("XMLSetDICOMImageWinInfo", [&] { return XMLSetDICOMImageWinInfo(&a.window); });
  Setter("XMLSetDICOMAddedModality", [&] { return XMLSetDICOMAddedModality(&a.modalities); });
  if (parts) {
    Setter("XMLSetDICOMLabelInfo",
           [&] { return XMLSetDICOMLabelInfo(modality, &a.modality.Label); });
    Setter("XMLSetDICOMModalityPatientInfo",
           [&] { return XMLSetDICOMModalityPatientInfo(modality, &a.modality.PatientInfo); });
    Setter("XMLSetDICOMDisplayKINImage",
           [&] { return XMLSetDICOMDisplayKINImage(modality, a.modality.DisplayKIN); });
  } else {
    Setter("XMLSetDICOMModalityInfo",
           [&] { return XMLSetDICOMModalityInfo(modality, &a.modality); });
  }
  Setter("XMLSetECGSettingInfo", [&] { return XMLSetECGSettingInfo(&a.ecg); });
}

void RunRefusedSetters(const Arguments& a) {
  Refused("XMLSetDICOMLabelInfo", XMLR_SET_FAILED,
          [&] { return XMLSetDICOMLabelInfo(kRefusedModality, &a.modality.Label); });
  Refused("XMLSetDICOMModalityPatientInfo", XMLR_SET_FAILED, [&] {
    return XMLSetDICOMModalityPatientInfo(kRefusedModality, &a.modality.PatientInfo);
  });
  Refused("XMLSetDICOMDisplayKINImage", XMLR_SET_FAILED,
          [&] { return XMLSetDICOMDisplayKINImage(kRefusedModality, a.modality.DisplayKIN); });
  Refused("XMLSetDICOMModalityInfo", XMLR_SET_FAILED,
          [&] { return XMLSetDICOMModalityInfo(kRefusedModality, &a.modality); });
}

std::basic_string<VSChar> C(const std::u16string& text) {
  return std::basic_string<VSChar>(text.begin(), text.end());
}

// The value of a key through the C interface, or nothing.
std::optional<std::u16string> SettingOf(const std::u16string& key) {
  VSChar value[256];
  int32_t length = 0;
  if (XMLGetSetting(C(key).c_str(), value, 256, &length) != XMLR_GET_OK || length >= 256) {
    return std::nullopt;
  }
  return std::u16string(value, value + length);
}

// The catalogue on the same file: every key it lists reads, reading changes nothing, and what a
// setter by key stores reads back.
void RunCatalogue() {
  const std::string before = FileBytes();
  int32_t length = -1;
  const int32_t listed = XMLListSettings(nullptr, 0, &length);
  CheckAfterCall("XMLListSettings", before);
  if (listed != XMLR_GET_OK && listed != XMLR_FILE_ERROR) {
    FailOn("XMLListSettings", "returned " + std::to_string(listed), before);
  }
  if (listed == XMLR_GET_OK) {
    std::basic_string<VSChar> keys(static_cast<size_t>(length) + 1, 0);
    XMLListSettings(keys.data(), length + 1, &length);
    // Each key reads its whole group again: one in eight keys, spread over the groups, keeps
    // the run fast.
    size_t index = 0;
    for (size_t at = 0; keys[at] != 0; at = keys.find(VSChar(0), at) + 1, ++index) {
      int32_t size = 0;
      if (index % 8 == 0 && XMLGetSetting(keys.c_str() + at, nullptr, 0, &size) != XMLR_GET_OK) {
        FailOn("XMLGetSetting", "a key that XMLListSettings lists does not read", before);
      }
    }
    CheckAfterCall("XMLGetSetting", before);
  }
  if (FileBytes() != before) FailOn("XMLListSettings", "reading by key changed the file", before);

  RoundTrip(
      "XMLSetSetting",
      [] { return XMLSetSetting(C(u"WindowLastPos.Top").c_str(), C(u"-7").c_str()); },
      [] { return SettingOf(u"WindowLastPos.Top") == u"-7"; });
  // Two groups that both store MinDiskSpace: the second must not put the first one's back.
  const std::basic_string<VSChar> keys[] = {C(u"MinDiskSpace"), C(u"LockStationTime")};
  const std::basic_string<VSChar> values[] = {C(u"77"), C(u"88")};
  const VSChar* keyList[] = {keys[0].c_str(), keys[1].c_str()};
  const VSChar* valueList[] = {values[0].c_str(), values[1].c_str()};
  RoundTrip(
      "XMLSetSettings", [&] { return XMLSetSettings(2, keyList, valueList, nullptr); },
      [] { return SettingOf(u"MinDiskSpace") == u"77" && SettingOf(u"LockStationTime") == u"88"; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Arguments ordinary = Ordinary();
  static const Arguments hostile = Hostile();
  g_disk.emplace(kDirectory, SimulatedDisk::Misuse::kAborts);
  g_disk->Put(kSettingsPath, std::string(reinterpret_cast<const char*>(data), size));

  RunGetters();
  RunCatalogue();
  RunSetters(ordinary, kModalities[0], true);
  RunSetters(hostile, kModalities[1], false);
  RunRefusedSetters(hostile);
  RunGetters();
  return 0;
}
