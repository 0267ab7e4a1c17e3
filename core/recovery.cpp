#include "recovery.h"

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
    for (const std::string& name : files_.List(dir_)) {
      if (const std::optional<OwnName> own = ParseOwnName(name)) leftovers_.emplace(name, *own);
    }
  }

  bool Empty() const { return leftovers_.empty(); }

  std::vector<std::string> Run() {
    std::vector<std::pair<std::string, Journal>> journals;
    for (const auto& [name, own] : leftovers_) {
      if (own.kind != "jnl") continue;
      std::optional<Journal> journal;
      try {
        journal = ParseJournal(ReadWholeFile(files_, dir_ + name));
      } catch (const FileError&) {
      }
      if (!journal || journal->entries.empty()) throw Unreadable(name, own);
      journals.emplace_back(name, std::move(*journal));
    }
    for (const auto& [name, journal] : journals) Resume(name, journal);
    RemoveOrphans();
    return std::move(lines_);
  }

 private:
  bool IsFile(const std::string& name) { return files_.Kind(dir_ + name) == EntryKind::File; }

  // Which pair is whole cannot be told: the person decides, and the next run writes anew.
  FileError Unreadable(const std::string& name, const OwnName& own) const {
    std::vector<std::string> names{name};
    for (const auto& [other, left] : leftovers_) {
      if (other != name && left.run == own.run) names.push_back(other);
    }
    std::string list = names.size() == 1 ? "die Datei " : "die Dateien ";
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (i > 0) list += i + 1 == names.size() ? " und " : ", ";
      list += names[i];
    }
    return FileError("Im Datenverzeichnis " + dir_ + " liegt das Journal " + name +
                     " einer abgebrochenen Übernahme, das sich nicht lesen lässt: es ist "
                     "unvollständig oder stammt nicht von diesem Programm. Ob " +
                     own.target +
                     " und die Bankdatei daneben zusammengehören, lässt sich daher nicht "
                     "sagen.\nLöschen Sie bitte " +
                     list +
                     " und behalten Sie alle anderen Dateien des Ordners. Starten Sie die "
                     "Übernahme dann noch einmal: sie schreibt die Dateien neu.");
  }

  // A pair whose journal is there: rolled back while its last file was not in place (its
  // temporary file still exists), else finished.
  void Resume(const std::string& name, const Journal& journal) {
    const std::vector<JournalEntry>& entries = journal.entries;
    const bool rollBack = IsFile(entries.back().temporary);
    std::vector<std::string> problems;
    std::vector<std::string> removedNew;
    for (std::size_t i = entries.size() - 1; i-- > 0;) {
      const JournalEntry& entry = entries[i];
      const std::string target = dir_ + entry.target;
      if (!rollBack) {
        if (!IsFile(entry.temporary)) continue;  // in place
        const Outcome why = files_.RenameOver(dir_ + entry.temporary, target);
        if (!why.Ok()) {
          problems.push_back("Datei " + target + " nicht übernommen (" + ReasonText(why, target) +
                             "): die neue Datei liegt in " + dir_ + entry.temporary);
        }
      } else if (IsFile(entry.temporary)) {
        continue;  // never put in place
      } else if (!entry.backup.empty()) {
        if (!IsFile(entry.backup)) continue;  // put back already
        const Outcome why = files_.RenameOver(dir_ + entry.backup, target);
        if (!why.Ok()) {
          problems.push_back("Datei " + target + " nicht wiederhergestellt (" +
                             ReasonText(why, target) + "): die alte Datei liegt in " + dir_ +
                             entry.backup);
        }
      } else if (IsFile(entry.target)) {
        const Outcome why = files_.Remove(target);
        if (why.Ok()) {
          removedNew.push_back(entry.target);
        } else {
          problems.push_back("Datei " + target + " nicht entfernt (" + ReasonText(why, target) +
                             "): vor dieser Übernahme gab es sie nicht");
        }
      }
    }
    leftovers_.erase(name);
    for (const JournalEntry& entry : entries) {
      leftovers_.erase(entry.temporary);
      leftovers_.erase(entry.backup);
    }
    const std::string run = "Unvollständige Übernahme vom " + journal.time;
    if (!problems.empty()) {
      lines_.push_back(run + (rollBack ? " nicht rückgängig gemacht" : " nicht abgeschlossen"));
      lines_.insert(lines_.end(), problems.begin(), problems.end());
      return;
    }
    // The decision is on the disk before the journal goes, and the journal is gone before the
    // temporary file that decides.
    files_.SyncFolder(dir_);
    std::size_t removed = files_.Remove(dir_ + name).Ok();
    files_.SyncFolder(dir_);
    for (const JournalEntry& entry : entries) {
      for (const std::string& own : {entry.temporary, entry.backup}) {
        removed += !own.empty() && IsFile(own) && files_.Remove(dir_ + own).Ok();
      }
    }

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

  // Files of killed runs that no journal names: temporary files that no writer holds, and old
  // files given a second name by a run killed before its journal stood (only a run that holds
  // the folder's lock makes those). An old file whose own name is gone (a run of an earlier
  // version moved old files aside) is put back rather than removed.
  void RemoveOrphans() {
    std::map<unsigned long, bool> putBack;
    for (const auto& [name, own] : leftovers_) {
      if (own.kind == "alt" && !IsFile(own.target)) putBack[own.run] = true;
    }
    std::size_t removed = 0;
    std::vector<std::string> restored;
    for (const auto& [name, own] : leftovers_) {
      if (own.kind == "alt" && putBack[own.run]) {
        if (files_.RenameOver(dir_ + name, dir_ + own.target).Ok()) restored.push_back(own.target);
      } else if (own.kind == "alt" || Unheld(name)) {
        removed += files_.Remove(dir_ + name).Ok();
      }
    }
    if (!restored.empty()) {
      lines_.push_back(Named("Abgebrochener Lauf: alte", restored, "wiederhergestellt"));
    }
    if (removed > 0) lines_.push_back("Reste abgebrochener Läufe entfernt: " + FileCount(removed));
  }

  // A temporary file whose lock can be taken has no writer any more.
  bool Unheld(const std::string& name) {
    Outcome why;
    return files_.Lock(dir_ + name, std::chrono::milliseconds(0), why) != nullptr;
  }

  FileSystem& files_;
  std::string dir_;
  Leftovers leftovers_;
  std::vector<std::string> lines_;
};

}  // namespace

std::vector<std::string> RecoverDataDirectory(FileSystem& files, std::string_view folder) {
  if (folder.empty()) return {};
  std::string dir(folder);
  if (dir.back() != kPathSeparator && dir.back() != '/') dir += kPathSeparator;
  if (Recovery(files, dir).Empty()) return {};
  const FolderLock lock(files, dir);
  return Recovery(files, dir).Run();
}

}  // namespace kd
