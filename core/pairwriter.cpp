#include "pairwriter.h"

#include <algorithm>

#include "journal.h"

namespace kd {

namespace {

// The same error naming another file.
FileError CannotCreate(std::string_view path, const FileError& error) {
  return FileError("Datei " + std::string(path) + " kann nicht erstellt werden", error.Reason());
}

// A copy where the file system has no links.
Outcome CopyInto(FileSystem& files, const std::string& from, const std::string& to) {
  Outcome why;
  const std::unique_ptr<InputFile> in = files.Open(from, why);
  if (!in) return why;
  std::unique_ptr<OutputFile> out = files.CreateNew(to, why);
  if (!out) return why;
  std::string block(std::size_t{64} << 10, '\0');
  for (std::size_t got = 1; why.Ok() && got != 0;) {
    why = in->Read(block.data(), block.size(), got);
    if (why.Ok() && got != 0) why = out->Write({block.data(), got});
  }
  if (why.Ok()) why = out->Close(true);
  out.reset();
  if (!why.Ok()) files.Remove(to);
  return why;
}

}  // namespace

// A file written under a temporary name beside its target, created for it alone and locked
// while this object holds it. Unless it is kept (put in place, or named by a journal that
// outlives it), it is removed with the object.
class TemporaryFile {
 public:
  TemporaryFile(FileSystem& files, std::string_view target) : files_(files), target_(target) {
    if (target_.empty()) throw FileError::CannotCreate(target_);
    if (files_.Kind(target_) == EntryKind::Folder) {
      throw FileError::CannotCreate(target_, {Failure::Other, "ein Ordner trägt diesen Namen"});
    }
    Outcome why{Failure::NameTaken, {}};
    for (int attempt = 0; attempt < 100 && !out_ && why.failure == Failure::NameTaken; ++attempt) {
      temp_ = UniqueName(target_, "tmp");
      out_ = files_.CreateNew(temp_, why);
    }
    if (!out_) throw FileError::CannotCreate(target_, why);
    // Where the file system has no locks, the file is only unprotected from another run's
    // repair.
    Outcome unlocked;
    lock_ = files_.Lock(temp_, std::chrono::milliseconds(0), unlocked);
  }
  ~TemporaryFile() {
    out_.reset();
    lock_.reset();
    if (!kept_) files_.Remove(temp_);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  FileSystem& Files() const { return files_; }
  const std::string& Target() const { return target_; }
  const std::string& Temp() const { return temp_; }

  void Write(std::string_view bytes) {
    const Outcome why = out_ ? out_->Write(bytes) : Outcome{Failure::Other, {}};
    if (!why.Ok()) throw FileError::CannotCreate(target_, why);
  }

  void Finish() {
    const Outcome why = out_ ? out_->Close(true) : Outcome{Failure::Other, {}};
    out_.reset();
    if (!why.Ok()) throw FileError::CannotCreate(target_, why);
  }

  void Keep() {
    kept_ = true;
    lock_.reset();
  }

 private:
  FileSystem& files_;
  std::string target_;
  std::string temp_;
  std::unique_ptr<OutputFile> out_;
  std::unique_ptr<FileLock> lock_;
  bool kept_ = false;
};

namespace {

// Puts finished temporary files of one folder in place, the last one last.
class Placement {
 public:
  Placement(FileSystem& files, const std::vector<TemporaryFile*>& list) : files_(files) {
    folder_ = std::string(PathFolder(list.back()->Target()));
    for (TemporaryFile* file : list) {
      if (PathFolder(file->Target()) != folder_) {
        throw FileError::CannotCreate(file->Target(), {Failure::Other, "anderer Ordner"});
      }
      entries_.push_back({file, {}, false});
    }
  }

  void Run() {
    if (entries_.size() == 1) {
      Outcome why;
      if (!Replace(entries_[0], why))
        throw FileError::CannotCreate(entries_[0].file->Target(), why);
      files_.SyncFolder(folder_);
      return;
    }
    RefuseOverUnfinishedPair();
    MakeBackups();
    WriteJournal();
    // Each name on the disk before the next: after a power cut, the journal's decision (the
    // last file placed or not) holds for every file before it.
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      Outcome why;
      if (!Replace(entries_[i], why)) RollBack(i, why);
      files_.SyncFolder(folder_);
    }
    // The journal goes before the old files: until then the next run can still finish what
    // was begun, and after it they are leftovers.
    files_.Remove(journal_);
    RemoveBackups();
    files_.SyncFolder(folder_);
  }

