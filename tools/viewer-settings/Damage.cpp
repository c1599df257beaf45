#include "tools/viewer-settings/Damage.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace viewersettings::cli {
namespace {

using text::ToUtf8;

constexpr char16_t kByteOrderMark = 0xFEFF;

std::string Hex(const std::string& bytes, const text::MalformedBytes& run) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (size_t i = run.offset; i < run.offset + run.length; ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (!hex.empty()) hex += ' ';
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0xF];
  }
  return hex;
}

// Malformed sequences, one entry for each line that has any, with the first few shown.
void FindMalformed(const SettingsFileState& state, std::vector<Damage>& damage) {
  constexpr size_t kShown = 4;
  const std::string& bytes = state.bytes;
  int line = 1;
  size_t counted = 0;  // line breaks are counted up to here
  std::string shown;
  size_t onLine = 0;
  const auto report = [&] {
    if (onLine == 0) return;
    if (onLine > kShown) shown += " and " + std::to_string(onLine - kShown) + " more";
    damage.push_back({DamageKind::kInvalidBytes, line,
                      "bytes that are not UTF-8 (" + shown +
                          "): getters read each such sequence as U+FFFD, and setters refuse to "
                          "write the file (XMLR_SET_FAILED)",
                      "it holds bytes that are not valid UTF-8"});
    shown.clear();
    onLine = 0;
  };
  for (const text::MalformedBytes& run : state.malformed) {
    const int runLine = line + static_cast<int>(std::count(
                                   bytes.begin() + static_cast<std::ptrdiff_t>(counted),
                                   bytes.begin() + static_cast<std::ptrdiff_t>(run.offset), '\n'));
    counted = run.offset;
    if (runLine != line) {
      report();
      line = runLine;
    }
    if (onLine++ < kShown) shown += (shown.empty() ? "" : ", ") + Hex(bytes, run);
  }
  report();
}

// Where markup that the engine skips ends, when a skipped node (declaration, processing
// instruction, comment, document type) begins at `at`; `at` itself otherwise.
size_t AfterSkippedNode(const std::u16string& text, size_t at) {
  if (text.compare(at, 4, u"<!--") == 0) {
    const size_t end = text.find(u"-->", at + 4);
    return end == std::u16string::npos ? at : end + 3;
  }
  if (text.compare(at, 2, u"<?") == 0 || text.compare(at, 2, u"<!") == 0) {
    const size_t end = text.find(u'>', at + 2);
    return end == std::u16string::npos ? at : end + 1;
  }
  return at;
}

// The first character in [from, to) that is neither white space nor markup the engine skips.
size_t FirstContent(const std::u16string& text, size_t from, size_t to) {
  size_t at = from;
  while (at < to) {
    const char16_t unit = text[at];
    if (unit == u' ' || unit == u'\t' || unit == u'\r' || unit == u'\n' ||
        (at == 0 && unit == kByteOrderMark)) {
      ++at;
      continue;
    }
    const size_t after = unit == u'<' ? AfterSkippedNode(text, at) : at;
    if (after == at) return at;
    at = after;
  }
  return to;
}

const ElemPos& Root(const CXmlDocument& doc) {
  return doc.Index().at(static_cast<size_t>(doc.Index().at(0).firstChildSlot));
}

std::u16string RootName(const CXmlDocument& doc) {
  return doc.TagNameOf(doc.Index().at(0).firstChildSlot);
}

void FindTextOutsideRoot(const SettingsFileState& state, std::vector<Damage>& damage) {
  const std::u16string& text = state.doc.DocText();
  const ElemPos& root = Root(state.doc);
  const auto rootOpen = static_cast<size_t>(root.tagOpen);
  const size_t before = FirstContent(text, 0, rootOpen);
  if (before < rootOpen) {
    damage.push_back({DamageKind::kTextOutsideRoot, LineOfOffset(text, before),
                      "text before the root element: the library skips it",
                      "it holds text before its root element"});
  }
  const size_t after = FirstContent(text, static_cast<size_t>(root.elementClose) + 1, text.size());
  if (after == text.size()) return;
  // The engine indexes only the first top-level element; what follows, parsed as a document of
  // its own, may begin with another.
  CXmlDocument rest;
  if (text[after] == u'<' && rest.ParseText(text.substr(after)) && Root(rest).tagOpen == 0) {
    damage.push_back({DamageKind::kTextOutsideRoot, LineOfOffset(text, after),
                      "a second top-level element <" + ToUtf8(RootName(rest)) +
                          "> follows the root: the library ignores it",
                      "it holds a second element after its root"});
  } else {
    damage.push_back({DamageKind::kTextOutsideRoot, LineOfOffset(text, after),
                      "text after the root element: the library ignores it",
                      "it holds text after its root element"});
  }
}

