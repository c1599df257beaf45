// Checks that an edited settings document is what a fresh reading of its text would find.
//
// The engine edits the text in place and moves its stored positions instead of parsing again.
// On text the engine never writes itself (an unclosed quote or a ">" inside a start tag, "//>"),
// a hand-edited file can make such an edit land somewhere else than the index says; writing that
// text back could corrupt or drop settings. A setter checks its edit before it writes.
#pragma once

#include <optional>
#include <string>

#include "xmldoc/XmlDocument.h"

namespace viewersettings::store {

// Takes the edited document's text over and parses it afresh: the text when the fresh index holds
// the same elements, in the same tree, at the same four positions each, as the edited document;
// nothing otherwise. The document is empty afterwards.
std::optional<std::u16string> TextIfItReadsAsEdited(CXmlDocument& doc);

}  // namespace viewersettings::store
