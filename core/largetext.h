// Text buffers for whole export and import files. Large buffers are asked for in huge pages
// where the system offers them: filling a buffer of many megabytes page by page costs more than
// converting its contents.
#pragma once

#include <cstddef>
#include <string>

namespace kd {

void* AllocateLarge(std::size_t bytes);
void FreeLarge(void* pointer, std::size_t bytes) noexcept;

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