int Priority(DamageKind kind) {
  switch (kind) {
    case DamageKind::kUnparsable:
    case DamageKind::kNoSettingsRoot:
      return 0;
    case DamageKind::kInvalidBytes:
      return 1;
    case DamageKind::kTextOutsideRoot:
      return 2;
  }
  return 3;
}

}  // namespace

int LineOfOffset(const std::u16string& text, size_t offset) {
  const auto end = text.begin() + static_cast<std::ptrdiff_t>(std::min(offset, text.size()));
  return 1 + static_cast<int>(std::count(text.begin(), end, u'\n'));
}

bool SettingsFileState::HasSettingsRoot() const {
  return parsed && RootName(doc) == u"SystemSetting";
}

SettingsFileState ExamineSettingsFile(const std::filesystem::path& file) {
  SettingsFileState state;
  std::error_code error;
  state.exists = std::filesystem::exists(file, error);
  if (!state.exists) return state;
  std::ifstream in(file, std::ios::binary);
  state.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in.is_open() || (!in.good() && !in.eof())) {
    state.readError = "cannot be read";
    return state;
  }
  if (state.bytes.empty()) {
    state.damage.push_back({DamageKind::kNoSettingsRoot, 0,
                            "the file is empty: the library cannot read it (XMLR_FILE_ERROR) and "
                            "does not recreate it",
                            "it is empty, so no setting can be read"});
    return state;
  }

  std::vector<Damage>& damage = state.damage;
  state.decoded = text::DecodeFileText(state.bytes, &state.malformed);
  if (state.decoded.form.encoding != text::TextEncoding::kUtf8 && state.bytes.size() % 2 != 0) {
    damage.push_back({DamageKind::kInvalidBytes, 0,
                      "the file has an odd number of bytes: its last byte is no whole UTF-16 "
                      "unit",
                      "it has an odd number of bytes"});
  }
  FindMalformed(state, damage);

  std::u16string text = state.decoded.text;
  const size_t nul = text.find(u'\0');
  state.parsed = state.doc.ParseText(std::move(text));
  if (nul != std::u16string::npos) {
    damage.push_back({DamageKind::kTextOutsideRoot, LineOfOffset(state.decoded.text, nul),
                      "a NUL character ends the text here: the library ignores the rest",
                      "a NUL character cuts its text short"});
  }
  if (!state.parsed) {
    const std::u16string& message = state.doc.GetError();
    const bool endTagFirst = message.empty();
    const std::string why = endTagFirst ? "it begins with an end tag" : ToUtf8(message);
    damage.push_back(
        {DamageKind::kUnparsable,
         endTagFirst
             ? 0
             : LineOfOffset(state.doc.DocText(), static_cast<size_t>(state.doc.GetErrorOffset())),
         "the engine cannot parse the file (" + why +
             "): there is no <SystemSetting> root, so no setting can be read or stored",
         "the engine cannot parse it (" + why + "), so no setting can be read"});
  } else {
    const std::u16string name = RootName(state.doc);
    if (name != u"SystemSetting") {
      damage.push_back(
          {DamageKind::kNoSettingsRoot,
           LineOfOffset(state.doc.DocText(), static_cast<size_t>(Root(state.doc).tagOpen)),
           "the root element is <" + ToUtf8(name) +
               ">, not <SystemSetting>: getters find nothing and setters store nothing",
           "its root element is <" + ToUtf8(name) +
               ">, not <SystemSetting>, so no setting can be read"});
    }
    FindTextOutsideRoot(state, damage);
  }
  std::stable_sort(damage.begin(), damage.end(), [](const Damage& a, const Damage& b) {
    return Priority(a.kind) < Priority(b.kind);
  });
  return state;
}

std::string DamageSummary(const SettingsFileState& state) {
  const Damage& first = state.damage.front();
  std::string summary = "damaged";
  if (first.line > 0) summary += " at line " + std::to_string(first.line);
  summary += ": " + first.brief;
  if (state.damage.size() > 1) {
    summary += " (and " + std::to_string(state.damage.size() - 1) + " more)";
  }
  return summary + "; `check` tells more, `repair` mends it";
}

}  // namespace viewersettings::cli
