// A file's bytes mapped read-only into memory instead of copied into a fresh buffer: on a big
// export, filling a buffer of that size costs more than converting it.
//
// Someone may shorten the file while it is mapped (an editor saving over it). Reading a mapped
// page that no longer has a file behind it would end the program, so such a page is replaced by
// one of NUL bytes and the mapping counts as damaged; the caller then treats the file as one that
// could not be read.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace kd {

class MappedFile {
 public:
  // The mapped file, or nothing where the file cannot be mapped (empty, not a regular file, a
  // system without mappings): read it instead.
  static std::optional<MappedFile> Open(std::string_view path);

  MappedFile(MappedFile&& other) noexcept;
  MappedFile& operator=(MappedFile&& other) noexcept;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile();

  std::string_view View() const { return {data_, size_}; }
  // True once a part of the mapping was found gone because the file had been shortened.
  bool Damaged() const;

 private:
  MappedFile(const char* data, std::size_t size, int slot)
      : data_(data), size_(size), slot_(slot) {}
  void Release() noexcept;

  const char* data_ = nullptr;
  std::size_t size_ = 0;
  int slot_ = -1;
};

}  // namespace kd
