// repair: a damaged settings file is kept as a copy, and in its place comes the first-run
// settings with every setting that could still be read from it, written through the library's
// own write path, so that the file stays the file it was (its identity, its encoding) and the
// write works wherever a setter's would.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "ViewerSettings.h"
#include "store/SettingsFile.h"
#include "store/WriterLock.h"
#include "text/Utf8.h"
#include "tools/viewer-settings/Cli.h"
#include "tools/viewer-settings/Damage.h"
#include "tools/viewer-settings/Tool.h"
#include "tools/viewer-settings/ValueText.h"

namespace viewersettings::cli {
namespace {

namespace fs = std::filesystem;
using catalogue::Entry;
using text::ToUtf8;

constexpr char16_t kRootStart[] = u"<SystemSetting";
constexpr char16_t kReplacement = 0xFFFD;

bool EndsName(char16_t unit) {
  return std::u16string_view(u" \t\r\n/>").find(unit) != std::u16string_view::npos;
}

// The elements left open at the end of `text`, innermost last. Tags end at their first ">", as
// the engine reads them.
std::vector<std::u16string> OpenElements(std::u16string_view text) {
  std::vector<std::u16string> open;
  for (size_t at = text.find(u'<'); at != std::u16string_view::npos; at = text.find(u'<', at + 1)) {
    const std::u16string_view rest = text.substr(at);
    size_t end = std::u16string_view::npos;
    if (rest.substr(0, 4) == u"<!--") {
      end = text.find(u"-->", at);
    } else if (rest.substr(0, 9) == u"<![CDATA[") {
      end = text.find(u"]]>", at);
    } else {
      end = text.find(u'>', at);
    }
    if (end == std::u16string_view::npos) break;
    const std::u16string_view tag = text.substr(at, end - at + 1);
    if (tag.size() > 1 && tag[1] == u'/') {
      if (!open.empty()) open.pop_back();
    } else if (tag.size() > 1 && tag[1] != u'?' && tag[1] != u'!' && tag[tag.size() - 2] != u'/') {
      size_t nameEnd = 1;
      while (nameEnd < tag.size() && !EndsName(tag[nameEnd])) ++nameEnd;
      open.emplace_back(tag.substr(1, nameEnd - 1));
    }
    at = end;
  }
  return open;
}

// What can still be read as settings: the first SystemSetting element, cut after the last tag
// that closes whole and with the elements left open closed, when it does not parse as it is.
struct Salvage {
  std::u16string text;  // empty: nothing can be read
  int cutAtLine = 0;    // the text from this line on is lost; 0: none
};

Salvage SalvageSettings(const std::u16string& damaged) {
  size_t start = damaged.find(kRootStart);
  while (start != std::u16string::npos &&
         (start + 14 >= damaged.size() || !EndsName(damaged[start + 14]))) {
    start = damaged.find(kRootStart, start + 1);
  }
  if (start == std::u16string::npos) return {};
  const std::u16string_view from = std::u16string_view(damaged).substr(start);
  CXmlDocument doc;
  if (doc.ParseText(std::u16string(from))) return {std::u16string(from), 0};
  // Bounded: each try parses the text once more.
  constexpr int kMostTries = 64;
  size_t cut = from.size();
  for (int tries = 0; tries < kMostTries; ++tries) {
    cut = from.rfind(u'>', cut - 1);
    if (cut == std::u16string_view::npos || cut == 0) break;
    std::u16string text(from.substr(0, cut + 1));
    const std::vector<std::u16string> open = OpenElements(text);
    for (auto name = open.rbegin(); name != open.rend(); ++name) text += u"</" + *name + u">";
    if (doc.ParseText(std::u16string(text))) {
      return {text, LineOfOffset(damaged, start + cut + 1)};
    }
  }
  return {};
}

bool HoldsReplacement(const catalogue::Value& value) {
  const auto* text = std::get_if<std::u16string>(&value);
  return text && text->find(kReplacement) != std::u16string::npos;
}

// Every setting a setter can store again, by key in the catalogue's order, as the library reads
// it from `text` standing in for the settings file.
std::vector<Entry> SettingsIn(const std::u16string& path, const std::u16string& text) {
  std::vector<Entry> entries;
  std::vector<Entry> settable;
  {
    store::InMemorySettingsFile file(path, text);
    catalogue::ReadAll(&entries);
  }
  for (Entry& entry : entries) {
    const std::optional<catalogue::KeyMatch> match = catalogue::MatchKey(entry.key);
    if (entry.value && match && catalogue::Settings()[match->setting].settable) {
      settable.push_back(std::move(entry));
    }
  }
  return settable;
}

std::string Timestamp() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
#if defined(_WIN32)
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
  return text;
}

// A copy of the damaged file's bytes under a name no other file has, beside it where the folder
// takes new files, else in a new folder of the temporary directory. Its path, or nothing.
std::optional<fs::path> KeepCopy(const fs::path& file, const std::string& bytes) {
  const std::string name = file.filename().u8string() + ".damaged-" + Timestamp();
  const auto write = [&](const fs::path& copy) {
    std::error_code error;
    if (fs::exists(copy, error)) return false;
    std::ofstream out(copy, std::ios::binary);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) fs::remove(copy, error);
    return static_cast<bool>(out);
  };
  for (int attempt = 1; attempt <= 9; ++attempt) {
    const fs::path copy =
        file.parent_path() / (name + (attempt == 1 ? "" : "-" + std::to_string(attempt)));
    if (write(copy)) return copy;
  }
  std::error_code error;
  const fs::path temporary = fs::temp_directory_path(error);
  std::random_device random;
  for (int attempt = 0; attempt < 9 && !error; ++attempt) {
    const fs::path folder = temporary / ("viewer-settings-damaged-" + std::to_string(random()));
    if (fs::create_directory(folder, error) && write(folder / name)) return folder / name;
  }
  return std::nullopt;
}

}  // namespace

