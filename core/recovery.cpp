// What the next run does with the files a killed run left in a folder.
#include <map>

#include "journal.h"
#include "pairwriter.h"
#include "snapshot.h"

namespace kd {

namespace {

std::string FileCount(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " Datei" : " Dateien");
}

// "alte Datei A wiederhergestellt", "alte Dateien A und B wiederhergestellt", ...
std::string Named(std::string_view what, const std::vector<std::string>& names,
                  std::string_view done) {
  std::string text(what);
  text += names.size() == 1 ? " Datei " : " Dateien ";
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " und " : ", ";
    text += names[i];
  }
  return text + " " + std::string(done);
}

using Leftovers = std::map<std::string, OwnName>;  // by file name

class Recovery {
 public:
  Recovery(FileSystem& files, std::string folder) : files_(files), dir_(std::move(folder)) {
    if (!dir_.empty() && dir_.back() != kPathSeparator && dir_.back() != '/') {
      dir_ += kPathSeparator;
    }
    for (const std::string& name : files_.List(dir_)) {
      const std::optional<OwnName> own = ParseOwnName(name);
      if (own && WriterGone(files_, *own)) leftovers_.emplace(name, *own);
    }
  }

  std::vector<std::string> Run() {
    std::vector<std::string> journals;
    for (const auto& [name, own] : leftovers_) {
      if (own.kind == "jnl") journals.push_back(name);
    }
    for (const std::string& name : journals) Resume(name);
    RemoveOrphans();
    return std::move(lines_);
  }

 private:
  bool IsFile(const std::string& name) { return files_.Kind(dir_ + name) == EntryKind::File; }

  // A pair whose journal is there: rolled back while its last file was not in place (its
  // temporary file still exists), else finished.
  void Resume(const std::string& name) {
    std::optional<Journal> journal;
    try {
      journal = ParseJournal(ReadWholeFile(dir_ + name));
    } catch (const FileError&) {
    }
    if (!journal || journal->entries.empty()) {
      // Not a journal this program wrote: nothing of its process is touched.
      lines_.push_back("Datei " + dir_ + name + " ist kein lesbares Journal und bleibt liegen");
      const unsigned long process = leftovers_.at(name).process;
      std::erase_if(leftovers_, [&](const auto& left) { return left.second.process == process; });
      return;
    }
    const std::vector<JournalEntry>& entries = journal->entries;
    const bool rollBack = IsFile(entries.back().temporary);
    std::vector<std::string> problems;
    std::vector<std::string> removedNew;
    for (std::size_t i = entries.size() - 1; rollBack && i-- > 0;) {
      const JournalEntry& entry = entries[i];
      if (IsFile(entry.temporary)) continue;  // never put in place
      if (!entry.backup.empty()) {
        if (!IsFile(entry.backup)) continue;  // put back already
        const Outcome why = files_.RenameOver(dir_ + entry.backup, dir_ + entry.target);
        if (!why.Ok()) {
          problems.push_back("Datei " + dir_ + entry.target + " nicht wiederhergestellt (" +
                             ReasonText(why) + "): die alte Datei liegt in " + dir_ + entry.backup);
        }
      } else if (IsFile(entry.target)) {
        const Outcome why = files_.Remove(dir_ + entry.target);
        if (why.Ok()) {
          removedNew.push_back(entry.target);
        } else {
          problems.push_back("Datei " + dir_ + entry.target + " nicht entfernt (" +
                             ReasonText(why) + "): vor dieser Übernahme gab es sie nicht");
        }
      }
    }
    leftovers_.erase(name);
    for (const JournalEntry& entry : entries) {
      leftovers_.erase(entry.temporary);
      leftovers_.erase(entry.backup);
    }
    const std::string run = "Unvollständige Übernahme vom " + journal->time;
    if (!problems.empty()) {
      lines_.push_back(run + " nicht rückgängig gemacht");
      lines_.insert(lines_.end(), problems.begin(), problems.end());
      return;
    }
    std::size_t removed = 0;
    for (const JournalEntry& entry : entries) {
      for (const std::string& own : {entry.temporary, entry.backup}) {
        removed += !own.empty() && IsFile(own) && files_.Remove(dir_ + own).Ok();
      }
    }
    files_.SyncFolder(dir_);
    removed += files_.Remove(dir_ + name).Ok();

    std::vector<std::string> olds;
    std::vector<std::string> all;
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
      if (!entry->backup.empty()) olds.push_back(entry->target);
      all.push_back(entry->target);
    }
    std::string text = run;
    if (rollBack) {
      text += " rückgängig gemacht";
      std::string parts;
      if (!olds.empty()) parts = Named("alte", olds, "wiederhergestellt");
      if (!removedNew.empty()) {
        parts += (parts.empty() ? "" : ", ") + Named("neue", removedNew, "entfernt");
      }
      if (!parts.empty()) text += ": " + parts;
    } else {
      text += " abgeschlossen: " + Named("neue", all, "übernommen");
    }
    lines_.push_back(text + "; Reste entfernt: " + FileCount(removed));
  }

  // Files of killed runs that no journal names: temporary files, and old files given a second
  // name by a run killed before its journal stood. An old file whose own name is gone (a run
  // of an earlier version moved old files aside) is put back rather than removed.
  void RemoveOrphans() {
    std::map<unsigned long, bool> putBack;
    for (const auto& [name, own] : leftovers_) {
      if (own.kind == "alt" && !IsFile(own.target)) putBack[own.process] = true;
    }
    std::size_t removed = 0;
    std::vector<std::string> restored;
    for (const auto& [name, own] : leftovers_) {
      if (own.kind == "alt" && putBack[own.process]) {
        if (files_.RenameOver(dir_ + name, dir_ + own.target).Ok()) restored.push_back(own.target);
      } else {
        removed += files_.Remove(dir_ + name).Ok();
      }
    }
    if (!restored.empty()) {
      lines_.push_back(Named("Abgebrochener Lauf: alte", restored, "wiederhergestellt"));
    }
    if (removed > 0) lines_.push_back("Reste abgebrochener Läufe entfernt: " + FileCount(removed));
  }

  FileSystem& files_;
  std::string dir_;
  Leftovers leftovers_;
  std::vector<std::string> lines_;
};

}  // namespace

std::vector<std::string> RecoverDataDirectory(std::string_view folder) {
  if (folder.empty()) return {};
  return Recovery(Files(), std::string(folder)).Run();
}

}  // namespace kd
