#include "tools/viewer-settings/Check.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "catalogue/Catalogue.h"
#include "text/TextEncoding.h"
#include "text/Utf8.h"
#include "text/WideConvert.h"
#include "tools/viewer-settings/Damage.h"
#include "tools/viewer-settings/FontText.h"
#include "xmldoc/XmlDocument.h"

namespace viewersettings::cli {
namespace {

using text::ToUtf8;

constexpr char16_t kByteOrderMark = 0xFEFF;
constexpr char16_t kRootName[] = u"SystemSetting";
constexpr char kModalityKeyPrefix[] = "Modality.";

// Stands in a path for every child of the element before it: each one may be a modality.
constexpr const char16_t* kEachModality = catalogue::kModalityLevel;

// The elements of a parsed document as the engine indexed them, with their lines.
class Tree {
 public:
  explicit Tree(CXmlDocument& doc) : doc_(doc) {
    const std::u16string& text = doc.DocText();
    for (size_t pos = text.find(u'\n'); pos != std::u16string::npos;
         pos = text.find(u'\n', pos + 1)) {
      lineBreaks_.push_back(static_cast<int32_t>(pos));
    }
  }

  int32_t Root() const { return doc_.Index().at(0).firstChildSlot; }
  int32_t Parent(int32_t slot) const { return doc_.Index().at(slot).parentSlot; }

  std::vector<int32_t> Children(int32_t slot) const {
    std::vector<int32_t> children;
    for (int32_t child = doc_.Index().at(slot).firstChildSlot; child != 0;
         child = doc_.Index().at(child).nextSiblingSlot) {
      children.push_back(child);
    }
    return children;
  }

  // The tag name as the engine compares it.
  std::u16string Name(int32_t slot) const { return doc_.TagNameOf(slot); }

  int LineAt(int32_t pos) const {
    return 1 + static_cast<int>(std::lower_bound(lineBreaks_.begin(), lineBreaks_.end(), pos) -
                                lineBreaks_.begin());
  }
  int Line(int32_t slot) const { return LineAt(doc_.Index().at(slot).tagOpen); }

  int32_t FirstChild(int32_t parent, std::u16string_view name) const {
    for (const int32_t child : Children(parent)) {
      if (Name(child) == name) return child;
    }
    return 0;
  }

  std::u16string Attribute(int32_t slot, const char16_t* name) const {
    CXmlDocument::Position position;
    position.parentPos = doc_.Index().at(slot).parentSlot;
    position.mainPos = slot;
    position.nodeKind = 1;
    doc_.RestorePosition(position);
    return doc_.GetAttribute(name);
  }