int Tool::Repair() {
  const std::u16string path = store::GetSettingsFilePath();
  const fs::path file = FilePath();
  const SettingsFileState state = ExamineSettingsFile(file);
  if (!state.exists) {
    return Fail(kExitError, FilePath() + ": there is no settings file; `init` creates one");
  }
  if (!state.readError.empty()) return Fail(kExitError, FilePath() + ": " + state.readError);
  if (!state.Damaged()) {
    out_ << FilePath() << ": nothing to repair, the library reads it as settings; left as it is\n";
    return kExitOk;
  }
  if (const std::optional<std::string> refusal = RefuseReadOnly()) {
    return Fail(kExitError, *refusal + "; nothing was changed");
  }

  const Salvage salvage = SalvageSettings(state.decoded.text);
  std::vector<Entry> read;
  std::vector<std::string> unread;
  if (!salvage.text.empty()) {
    // Some getters answer a value for a setting that is not stored (1 for a flag, empty text for
    // the process name): such a value read back is no setting found.
    std::map<std::string, catalogue::Value> answeredWhenMissing;
    for (Entry& entry : SettingsIn(path, u"<SystemSetting/>")) {
      answeredWhenMissing.emplace(entry.key, std::move(*entry.value));
    }
    for (Entry& entry : SettingsIn(path, salvage.text)) {
      const auto missing = answeredWhenMissing.find(entry.key);
      if (missing != answeredWhenMissing.end() &&
          catalogue::SameValue(missing->second, *entry.value)) {
        continue;
      }
      if (HoldsReplacement(*entry.value)) {
        unread.push_back(entry.key + " (its bytes are not valid " +
                         text::EncodingName(state.decoded.form.encoding) + ")");
      } else {
        read.push_back(std::move(entry));
      }
    }
  }

  const std::optional<fs::path> copy = KeepCopy(file, state.bytes);
  if (!copy) {
    return Fail(kExitError, FilePath() +
                                ": no copy of the damaged file can be kept, beside it or in the "
                                "temporary directory; nothing was changed");
  }
  out_ << FilePath() << ": the damaged file is kept as " << copy->u8string() << "\n";

  // Held from the first-run text to the write, as a setter holds it.
  store::WriterLock lock(store::WritersDirectoryOf(path));
  if (!lock.Held()) {
    return Fail(kExitError, FilePath() + ": another program keeps writing it; nothing was changed");
  }
  std::u16string text = store::FirstRunText(path);
  const std::vector<Entry> firstRun = SettingsIn(path, text);
  std::vector<Entry> kept;
  {
    store::InMemorySettingsFile staging(path, text);
    // A value the setters refuse is left out, and the rest stored again.
    for (;;) {
      std::vector<catalogue::Change> changes;
      for (const Entry& entry : read) {
        changes.push_back({entry.key, catalogue::TextOf(*entry.value)});
      }
      const catalogue::StoreReport report = catalogue::Store(changes);
      const size_t before = read.size();
      for (const catalogue::Refusal& refusal : report.refusals) {
        const auto refused = std::find_if(
            read.begin(), read.end(), [&](const Entry& entry) { return entry.key == refusal.key; });
        if (refused == read.end()) continue;
        unread.push_back(refusal.key + " (" + refusal.reason + ")");
        read.erase(refused);
      }
      if (report.refusals.empty() && report.code == XMLR_SET_OK) break;
      if (read.size() == before) {
        return Fail(kExitError, FilePath() + ": the settings read from it cannot be stored (" +
                                    report.function + " failed); the file is left as it was");
      }
    }
    text = staging.Text();
  }
  // The file's own encoding, and its byte-order mark or none; an empty file has neither, and takes
  // the form of the files the library creates.
  const bool byteOrderMark = state.decoded.text.empty() || state.decoded.text.front() == 0xFEFF;
  if (!byteOrderMark && !text.empty() && text.front() == 0xFEFF) text.erase(0, 1);
  if (!store::WriteSettingsText(path, text, {state.decoded.form.encoding, true})) {
    return Fail(kExitError, FilePath() +
                                ": the repaired settings cannot be written; the file is "
                                "left as it was");
  }

  std::map<std::string, const catalogue::Value*> firstRunValues;
  for (const Entry& entry : firstRun) firstRunValues.emplace(entry.key, &*entry.value);
  out_ << FilePath() << ": repaired: the first-run settings";
  if (read.empty()) {
    out_ << "; no setting could be read from the damaged file\n";
  } else {
    out_ << ", with the " << read.size() << " settings read from the damaged file";
  }
  std::vector<const Entry*> differing;
  for (const Entry& entry : read) {
    const auto first = firstRunValues.find(entry.key);
    if (first == firstRunValues.end() || !catalogue::SameValue(*first->second, *entry.value)) {
      differing.push_back(&entry);
    }
  }
  if (!read.empty()) {
    out_ << (differing.empty() ? "\n" : "; these differ from the first-run values:\n");
  }
  for (const Entry* entry : differing) {
    out_ << "  " << entry->key << " = " << PlainText(*entry->value) << "\n";
  }
  if (salvage.text.empty()) {
    out_ << "  could not be read: the whole file (it holds no <SystemSetting> element the engine "
            "can read)\n";
  } else if (salvage.cutAtLine > 0) {
    out_ << "  could not be read: the text from line " << salvage.cutAtLine
         << " on, which the engine cannot parse\n";
  }
  for (const Damage& damage : state.damage) {
    if (damage.kind != DamageKind::kTextOutsideRoot) continue;
    out_ << "  not kept: " << damage.message.substr(0, damage.message.find(':'));
    if (damage.line > 0) out_ << " (line " << damage.line << ")";
    out_ << "\n";
  }
  for (const std::string& each : unread) out_ << "  could not be read: " << each << "\n";
  return kExitOk;
}

}  // namespace viewersettings::cli
