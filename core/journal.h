// The names the writer gives its own files beside a target, and the journal of a pair being
// put in place: what the writer and the recovery of a killed run share.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "filesystem.h"

namespace kd {

// A name beside `target` that no other file has yet, ending in "." + `kind` ("tmp", "alt",
// "jnl"): the target's name, the process in hex, a counter and a random number, as in
// "KDIMPORT.TXT.1f3a-0-5e2b77c1.tmp".
std::string UniqueName(FileSystem& files, std::string_view target, std::string_view kind);

// A file name of that form: the target's name, the process that wrote it and its kind.
struct OwnName {
  std::string target;
  unsigned long process = 0;
  std::string kind;
};
std::optional<OwnName> ParseOwnName(std::string_view name);
// True when the process that wrote a file of that name no longer runs, or is this process and
// has no file of its own open now: its files are leftovers.
bool WriterGone(FileSystem& files, const OwnName& name);

// The pair being put in place, in the order of placing; the last file decides. Names are bare
// names in the journal's folder; `backup` is empty for a target that did not exist.
struct JournalEntry {
  std::string target;
  std::string temporary;
  std::string backup;
};
struct Journal {
  std::string time;  // "09.12.2026 14:03"
  std::vector<JournalEntry> entries;
};

std::string JournalText(const Journal& journal);
// Nothing for a text that is no journal, or that names a file other than the writer's own
// files of its targets.
std::optional<Journal> ParseJournal(std::string_view text);

}  // namespace kd