 private:
  CXmlDocument& doc_;
  std::vector<int32_t> lineBreaks_;
};

std::string Tag(std::u16string_view name) {
  return "<" + ToUtf8(name) + ">";
}

std::string OnLine(int line) {
  return " (line " + std::to_string(line) + ")";
}

std::string DescribeEncoding(const text::DecodedText& decoded) {
  const bool mark = !decoded.text.empty() && decoded.text.front() == kByteOrderMark;
  return std::string(text::EncodingName(decoded.form.encoding)) +
         (mark ? " with a byte-order mark" : " without a byte-order mark");
}

// Elements of one name under one parent: the library looks each name up from the first child and
// takes the first. Columns are the exception, told apart by their ColumnNo text.
void CheckDuplicates(const Tree& tree, int32_t parent, std::vector<Finding>& findings) {
  const std::u16string parentName = tree.Name(parent);
  const bool columns = parentName == u"PatListHeader";
  std::map<std::u16string, int32_t> first;
  for (const int32_t child : tree.Children(parent)) {
    const std::u16string name = tree.Name(child);
    if (columns && name == u"Item") {
      const std::u16string number = tree.Attribute(child, u"ColumnNo");
      const auto [known, added] = first.emplace(u"Item ColumnNo=" + number, child);
      if (!added) {
        findings.push_back(
            {tree.Line(child), "second <Item ColumnNo=\"" + ToUtf8(number) + "\"> under " +
                                   Tag(parentName) + ", the first is on line " +
                                   std::to_string(tree.Line(known->second)) +
                                   ": the library reads and updates only the first"});
      }
      continue;
    }
    const auto [known, added] = first.emplace(name, child);
    if (!added) {
      findings.push_back({tree.Line(child), "second " + Tag(name) + " under " + Tag(parentName) +
                                                ", the first is on line " +
                                                std::to_string(tree.Line(known->second)) +
                                                ": the library reads and updates only the first"});
    }
  }
}

// Replays the library's forward search for `leaves` among the children of `parent`.
void CheckForwardOrder(const Tree& tree, int32_t parent, const std::vector<std::u16string>& leaves,
                       std::vector<Finding>& findings) {
  const std::vector<int32_t> children = tree.Children(parent);
  std::map<std::u16string, std::vector<int>> places;
  for (size_t i = 0; i < children.size(); ++i) {
    places[tree.Name(children[i])].push_back(static_cast<int>(i));
  }
  int current = -1;
  for (const std::u16string& leaf : leaves) {
    const auto found = places.find(leaf);
    if (found == places.end()) continue;  // missing, not misplaced
    const std::vector<int>& at = found->second;
    const auto after = std::upper_bound(at.begin(), at.end(), current);
    if (after != at.end()) {
      current = *after;
      continue;
    }
    const int32_t misplaced = children[static_cast<size_t>(at.front())];
    const int32_t foundLast = children[static_cast<size_t>(current)];
    const std::string before = Tag(tree.Name(foundLast));
    findings.push_back({tree.Line(misplaced),
                        Tag(leaf) + " stands before " + before + OnLine(tree.Line(foundLast)) +
                            " under " + Tag(tree.Name(parent)) +
                            ": the library looks for it only after " + before +
                            ", so getters do not find it and setters add another one"});
  }
}

std::vector<int32_t> Resolve(const Tree& tree, int32_t root,
                             const std::vector<std::u16string>& path) {
  std::vector<int32_t> level = {root};
  for (const std::u16string& name : path) {
    std::vector<int32_t> next;
    for (const int32_t slot : level) {
      if (name == kEachModality) {
        std::set<std::u16string> seen;
        for (const int32_t child : tree.Children(slot)) {
          if (seen.insert(tree.Name(child)).second) next.push_back(child);
        }
      } else if (const int32_t child = tree.FirstChild(slot, name)) {
        next.push_back(child);
      }
    }
    level = std::move(next);
  }
  return level;
}

// ModalityCount, then Modality0 up to the stored count, each looked up after the one before.
void CheckModalityList(const Tree& tree, int32_t viewer, std::vector<Finding>& findings) {
  const int32_t countElement = tree.FirstChild(viewer, u"ModalityCount");
  if (countElement == 0) return;
  const auto count =
      static_cast<int16_t>(text::WideToInt32(tree.Attribute(countElement, u"Value").c_str()));
  std::vector<std::u16string> leaves = {u"ModalityCount"};
  for (int i = 0; i < count; ++i) {
    leaves.push_back(u"Modality" + text::FromUtf8(std::to_string(i)));
  }
  CheckForwardOrder(tree, viewer, leaves, findings);
}

// The one-byte fields of label fonts hold one character whose code is the value; a number typed
// there by hand reads as the code of its first digit.
void CheckOneByteFontFields(const Tree& tree, int32_t root, std::vector<Finding>& findings) {
  const std::vector<std::u16string> fontPath = {u"DICOMViewer", kEachModality, u"Label", u"Text",
                                                u"Font"};
  for (const int32_t font : Resolve(tree, root, fontPath)) {
    const std::string modality = ToUtf8(tree.Name(tree.Parent(tree.Parent(tree.Parent(font)))));
    for (const int32_t leaf : tree.Children(font)) {
      const std::u16string name = tree.Name(leaf);
      const std::u16string text = tree.Attribute(leaf, u"Value");
      const std::optional<std::string> readAs = HandTypedFontField(name, text);
      if (!readAs) continue;
      std::string message = "<" + ToUtf8(name) + " Value=\"" + ToUtf8(text) +
                            "\"> in the label font of modality " + modality + " " + *readAs;
      const bool number = text.size() <= 3 && std::all_of(text.begin(), text.end(), [](char16_t c) {
                            return c >= u'0' && c <= u'9';
                          });
      if (number && text::WideToInt32(text.c_str()) <= 0xFF) {
        message += " (`set " + std::string(kModalityKeyPrefix) + modality + ".Label.Text.Font." +
                   ToUtf8(name) + " " + ToUtf8(text) + "` stores the number)";
      }
      findings.push_back({tree.Line(leaf), message});
    }
  }
}

void CheckTree(CXmlDocument& doc, std::vector<Finding>& findings) {
  const Tree tree(doc);
  const int32_t root = tree.Root();

  std::vector<int32_t> pending = {root};
  while (!pending.empty()) {
    const int32_t slot = pending.back();
    pending.pop_back();
    CheckDuplicates(tree, slot, findings);
    const std::vector<int32_t> children = tree.Children(slot);
    pending.insert(pending.end(), children.rbegin(), children.rend());
  }

  if (tree.Name(root) != kRootName) return;  // the damage says so
  // Sibling leaves that the library looks for one after the other, each only after the one it
  // found last: a leaf that stands before that one is not found by getters, and setters add
  // another one after it.
  for (const catalogue::ForwardSearch& group : catalogue::ForwardSearched()) {
    for (const int32_t parent : Resolve(tree, root, group.path)) {
      CheckForwardOrder(tree, parent, group.leaves, findings);
    }
  }
  if (const int32_t viewer = tree.FirstChild(root, u"DICOMViewer")) {
    CheckModalityList(tree, viewer, findings);
  }
  CheckOneByteFontFields(tree, root, findings);
}

}  // namespace

CheckReport CheckSettingsFile(const std::filesystem::path& file) {
  CheckReport report;
  SettingsFileState state = ExamineSettingsFile(file);
  report.exists = state.exists;
  report.readError = state.readError;
  if (!report.exists || !report.readError.empty()) return report;
  std::vector<Finding>& findings = report.findings;
  if (!state.bytes.empty()) report.encoding = DescribeEncoding(state.decoded);
  report.damaged = state.Damaged();
  for (Damage& damage : state.damage) findings.push_back({damage.line, std::move(damage.message)});
  if (state.decoded.form.encoding == text::TextEncoding::kUtf16Le && !state.decoded.text.empty() &&
      state.decoded.text.front() != kByteOrderMark) {
    findings.push_back({1,
                        "missing byte-order mark: the library reads the file as UTF-16LE all "
                        "the same, and files it creates begin with one"});
  }
  if (state.parsed) CheckTree(state.doc, findings);
  std::stable_sort(findings.begin(), findings.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  return report;
}

}  // namespace viewersettings::cli
