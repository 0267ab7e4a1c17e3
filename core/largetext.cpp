#include "largetext.h"

#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace kd {

namespace {

#if defined(__linux__)
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kLargeFrom = kHugePage;

std::size_t RoundUp(std::size_t bytes) {
  return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}
#endif

std::function<bool(std::size_t)>& AllocationFaultHook() {
  static std::function<bool(std::size_t)> hook;
  return hook;
}

}  // namespace

void SetAllocationFaultHook(std::function<bool(std::size_t)> hook) {
  AllocationFaultHook() = std::move(hook);
}

void* AllocateLarge(std::size_t bytes) {
  if (AllocationFaultHook() && !AllocationFaultHook()(bytes)) throw std::bad_alloc();
#if defined(__linux__)
  if (bytes >= kLargeFrom) {
    void* pointer = std::aligned_alloc(kHugePage, RoundUp(bytes));
    if (pointer == nullptr) throw std::bad_alloc();
    madvise(pointer, RoundUp(bytes), MADV_HUGEPAGE);  // advice only: ignored where unsupported
    return pointer;
  }
#endif
  void* pointer = std::malloc(bytes == 0 ? 1 : bytes);
  if (pointer == nullptr) throw std::bad_alloc();
  return pointer;
}

void FreeLarge(void* pointer, std::size_t) noexcept {
  std::free(pointer);
}

}  // namespace kd