 private:
  struct Entry {
    TemporaryFile* file;
    std::string backup;  // the old file's second name; empty when there was none
    bool placed;
  };

  const std::string& Main() const { return entries_.back().file->Target(); }

  bool Replace(Entry& entry, Outcome& why) {
    why = files_.RenameOver(entry.file->Temp(), entry.file->Target());
    if (!why.Ok()) return false;
    entry.placed = true;
    entry.file->Keep();
    return true;
  }

  // A pair that a killed run or a failed restore left unfinished must be finished or rolled
  // back first; a new pair over it would let the old journal undo the new files later. Under
  // the folder's lock, every journal there is unfinished.
  void RefuseOverUnfinishedPair() {
    for (const std::string& name : files_.List(folder_)) {
      const std::optional<OwnName> own = ParseOwnName(name);
      if (own && own->kind == "jnl") {
        throw FileError::CannotCreate(
            Main(), {Failure::Other, "unvollständige Übernahme " + folder_ + name});
      }
    }
  }

  // Every old file keeps a second name until the pair is in place. A file that another program
  // holds open is found before: on Windows its second name could not be removed again.
  void MakeBackups() {
    for (Entry& entry : entries_) {
      const std::string& target = entry.file->Target();
      if (files_.Kind(target) != EntryKind::File) continue;
      const Outcome why = files_.Replaceable(target);
      if (!why.Ok()) throw FileError::CannotCreate(target, why);
    }
    for (Entry& entry : entries_) {
      const std::string& target = entry.file->Target();
      if (files_.Kind(target) != EntryKind::File) continue;
      const std::string backup = UniqueName(target, "alt");
      Outcome why = files_.Link(target, backup);
      if (!why.Ok() && why.failure != Failure::HeldOpen && why.failure != Failure::DiskFull) {
        why = CopyInto(files_, target, backup);
      }
      if (!why.Ok()) {
        RemoveBackups();
        throw FileError::CannotCreate(target, why);
      }
      entry.backup = backup;
    }
  }

  void RemoveBackups() {
    for (Entry& entry : entries_) {
      if (entry.backup.empty()) continue;
      files_.Remove(entry.backup);
      entry.backup.clear();
    }
  }

  // Written whole, on the disk and in its place before the first target changes.
  void WriteJournal() {
    Journal journal{files_.LocalTime(), {}};
    for (const Entry& entry : entries_) {
      journal.entries.push_back({std::string(PathName(entry.file->Target())),
                                 std::string(PathName(entry.file->Temp())),
                                 std::string(PathName(entry.backup))});
    }
    const std::string path = UniqueName(Main(), "jnl");
    try {
      TemporaryFile file(files_, path);
      file.Write(JournalText(journal));
      file.Finish();
      const Outcome why = files_.RenameOver(file.Temp(), path);
      if (!why.Ok()) throw FileError::CannotCreate(path, why);
      file.Keep();
      journal_ = path;
      files_.SyncFolder(folder_);
    } catch (const FileError& error) {
      RemoveBackups();
      throw CannotCreate(Main(), error);
    }
  }

  // Puts back the old files of the targets replaced before `failed`, newest first, and removes
  // new files that had no old one; then, as the repair does, the folder goes to the disk before
  // the journal goes, and the journal before the old files' second names.
  [[noreturn]] void RollBack(std::size_t failed, const Outcome& why) {
    std::vector<std::string> problems;
    for (std::size_t i = failed; i-- > 0;) {
      Entry& entry = entries_[i];
      const std::string& target = entry.file->Target();
      if (!entry.backup.empty()) {
        const Outcome restored = files_.RenameOver(entry.backup, target);
        if (restored.Ok()) {
          entry.backup.clear();
        } else {
          problems.push_back("Datei " + target + " nicht wiederhergestellt (" +
                             ReasonText(restored, target) + "): die alte Datei liegt in " +
                             entry.backup);
        }
      } else if (const Outcome removed = files_.Remove(target); !removed.Ok()) {
        problems.push_back("Datei " + target + " nicht entfernt (" + ReasonText(removed, target) +
                           "): vor dieser Übernahme gab es sie nicht");
      }
    }
    const FileError error = FileError::CannotCreate(entries_[failed].file->Target(), why);
    if (problems.empty()) {
      files_.SyncFolder(folder_);
      files_.Remove(journal_);
      files_.SyncFolder(folder_);
      RemoveBackups();
      throw error;
    }
    // The journal and every file it names stay, so that the next run can still put the old
    // files back.
    for (std::size_t i = failed; i < entries_.size(); ++i) {
      entries_[i].file->Keep();
      problems.push_back("Datei " + entries_[i].file->Target() + " unverändert");
    }
    problems.push_back("Der nächste Lauf in diesen Ordner stellt die alten Dateien wieder her.");
    throw FileError(error.what(), error.Reason(), std::move(problems));
  }

