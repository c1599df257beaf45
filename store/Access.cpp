#include "store/Access.h"

#include <cmath>
#include <functional>
#include <limits>

#include "store/SettingsFile.h"
#include "store/Verify.h"
#include "store/Wait.h"
#include "store/WriterLock.h"

namespace viewersettings::store {

using text::FormatDecimal;
using text::FormatFixed;
using text::WideToDouble;
using text::WideToInt32;

namespace {

thread_local ReadLog* t_readLog = nullptr;

}  // namespace

ReadLog::ReadLog() : outer_(t_readLog) {
  t_readLog = this;
}

ReadLog::~ReadLog() {
  t_readLog = outer_;
}

void ReadLog::NoteRead(const void* field) {
  if (t_readLog) t_readLog->fields_.insert(field);
}

void ReadLog::NoteCopied(const void* from, size_t size, const void* to) {
  if (!t_readLog) return;
  const auto* begin = static_cast<const char*>(from);
  std::set<const void*>& fields = t_readLog->fields_;
  try {
    // Pointers of unrelated objects are ordered by std::less, which std::set uses.
    for (auto field = fields.lower_bound(begin);
         field != fields.end() && std::less<const void*>()(*field, begin + size);) {
      const auto offset = static_cast<const char*>(*field) - begin;
      field = fields.erase(field);
      fields.insert(static_cast<const char*>(to) + offset);
    }
  } catch (...) {
    t_readLog->accessFailed_ = true;
  }
}

void ReadLog::NoteAccessFailed() {
  if (t_readLog) t_readLog->accessFailed_ = true;
}

void SettingsReader::Walk(const FileAccess& access) {
  for (const char16_t* level : access) {
    doc_.FindElement(level);
    doc_.EnterElement();
  }
}

bool SettingsReader::Find(const char16_t* name) {
  if (search_ != Search::kForward) doc_.RestartLevel();
  hasElement_ = doc_.FindElement(name);
  return hasElement_;
}

bool SettingsReader::Element(const char16_t* name) {
  if (Find(name)) return true;
  MarkMissing();
  return false;
}

int32_t SettingsReader::IntAttr(const char16_t* attribute) const {
  return WideToInt32(Text(attribute).c_str());
}

void SettingsReader::Attr(const char16_t* attribute, float& field) {
  if (!hasElement_) return;
  const double value = WideToDouble(Text(attribute).c_str());
  // A finite value beyond the float range becomes an infinity rather than undefined behaviour.
  constexpr double kMax = std::numeric_limits<float>::max();
  if (std::isfinite(value) && std::fabs(value) > kMax) {
    field = value > 0 ? std::numeric_limits<float>::infinity()
                      : -std::numeric_limits<float>::infinity();
  } else {
    field = static_cast<float>(value);
  }
  Noted(&field);
}

void SettingsReader::Attr(const char16_t* attribute, AsChar<uint8_t> field) {
  if (!hasElement_) return;
  const std::u16string text = Text(attribute);
  field.value = text.empty() ? 0 : static_cast<uint8_t>(text[0] & 0xFF);
  Noted(&field.value);
}

void SettingsReader::ReadFaceName(const std::u16string& text, char16_t* units, size_t count) {
  size_t i = 0;
  for (; i + 1 < count && i < text.size(); ++i) units[i] = text[i];
  for (; i < count; ++i) units[i] = 0;
}

void SettingsWriter::Walk(const FileAccess& access) {
  for (const char16_t* level : access) {
    if (!doc_.FindElement(level)) doc_.AddElement(level);
    doc_.EnterElement();
  }
  hasElement_ = false;
}

void SettingsWriter::EnterExisting(const char16_t* name) {
  doc_.FindElement(name);
  doc_.EnterElement();
  hasElement_ = false;
}

bool SettingsWriter::Find(const char16_t* name) {
  switch (search_) {
    case Search::kFromFirst:
      doc_.RestartLevel();
      hasElement_ = doc_.FindElement(name);
      break;
    case Search::kForward:
      hasElement_ = doc_.FindElement(name);
      break;
    case Search::kFromFirstAddAfterLast: {
      const CXmlDocument::Position handledLast = doc_.GetPosition();
      doc_.RestartLevel();
      hasElement_ = doc_.FindElement(name);
      if (!hasElement_) doc_.RestorePosition(handledLast);
      break;
    }
  }
  return hasElement_;
}

bool SettingsWriter::Element(const char16_t* name) {
  if (Find(name) || Add(name)) return true;
  MarkFailed();
  return false;
}

bool SettingsWriter::Add(const char16_t* name) {
  hasElement_ = doc_.AddElement(name);
  return hasElement_;
}

void SettingsWriter::Attr(const char16_t* attribute, const float& field) {
  Set(attribute, FormatFixed(field).c_str());
}

void SettingsWriter::Attr(const char16_t* attribute, AsChar<const uint8_t> field) {
  const char16_t text[2] = {static_cast<char16_t>(field.value), u'\0'};
  Set(attribute, text);
}

void SettingsWriter::SetDecimal(const char16_t* attribute, int64_t value) {
  Set(attribute, FormatDecimal(value).c_str());
}

void SettingsWriter::Set(const char16_t* attribute, const char16_t* value) {
  if (!hasElement_ || !doc_.SetAttribute(attribute, value)) {
    MarkFailed();
  } else if (doc_.GetAttribute(attribute) != value) {
    // A start tag the engine cannot read back from (an attribute of that name written without
    // quotes, say): the value went in as a new attribute that no reader finds.
    MarkFailed();
    unfaithful_ = true;
  }
}

int32_t Get(const FileAccess& access, FunctionRef<void(SettingsReader&)> body) {
  try {
    CallScope call;
    std::optional<text::DecodedText> read = ReadSettingsText(GetSettingsFilePath());
    if (!read) {
      ReadLog::NoteAccessFailed();
      return XMLR_FILE_ERROR;
    }
    CXmlDocument doc;
    doc.ParseText(std::move(read->text));
    SettingsReader reader(doc, access.readSearch);
    reader.Walk(access);
    body(reader);
    return reader.Result();
  } catch (...) {
    ReadLog::NoteAccessFailed();
    return XMLR_FILE_ERROR;
  }
}

int32_t Get(ElementPath path, FunctionRef<void(SettingsReader&)> body, Search search) {
  return Get(FileAccess(path, search), body);
}

int32_t Set(ElementPath path, FunctionRef<void(SettingsWriter&)> body, Search search,
            int32_t success) {
  return Set(FileAccess(path, search), body, success);
}

int32_t Set(const FileAccess& access, FunctionRef<void(SettingsWriter&)> body, int32_t success) {
  try {
    CallScope call;
    const std::u16string filePath = GetSettingsFilePath();
    WriterLock lock(WritersDirectoryOf(filePath));
    if (!lock.Held()) return XMLR_FILE_ERROR;
    std::optional<text::DecodedText> read = ReadSettingsText(filePath);
    if (!read) return XMLR_FILE_ERROR;
    CXmlDocument doc;
    doc.ParseText(std::u16string(read->text));  // the text read is kept to compare with
    SettingsWriter writer(doc, access.writeSearch, success);
    writer.Walk(access);
    body(writer);
    // An edit that a reader of the file would not find as it was made is never written.
    if (writer.Unfaithful()) return XMLR_SET_FAILED;
    // A file with bytes that read as U+FFFD is never written (see WriteSettingsText), so a store
    // into it fails even where it would change nothing.
    if (!read->form.writable) return XMLR_SET_FAILED;
    // Storing what the file already holds leaves it untouched: no flush, no new inode or time.
    // Each value set has read back (see Unfaithful), so an unchanged text holds them all.
    if (doc.DocText() == read->text) return writer.Result();
    const std::optional<std::u16string> edited = TextIfItReadsAsEdited(doc);
    if (!edited) return XMLR_SET_FAILED;
    // Written back in the form it was read in.
    if (!WriteSettingsText(filePath, *edited, read->form)) writer.MarkFailed();
    return writer.Result();
  } catch (...) {
    return XMLR_SET_FAILED;
  }
}

}  // namespace viewersettings::store
