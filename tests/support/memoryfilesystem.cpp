#include "memoryfilesystem.h"

#include <algorithm>

namespace kd {

namespace {

// One spelling per path: "/" separates, once, and not at the end.
std::string Key(std::string_view path) {
  std::string key;
  key.reserve(path.size());
  for (const char c : path) {
    const char separated = c == '\\' ? '/' : c;
    if (separated != '/' || key.empty() || key.back() != '/') key += separated;
  }
  if (key.size() > 1 && key.back() == '/') key.pop_back();
  return key;
}

std::string FolderKey(const std::string& key) {
  const std::size_t cut = key.rfind('/');
  if (cut == std::string::npos) return {};
  return cut == 0 ? "/" : key.substr(0, cut);
}

class MemoryInput : public InputFile {
 public:
  explicit MemoryInput(std::shared_ptr<MemoryFileSystem::Node> node) : node_(std::move(node)) {}
  Outcome Read(char* buffer, std::size_t size, std::size_t& got) override {
    // Reads what the file holds now, as a file another program changes meanwhile.
    const std::string& bytes = node_->bytes;
    got = offset_ < bytes.size() ? std::min(size, bytes.size() - offset_) : 0;
    std::copy_n(bytes.data() + offset_, got, buffer);
    offset_ += got;
    return {};
  }

 private:
  std::shared_ptr<MemoryFileSystem::Node> node_;
  std::size_t offset_ = 0;
};

class MemoryOutput : public OutputFile {
 public:
  MemoryOutput(std::shared_ptr<MemoryFileSystem::Node> node, std::shared_ptr<std::int64_t> clock)
      : node_(std::move(node)), clock_(std::move(clock)) {}
  Outcome Write(std::string_view bytes) override {
    node_->bytes.append(bytes);
    node_->modified = ++*clock_;
    return {};
  }
  Outcome Close(bool sync) override {
    if (sync) node_->synced = node_->bytes;
    return {};
  }

 private:
  std::shared_ptr<MemoryFileSystem::Node> node_;
  std::shared_ptr<std::int64_t> clock_;
};

class MemoryLock : public FileLock {
 public:
  explicit MemoryLock(std::shared_ptr<MemoryFileSystem::Node> node) : node_(std::move(node)) {
    node_->locked = true;
  }
  ~MemoryLock() override { node_->locked = false; }