  FileSystem& files_;
  std::vector<Entry> entries_;
  std::string folder_;
  std::string journal_;
};

std::string LockPath(std::string_view folder) {
  std::string path(folder);
  if (!path.empty() && path.back() != kPathSeparator && path.back() != '/') path += kPathSeparator;
  return path + std::string(kLockFileName);
}

}  // namespace

FolderLock::FolderLock(FileSystem& files, std::string_view folder) {
  const std::string path = LockPath(folder);
  Outcome why;
  lock_ = files.Lock(path, kLockPatience, why);
  if (lock_) return;
  if (why.failure != Failure::HeldOpen) throw FileError::CannotCreate(path, why);
  throw FileError("Das Datenverzeichnis " + std::string(folder) +
                  " wird gerade von einer anderen Übernahme beschrieben. Warten Sie bitte, bis "
                  "sie fertig ist, und starten Sie diese Übernahme dann noch einmal. Es wurde "
                  "nichts geändert.");
}

void WriteLines(FileSystem& files, std::string_view path, const std::vector<std::string>& lines) {
  StreamedFile file(files, path);
  std::string block;
  block.reserve(kWriteBlock + 4096);
  for (const auto& line : lines) {
    block += line;
    block += "\r\n";
    if (block.size() >= kWriteBlock) {
      file.Write(block);
      block.clear();
    }
  }
  file.Write(block);
  file.Commit();
}

void WriteText(FileSystem& files, std::string_view path, std::string_view text) {
  StreamedFile file(files, path);
  std::size_t done = 0;
  do {
    const std::size_t n = std::min(kWriteBlock, text.size() - done);
    file.Write(text.substr(done, n));
    done += n;
  } while (done < text.size());
  file.Commit();
}

void WriteLines(std::string_view path, const std::vector<std::string>& lines) {
  WriteLines(DiskFiles(), path, lines);
}

void WriteText(std::string_view path, std::string_view text) {
  WriteText(DiskFiles(), path, text);
}

StreamedFile::StreamedFile(FileSystem& files, std::string_view path) : files_(files), path_(path) {
  try {
    file_ = std::make_unique<TemporaryFile>(files_, path);
  } catch (const FileError& error) {
    error_ = std::make_unique<FileError>(error);  // reported by Finish
  }
}

StreamedFile::~StreamedFile() = default;

void StreamedFile::Write(std::string_view bytes) {
  if (!file_ || finished_) return;
  try {
    file_->Write(bytes);
  } catch (const FileError& error) {
    error_ = std::make_unique<FileError>(error);
    file_.reset();  // removes the temporary file
  }
}

void StreamedFile::Finish() {
  if (finished_) return;
  if (!file_) throw error_ ? *error_ : FileError::CannotCreate(path_);
  try {
    file_->Finish();
  } catch (const FileError& error) {
    error_ = std::make_unique<FileError>(error);
    file_.reset();
    throw;
  }
  finished_ = true;
}

void StreamedFile::Commit() {
  Finish();
  PutInPlace({this});
}

void PutInPlace(std::initializer_list<StreamedFile*> files) {
  std::vector<TemporaryFile*> list;
  for (StreamedFile* f : files) {
    if (f == nullptr) continue;
    if (!f->finished_ || !f->file_)
      throw f->error_ ? *f->error_ : FileError::CannotCreate(f->path_);
    list.push_back(f->file_.get());
  }
  if (list.empty()) return;
  Placement(list.back()->Files(), list).Run();
}

}  // namespace kd
