// The drive history as the program wrote it: its writer flushed, then the journal file read
// back, so that a test checks what the history window and the report would show.
#pragma once

#include <optional>

#include "app_harness.h"
#include "link/write_journal.h"
#include "params/journal_store.h"

namespace apptest {

// The entries of `source` in the program's journal file, newest first.
inline QList<journal::Entry> JournalEntries(journal::Source source) {
  writeJournal::Flush(5000);
  const journal::Store store(writeJournal::JournalFile());
  journal::Filter filter;
  filter.source = source;
  return store.isOpen() ? store.entries(filter) : QList<journal::Entry>();
}

// Waits for the newest entry of `source` that wrote `written` into `index` (an entry is
// written once its last write has been answered); none when it does not come.
inline std::optional<journal::Entry> WaitForEntry(journal::Source source, int index,
                                                  int32_t written) {
  std::optional<journal::Entry> found;
  WaitFor([&] {
    for (const journal::Entry& entry : JournalEntries(source))
      for (const journal::ParamChange& change : entry.params)
        if (change.index == index && change.written == written) return (found = entry).has_value();
    return false;
  });
  return found;
}

// The parameter `index` of an entry; none when the entry did not write it.
inline std::optional<journal::ParamChange> ChangeOf(const journal::Entry& entry, int index) {
  for (const journal::ParamChange& change : entry.params)
    if (change.index == index) return change;
  return std::nullopt;
}

}  // namespace apptest
