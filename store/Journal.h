// Rewriting the settings file in place, for where it cannot be replaced by a new file (its
// directory refuses new files, or a new file could not keep its owner or its other names), made
// safe by a rollback journal.
//
// Before the file is touched, its old bytes go into a journal of the caller's own (Env's
// JournalPath) and are flushed there; then the file is rewritten and flushed, and the journal is
// dropped. A journal that is found later belongs to a rewrite that was interrupted: the file may
// be torn, and the old bytes go back, unless the file holds the new bytes whole. Every call looks
// for the journal while it holds the settings file, so none reads a torn text unknowingly.
#pragma once

#include <string>
#include <string_view>

namespace viewersettings::store {

// Rewrites `file` (where `path` leads, links followed) with `bytes`. Holds the writers' lock of
// the file's directory. False when the new bytes were not stored; the file then holds its old
// bytes, or a journal stays from which the next call puts them back.
bool RewriteInPlace(const std::u16string& path, const std::u16string& file, std::string_view bytes);

// Whether an interrupted rewrite of `path` may have left its journal: one look at a name that
// normally does not exist.
bool JournalMayExist(const std::u16string& path);

// Puts back the old bytes of an interrupted rewrite of `path` and drops its journal, under the
// writers' lock. False when a journal stays (it could not be applied or removed): until it is
// gone, nothing else may be written to the file, or a later rollback would undo it.
bool RecoverInterruptedRewrite(const std::u16string& path);

}  // namespace viewersettings::store