 private:
  std::shared_ptr<MemoryFileSystem::Node> node_;
};

}  // namespace

MemoryFileSystem::MemoryFileSystem(const MemoryFileSystem& other)
    : folders_(other.folders_),
      clock_(std::make_shared<std::int64_t>(*other.clock_)),
      time_(other.time_) {
  std::map<const Node*, std::shared_ptr<Node>> copies;
  for (auto* names : {&files_, &synced_}) {
    for (const auto& [key, node] : names == &files_ ? other.files_ : other.synced_) {
      std::shared_ptr<Node>& copy = copies[node.get()];
      if (!copy) copy = std::make_shared<Node>(*node);
      copy->locked = false;  // a lock goes with its process
      (*names)[key] = copy;
    }
  }
}

void MemoryFileSystem::AddFolder(const std::string& path) {
  for (std::string key = Key(path); !key.empty() && folders_.insert(key).second;) {
    key = FolderKey(key);
  }
}

void MemoryFileSystem::Put(const std::string& path, std::string bytes) {
  const auto node = std::make_shared<Node>();
  node->bytes = std::move(bytes);
  node->synced = node->bytes;
  node->modified = ++*clock_;
  const std::string key = Key(path);
  AddFolder(FolderKey(key));
  files_[key] = node;
  synced_[key] = node;
}

std::optional<std::string> MemoryFileSystem::Contents(const std::string& path) const {
  const auto file = files_.find(Key(path));
  if (file == files_.end()) return std::nullopt;
  return file->second->bytes;
}

void MemoryFileSystem::PowerCut() {
  files_ = synced_;
  for (auto& [key, node] : files_) node->bytes = node->synced;
}

bool MemoryFileSystem::FolderExists(const std::string& key) const {
  const std::string folder = FolderKey(key);
  return folder.empty() || folders_.count(folder) > 0;
}

EntryKind MemoryFileSystem::Kind(const std::string& path) {
  const std::string key = Key(path);
  if (files_.count(key) > 0) return EntryKind::File;
  return folders_.count(key) > 0 ? EntryKind::Folder : EntryKind::None;
}

std::optional<FileStamp> MemoryFileSystem::Stamp(const std::string& path) {
  const auto file = files_.find(Key(path));
  if (file == files_.end()) return std::nullopt;
  return FileStamp{file->second->bytes.size(), file->second->modified};
}

std::unique_ptr<InputFile> MemoryFileSystem::Open(const std::string& path, Outcome& why) {
  const auto file = files_.find(Key(path));
  if (file == files_.end()) {
    why = Missing(*this, path);
    return nullptr;
  }
  return std::make_unique<MemoryInput>(file->second);
}

std::unique_ptr<OutputFile> MemoryFileSystem::CreateNew(const std::string& path, Outcome& why) {
  const std::string key = Key(path);
  why = {};
  if (Kind(key) != EntryKind::None) why = {Failure::NameTaken, {}};
  if (why.Ok() && !FolderExists(key)) why = {Failure::FolderMissing, {}};
  if (!why.Ok()) return nullptr;
  const auto node = std::make_shared<Node>();
  node->modified = ++*clock_;
  files_[key] = node;
  return std::make_unique<MemoryOutput>(node, clock_);
}

Outcome MemoryFileSystem::Link(const std::string& existing, const std::string& link) {
  const std::string from = Key(existing);
  const std::string to = Key(link);
  Outcome why;
  if (files_.count(from) == 0) why = Missing(*this, existing);
  if (why.Ok() && Kind(to) != EntryKind::None) why = {Failure::NameTaken, {}};
  if (why.Ok()) files_[to] = files_[from];
  return why;
}

Outcome MemoryFileSystem::RenameOver(const std::string& from, const std::string& to) {
  const std::string source = Key(from);
  const std::string target = Key(to);
  Outcome why;
  if (files_.count(source) == 0) why = Missing(*this, from);
  if (why.Ok() && (folders_.count(target) > 0 || !FolderExists(target))) {
    why = {Failure::AccessDenied, {}};
  }
  if (!why.Ok()) return why;
  const std::shared_ptr<Node> node = files_[source];
  files_.erase(source);
  files_[target] = node;
  return {};
}

Outcome MemoryFileSystem::Remove(const std::string& path) {
  Outcome why;
  if (files_.erase(Key(path)) == 0) why = Missing(*this, path);
  return why;
}

std::vector<std::string> MemoryFileSystem::List(const std::string& folder) {
  const std::string key = Key(folder);
  std::vector<std::string> names;
  for (const auto& [path, node] : files_) {
    const std::size_t start = key.empty() ? 0 : key == "/" ? 1 : key.size() + 1;
    if (FolderKey(path) == key) names.push_back(path.substr(start));
  }
  return names;
}

void MemoryFileSystem::SyncFolder(const std::string& folder) {
  const std::string key = Key(folder);
  std::erase_if(synced_, [&](const auto& name) { return FolderKey(name.first) == key; });
  for (const auto& [path, node] : files_) {
    if (FolderKey(path) == key) synced_[path] = node;
  }
}

// Nothing changes in memory while a process waits for another's lock.
std::unique_ptr<FileLock> MemoryFileSystem::Lock(const std::string& path, std::chrono::milliseconds,
                                                 Outcome& why) {
  if (files_.count(Key(path)) == 0 && !CreateNew(path, why)) return nullptr;
  const std::shared_ptr<Node>& node = files_[Key(path)];
  if (!node->locked) return std::make_unique<MemoryLock>(node);
  why = {Failure::HeldOpen, {}};
  return nullptr;
}

}  // namespace kd
