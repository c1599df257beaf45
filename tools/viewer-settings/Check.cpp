#include "tools/viewer-settings/Check.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <utility>

#include "catalogue/Catalogue.h"
#include "text/TextEncoding.h"
#include "text/Utf8.h"
#include "text/WideConvert.h"
#include "xmldoc/XmlDocument.h"

namespace viewersettings::cli {
namespace {

using text::ToUtf8;

constexpr char16_t kByteOrderMark = 0xFEFF;
constexpr char16_t kRootName[] = u"SystemSetting";

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

// Malformed sequences, one finding for each line that has any, with the first few shown.
void CheckMalformed(const std::string& bytes, const std::vector<text::MalformedBytes>& runs,
                    std::vector<Finding>& findings) {
  constexpr size_t kShown = 4;
  int line = 1;
  size_t counted = 0;  // line breaks are counted up to here
  std::string shown;
  size_t onLine = 0;
  const auto report = [&] {
    if (onLine == 0) return;
    if (onLine > kShown) shown += " and " + std::to_string(onLine - kShown) + " more";
    findings.push_back({line, "bytes that are not UTF-8 (" + shown +
                                  "): getters read each such sequence as U+FFFD, and setters "
                                  "refuse to write the file (XMLR_SET_FAILED)"});
    shown.clear();
    onLine = 0;
  };
  for (const text::MalformedBytes& run : runs) {
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

void CheckEncoding(const std::string& bytes, const text::DecodedText& decoded,
                   const std::vector<text::MalformedBytes>& malformed,
                   std::vector<Finding>& findings) {
  const text::TextEncoding encoding = decoded.form.encoding;
  if (encoding != text::TextEncoding::kUtf8 && bytes.size() % 2 != 0) {
    findings.push_back(
        {0, "the file has an odd number of bytes: its last byte is no whole UTF-16 unit"});
  }
  if (encoding == text::TextEncoding::kUtf16Le && decoded.text.front() != kByteOrderMark) {
    findings.push_back({1,
                        "missing byte-order mark: the library reads the file as UTF-16LE all "
                        "the same, and files it creates begin with one"});
  }
  CheckMalformed(bytes, malformed, findings);
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

void CheckTree(CXmlDocument& doc, std::vector<Finding>& findings) {
  const Tree tree(doc);
  const int32_t root = tree.Root();
  const ElemPos& rootPos = doc.Index().at(static_cast<size_t>(root));

  // The engine indexes only the first top-level element; it parses what follows as a document
  // of its own.
  CXmlDocument rest;
  if (rest.ParseText(doc.DocText().substr(static_cast<size_t>(rootPos.elementClose) + 1))) {
    const Tree restTree(rest);
    const int32_t at = rootPos.elementClose + 1 + rest.Index().at(restTree.Root()).tagOpen;
    findings.push_back({tree.LineAt(at), "a second top-level element " +
                                             Tag(restTree.Name(restTree.Root())) +
                                             " follows the root: the library ignores it"});
  }

  std::vector<int32_t> pending = {root};
  while (!pending.empty()) {
    const int32_t slot = pending.back();
    pending.pop_back();
    CheckDuplicates(tree, slot, findings);
    const std::vector<int32_t> children = tree.Children(slot);
    pending.insert(pending.end(), children.rbegin(), children.rend());
  }

  if (tree.Name(root) != kRootName) {
    findings.push_back({tree.Line(root), "the root element is " + Tag(tree.Name(root)) + ", not " +
                                             Tag(kRootName) +
                                             ": getters find nothing and setters store nothing"});
    return;
  }
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
}

}  // namespace

CheckReport CheckSettingsFile(const std::filesystem::path& file) {
  CheckReport report;
  std::error_code error;
  report.exists = std::filesystem::exists(file, error);
  if (!report.exists) return report;
  std::ifstream in(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    report.readError = "cannot be read";
    return report;
  }
  std::vector<Finding>& findings = report.findings;
  if (bytes.empty()) {
    findings.push_back(
        {0,
         "the file is empty: the library cannot read it (XMLR_FILE_ERROR) and does not "
         "recreate it"});
    return report;
  }

  // As the library reads it.
  std::vector<text::MalformedBytes> malformed;
  text::DecodedText decoded = text::DecodeFileText(bytes, &malformed);
  report.encoding = DescribeEncoding(decoded);
  CheckEncoding(bytes, decoded, malformed, findings);
  std::u16string text = std::move(decoded.text);

  const size_t nul = text.find(u'\0');
  CXmlDocument doc;
  const bool parsed = doc.ParseText(std::move(text));
  if (nul != std::u16string::npos) {
    findings.push_back({Tree(doc).LineAt(static_cast<int32_t>(nul)),
                        "a NUL character ends the text here: the library ignores the rest"});
  }
  if (parsed) {
    CheckTree(doc, findings);
  } else {
    const std::u16string& message = doc.GetError();
    findings.push_back(
        {0, "the engine cannot parse the file (" +
                (message.empty() ? std::string("it begins with an end tag") : ToUtf8(message)) +
                "): getters find nothing, and setters add their elements after the text"});
  }
  std::stable_sort(findings.begin(), findings.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  return report;
}

}  // namespace viewersettings::cli
