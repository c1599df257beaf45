// The encodings a settings file may be in, and the one place where its bytes become the UTF-16
// text the engine works on and back.
//
// The encoding is found from the first bytes, as XML processors do without reading the
// declaration: FF FE UTF-16LE with a byte-order mark (the files the library creates), FE FF
// UTF-16BE with one, EF BB BF UTF-8 with one; "<" as 3C 00 ?? 00 UTF-16LE and as 00 3C 00 ??
// UTF-16BE without one; two bytes that are not zero UTF-8 without one. Anything else is read as
// UTF-16LE. The declaration's encoding="..." is not looked at: stations' files say "unicode"
// whatever they hold.
//
// A byte-order mark is decoded as the text's first character, U+FEFF, so it is written back with
// the text; a text is written back in the encoding it was read in, so the file stays byte for
// byte what it was outside an edit.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/Utf8.h"

namespace viewersettings::text {

enum class TextEncoding { kUtf16Le, kUtf16Be, kUtf8 };

// "UTF-16LE", "UTF-16BE" or "UTF-8".
const char* EncodingName(TextEncoding encoding);

// How a file holds its text: what the write-back needs to put an edited text back as the file
// had it. The default is the form of the files the library creates.
struct TextForm {
  TextEncoding encoding = TextEncoding::kUtf16Le;
  // False when some of the file's bytes are not valid in its encoding and read as U+FFFD: the
  // text is then never written back, since that would replace them.
  bool writable = true;
};

struct DecodedText {
  std::u16string text;
  TextForm form;
};

// The encoding of a file that begins with `first` (its first four bytes or fewer).
TextEncoding DetectEncoding(std::string_view first);

// Decodes a file's `byteCount` bytes, read as they are into `units` (with one zero byte more
// after an odd last byte): a UTF-16LE text is `units` itself, a UTF-16BE one is swapped in place,
// so a UTF-16 text of odd length ends in a unit whose missing byte is zero. Each malformed UTF-8
// sequence reads as U+FFFD; `malformed`, when given, receives where each one stands in the file.
DecodedText DecodeFileText(std::u16string units, size_t byteCount,
                           std::vector<text::MalformedBytes>* malformed = nullptr);
// The same for a file's bytes held in a string.
DecodedText DecodeFileText(std::string_view bytes,
                           std::vector<text::MalformedBytes>* malformed = nullptr);

// The bytes that hold a text in a file's form. For UTF-16LE they are the text's own memory; a
// text must outlive its bytes.
class FileBytes {
 public:
  explicit FileBytes(const std::u16string& text) : text_(&text) {}
  explicit FileBytes(std::string bytes) : owned_(std::move(bytes)) {}

  std::string_view View() const {
    if (!text_) return owned_;
    return {reinterpret_cast<const char*>(text_->data()), text_->size() * sizeof(char16_t)};
  }

 private:
  const std::u16string* text_ = nullptr;
  std::string owned_;
};

// Nothing when the text must not be written in `form`: the file was not writable as read, or the
// text holds a character that the encoding cannot hold (an unpaired surrogate in UTF-8).
std::optional<FileBytes> EncodeFileText(const std::u16string& text, TextForm form);

}  // namespace viewersettings::text
