#include "tools/viewer-settings/Readable.h"

#include <fstream>
#include <iterator>

#include "text/TextEncoding.h"
#include "xmldoc/XmlDocument.h"

namespace viewersettings::cli {

std::optional<std::string> WhyNotSettings(const std::filesystem::path& file) {
  std::error_code error;
  if (!std::filesystem::exists(file, error)) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) return "it cannot be read";
  if (bytes.empty()) return "it is empty";
  // As the library reads it.
  text::DecodedText decoded = text::DecodeFileText(bytes);
  if (!decoded.form.writable) {
    return std::string("it holds bytes that are not valid in its encoding (") +
           text::EncodingName(decoded.form.encoding) + "; see check)";
  }
  CXmlDocument doc;
  if (!doc.ParseText(std::move(decoded.text))) {
    return "it is no XML the library can parse (cut off, or another kind of file; see check)";
  }
  if (!doc.FindElement(u"SystemSetting")) return "its root element is not SystemSetting";
  return std::nullopt;
}

}  // namespace viewersettings::cli
