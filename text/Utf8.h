// UTF-8 <-> UTF-16: for file names on POSIX systems, for settings files held in UTF-8, and for
// tools and tests.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace viewersettings::text {

// Where a run of bytes stands that is no well-formed UTF-8 sequence.
struct MalformedBytes {
  size_t offset = 0;
  size_t length = 0;
};

// Unpaired surrogates become U+FFFD.
std::string ToUtf8(std::u16string_view text);
// The exact conversion: nothing when `text` holds an unpaired surrogate, which UTF-8 cannot hold.
std::optional<std::string> ToUtf8Exactly(std::u16string_view text);
// Each malformed sequence becomes one U+FFFD: a byte that cannot start a sequence, a lead byte
// without all of its continuation bytes (the bytes it has count as the one sequence), overlong
// forms, surrogates and values beyond U+10FFFF.
std::u16string FromUtf8(std::string_view text);
// The same, counting the malformed sequences in `malformedCount`; `where`, when given, receives
// where each of them stands in `text`.
std::u16string FromUtf8(std::string_view text, size_t& malformedCount,
                        std::vector<MalformedBytes>* where = nullptr);

}  // namespace viewersettings::text
