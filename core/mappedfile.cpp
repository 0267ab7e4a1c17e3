#include "mappedfile.h"

#include <utility>

#include "textfile.h"

#if defined(__linux__)
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#endif

namespace kd {

#if defined(__linux__)

namespace {

// The mappings a bus error may belong to. The signal handler reads them, so they are plain
// atomics in a fixed table rather than anything that allocates or locks.
struct Slot {
  std::atomic<bool> used{false};
  std::atomic<std::uintptr_t> begin{0};
  std::atomic<std::uintptr_t> end{0};
  std::atomic<bool> damaged{false};
};

constexpr int kSlots = 16;
Slot slots[kSlots];
std::uintptr_t pageSize = 4096;
struct sigaction previousAction;

// When `address` lies in a registered mapping, the file behind its page is gone: a page of NUL
// bytes takes its place, the mapping counts as damaged and reading goes on.
bool ReplaceVanishedPage(std::uintptr_t address) {
  for (Slot& slot : slots) {
    const std::uintptr_t begin = slot.begin.load(std::memory_order_acquire);
    if (begin == 0 || address < begin || address >= slot.end.load(std::memory_order_acquire)) {
      continue;
    }
    void* page = reinterpret_cast<void*>(address & ~(pageSize - 1));
    if (mmap(page, pageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) ==
        MAP_FAILED) {
      return false;
    }
    slot.damaged.store(true, std::memory_order_release);
    return true;
  }
  return false;
}

void OnBusError(int signal, siginfo_t* info, void* context) {
  // Only a fault on a page without a file behind it carries an address worth looking up.
  if (info->si_code == BUS_ADRERR &&
      ReplaceVanishedPage(reinterpret_cast<std::uintptr_t>(info->si_addr))) {
    return;
  }
  // Not a mapped export: whatever was there before this handler takes it.
  if ((previousAction.sa_flags & SA_SIGINFO) != 0 && previousAction.sa_sigaction != nullptr) {
    previousAction.sa_sigaction(signal, info, context);
    return;
  }
  if ((previousAction.sa_flags & SA_SIGINFO) == 0 && previousAction.sa_handler != SIG_DFL &&
      previousAction.sa_handler != SIG_IGN) {
    previousAction.sa_handler(signal);
    return;
  }
  // Ends the program as it would have ended without this handler.
  struct sigaction defaultAction {};
  defaultAction.sa_handler = SIG_DFL;
  sigemptyset(&defaultAction.sa_mask);
  sigaction(SIGBUS, &defaultAction, nullptr);
  raise(signal);
}

void InstallHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &previousAction);
  });
}

int ClaimSlot() {
  for (int i = 0; i < kSlots; ++i) {
    bool expected = false;
    if (slots[i].used.compare_exchange_strong(expected, true)) {
      slots[i].damaged.store(false);
      return i;
    }
  }
  return -1;
}

}  // namespace

std::optional<MappedFile> MappedFile::Open(std::string_view path) {
  if (path.empty()) return std::nullopt;
  const int fd = open(ToNativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
    close(fd);
    return std::nullopt;
  }
  const auto size = static_cast<std::size_t>(info.st_size);
  InstallHandler();
  const int slot = ClaimSlot();
  if (slot < 0) {
    close(fd);
    return std::nullopt;
  }
  void* data = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
  close(fd);
  if (data == MAP_FAILED) {
    slots[slot].used.store(false);
    return std::nullopt;
  }
  const auto begin = reinterpret_cast<std::uintptr_t>(data);
  slots[slot].end.store((begin + size + pageSize - 1) & ~(pageSize - 1), std::memory_order_release);
  slots[slot].begin.store(begin, std::memory_order_release);
  return MappedFile(static_cast<const char*>(data), size, slot);
}

bool MappedFile::Damaged() const {
  return slot_ >= 0 && slots[slot_].damaged.load(std::memory_order_acquire);
}

void MappedFile::Release() noexcept {
  if (slot_ < 0) return;
  slots[slot_].begin.store(0, std::memory_order_release);
  munmap(const_cast<char*>(data_), size_);
  slots[slot_].used.store(false, std::memory_order_release);
  slot_ = -1;
  data_ = nullptr;
  size_ = 0;
}

#else

std::optional<MappedFile> MappedFile::Open(std::string_view) {
  return std::nullopt;
}

bool MappedFile::Damaged() const {
  return false;
}

void MappedFile::Release() noexcept {}

#endif

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      slot_(std::exchange(other.slot_, -1)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    slot_ = std::exchange(other.slot_, -1);
  }
  return *this;
}

MappedFile::~MappedFile() {
  Release();
}

}  // namespace kd
