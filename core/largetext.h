// Text buffers for whole export and import files. Large buffers are asked for in huge pages
// where the system offers them: filling a buffer of many megabytes page by page costs more than
// converting its contents.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace kd {

// Throws std::bad_alloc when the memory is not there.
void* AllocateLarge(std::size_t bytes);
void FreeLarge(void* pointer, std::size_t bytes) noexcept;

// Test seam: when set, called with the size of every buffer asked for; returning false makes
// that request fail as it would on a machine without the memory.
void SetAllocationFaultHook(std::function<bool(std::size_t bytes)> hook);

template <class T>
struct LargeAllocator {
  using value_type = T;
  LargeAllocator() = default;
  template <class U>
  LargeAllocator(const LargeAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) { return static_cast<T*>(AllocateLarge(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) noexcept { FreeLarge(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const LargeAllocator<U>&) const noexcept {
    return true;
  }
};

// A std::string whose buffer comes from AllocateLarge.
using LargeText = std::basic_string<char, std::char_traits<char>, LargeAllocator<char>>;

}  // namespace kd
