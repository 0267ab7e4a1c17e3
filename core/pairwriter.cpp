#include "pairwriter.h"

#include <algorithm>
#include <atomic>

#include "journal.h"

namespace kd {

namespace {

std::function<bool(std::string_view, std::size_t)>& WriteFaultHook() {
  static std::function<bool(std::string_view, std::size_t)> hook;
  return hook;
}

std::function<bool(std::string_view)>& ReplaceFaultHook() {
  static std::function<bool(std::string_view)> hook;
  return hook;
}

std::function<void(int)>& StepHook() {
  static std::function<void(int)> hook;
  return hook;
}

bool& SyncToDisk() {
  static bool sync = true;
  return sync;
}

int stepCount = 0;
std::atomic<int> openTemporaries{0};

// Every change of the file system while files are put in place begins here.
void Step() {
  if (StepHook()) StepHook()(stepCount++);
}

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
  if (why.Ok()) why = out->Close(SyncToDisk());
  out.reset();
  if (!why.Ok()) files.Remove(to);
  return why;
}

}  // namespace

bool WriterGone(FileSystem& files, const OwnName& name) {
  if (name.process == files.ProcessId()) return openTemporaries == 0;
  return !files.ProcessRuns(name.process);
}

// A file written under a temporary name beside its target, created for it alone. Unless it is
// kept (put in place, or named by a journal that outlives it), it is removed with the object.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string_view target) : files_(Files()), target_(target) {
    if (target_.empty()) throw FileError::CannotCreate(target_);
    if (files_.Kind(target_) == EntryKind::Folder) {
      throw FileError::CannotCreate(target_, {Failure::Other, "ein Ordner trägt diesen Namen"});
    }
    Outcome why{Failure::NameTaken, {}};
    for (int attempt = 0; attempt < 100 && !out_ && why.failure == Failure::NameTaken; ++attempt) {
      temp_ = UniqueName(files_, target_, "tmp");
      out_ = files_.CreateNew(temp_, why);
    }
    if (!out_) throw FileError::CannotCreate(target_, why);
    ++openTemporaries;
  }
  ~TemporaryFile() {
    out_.reset();
    if (!kept_) files_.Remove(temp_);
    --openTemporaries;
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  const std::string& Target() const { return target_; }
  const std::string& Temp() const { return temp_; }

  void Write(std::string_view bytes) {
    if (WriteFaultHook() && !WriteFaultHook()(target_, written_)) {
      throw FileError::CannotCreate(target_, {Failure::DiskFull, {}});
    }
    const Outcome why = out_ ? out_->Write(bytes) : Outcome{Failure::Other, {}};
    if (!why.Ok()) throw FileError::CannotCreate(target_, why);
    written_ += bytes.size();
  }

  void Finish() {
    const Outcome why = out_ ? out_->Close(SyncToDisk()) : Outcome{Failure::Other, {}};
    out_.reset();
    if (!why.Ok()) throw FileError::CannotCreate(target_, why);
  }

  void Keep() { kept_ = true; }

 private:
  FileSystem& files_;
  std::string target_;
  std::string temp_;
  std::unique_ptr<OutputFile> out_;
  std::size_t written_ = 0;
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
      Step();
      files_.SyncFolder(folder_);
      return;
    }
    RefuseOverUnfinishedPair();
    MakeBackups();
    WriteJournal();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      Outcome why;
      if (!Replace(entries_[i], why)) RollBack(i, why);
    }
    Step();
    files_.SyncFolder(folder_);
    RemoveBackups();
    // The journal goes last: until then the next run can still finish what was begun.
    Step();
    files_.Remove(journal_);
  }

 private:
  struct Entry {
    TemporaryFile* file;
    std::string backup;  // the old file's second name; empty when there was none
    bool placed;
  };

  const std::string& Main() const { return entries_.back().file->Target(); }

  bool Replace(Entry& entry, Outcome& why) {
    Step();
    if (ReplaceFaultHook() && !ReplaceFaultHook()(entry.file->Target())) {
      why = {Failure::HeldOpen, {}};
      return false;
    }
    why = files_.RenameOver(entry.file->Temp(), entry.file->Target());
    if (!why.Ok()) return false;
    entry.placed = true;
    entry.file->Keep();
    return true;
  }

  // A pair that a killed run or a failed restore left unfinished must be finished or rolled
  // back first; a new pair over it would let the old journal undo the new files later.
  void RefuseOverUnfinishedPair() {
    for (const std::string& name : files_.List(folder_)) {
      const std::optional<OwnName> own = ParseOwnName(name);
      if (own && own->kind == "jnl" &&
          (own->process == files_.ProcessId() || !files_.ProcessRuns(own->process))) {
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
      const std::string backup = UniqueName(files_, target, "alt");
      Step();
      Outcome why = files_.Link(target, backup);
      if (!why.Ok() && why.failure != Failure::HeldOpen && why.failure != Failure::DiskFull) {
        Step();
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
      Step();
      files_.Remove(entry.backup);
      entry.backup.clear();
    }
  }

  void WriteJournal() {
    Journal journal{files_.LocalTime(), {}};
    for (const Entry& entry : entries_) {
      journal.entries.push_back({std::string(PathName(entry.file->Target())),
                                 std::string(PathName(entry.file->Temp())),
                                 std::string(PathName(entry.backup))});
    }
    const std::string path = UniqueName(files_, Main(), "jnl");
    try {
      Step();
      TemporaryFile file(path);
      Step();
      file.Write(JournalText(journal));
      file.Finish();
      Step();
      const Outcome why = files_.RenameOver(file.Temp(), path);
      if (!why.Ok()) throw FileError::CannotCreate(path, why);
      file.Keep();
      journal_ = path;
      Step();
      files_.SyncFolder(folder_);
    } catch (const FileError& error) {
      RemoveBackups();
      throw CannotCreate(Main(), error);
    }
  }

  // Puts back the old files of the targets replaced before `failed`, newest first, and removes
  // new files that had no old one.
  [[noreturn]] void RollBack(std::size_t failed, const Outcome& why) {
    std::vector<std::string> problems;
    for (std::size_t i = failed; i-- > 0;) {
      Entry& entry = entries_[i];
      const std::string& target = entry.file->Target();
      Step();
      if (!entry.backup.empty()) {
        const Outcome restored = files_.RenameOver(entry.backup, target);
        if (restored.Ok()) {
          entry.backup.clear();
        } else {
          problems.push_back("Datei " + target + " nicht wiederhergestellt (" +
                             ReasonText(restored) + "): die alte Datei liegt in " + entry.backup);
        }
      } else if (const Outcome removed = files_.Remove(target); !removed.Ok()) {
        problems.push_back("Datei " + target + " nicht entfernt (" + ReasonText(removed) +
                           "): vor dieser Übernahme gab es sie nicht");
      }
    }
    const FileError error = FileError::CannotCreate(entries_[failed].file->Target(), why);
    if (problems.empty()) {
      RemoveBackups();
      Step();
      files_.SyncFolder(folder_);
      Step();
      files_.Remove(journal_);
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

}  // namespace

void SetWriteFaultHook(std::function<bool(std::string_view, std::size_t)> hook) {
  WriteFaultHook() = std::move(hook);
}

void SetReplaceFaultHook(std::function<bool(std::string_view)> hook) {
  ReplaceFaultHook() = std::move(hook);
}

void SetSyncToDisk(bool sync) {
  SyncToDisk() = sync;
}

void SetStepHook(std::function<void(int)> hook) {
  StepHook() = std::move(hook);
}

void WriteLines(std::string_view path, const std::vector<std::string>& lines) {
  StreamedFile file(path);
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

void WriteText(std::string_view path, std::string_view text) {
  StreamedFile file(path);
  std::size_t done = 0;
  do {
    const std::size_t n = std::min(kWriteBlock, text.size() - done);
    file.Write(text.substr(done, n));
    done += n;
  } while (done < text.size());
  file.Commit();
}

StreamedFile::StreamedFile(std::string_view path) : path_(path) {
  try {
    file_ = std::make_unique<TemporaryFile>(path);
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
  stepCount = 0;
  Placement(Files(), list).Run();
}

}  // namespace kd
