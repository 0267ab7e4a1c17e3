// The names the writer gives its own files beside a target, and the journal of a pair being
// put in place: what the writer and the repair of a killed run share. Whether a writer still
// lives is told by the locks it holds (pairwriter.h), never by a name.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "filesystem.h"

namespace kd {

// A name beside `target` that no other file has yet, ending in "." + `kind` ("tmp", "alt",
// "jnl"): the target's name, a number of this program start, a counter and a random number, all
// in hex, as in "KDIMPORT.TXT.1f3a-0-5e2b77c1.tmp".
std::string UniqueName(std::string_view target, std::string_view kind);

// A file name of that form: the target's name, the program start that wrote it and its kind.
// (Earlier versions wrote the process id where the start's number stands.)
struct OwnName {
  std::string target;
  unsigned long run = 0;
  std::string kind;
};
std::optional<OwnName> ParseOwnName(std::string_view name);

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

// The head line, the time, the number of files, one line per file, and an end line, so that a
// journal cut short is told from a whole one:
//   KDIMPORT-Journal 2 / Zeit 09.12.2026 14:03 / Dateien 2 / <target> TAB <temporary> TAB
//   <backup> (twice) / Ende
std::string JournalText(const Journal& journal);
// Nothing for a text that is no whole journal (cut short, another program's), or that names a
// file other than the writer's own files of its targets. A journal of an earlier version
// ("KDIMPORT-Journal 1", without the count and the end line) is read too.
std::optional<Journal> ParseJournal(std::string_view text);

}  // namespace kd
