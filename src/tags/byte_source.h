#pragma once

// The readers see a file through this small interface so they can run over
// memory (tests, fuzzing) as well as over a file, and so one open file serves
// every reader of a dispatch.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace youran {

class ByteSource {
 public:
  virtual ~ByteSource() = default;

  virtual std::uint64_t size() const = 0;

  // Up to `count` bytes at `offset`; shorter at the end of the data, empty
  // past it. The view stays valid until the next call on this source.
  virtual std::string_view peek(std::uint64_t offset, std::size_t count) = 0;

  // The same bytes as an owned copy (pictures and other large values).
  virtual std::string read(std::uint64_t offset, std::size_t count);

  // Bytes remaining from `offset` to the end (0 past the end).
  std::uint64_t remaining(std::uint64_t offset) const {
    return offset < size() ? size() - offset : 0;
  }
};

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  std::uint64_t size() const override { return bytes_.size(); }
  std::string_view peek(std::uint64_t offset, std::size_t count) override;

 private:
  std::string_view bytes_;
};

// A read-only file with two small read-ahead windows: the readers ask for a
// few bytes at a time, and most of a file's headers sit in its first and last
// kilobytes (ID3v2 and the first frame; APE footer and ID3v1), so the readers
// of a dispatch share two system calls.
class FileSource final : public ByteSource {
 public:
  // Empty pointer when the file cannot be opened or is not a regular file.
  static std::unique_ptr<FileSource> open(const std::string& path);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  std::uint64_t size() const override { return size_; }
  std::string_view peek(std::uint64_t offset, std::size_t count) override;
  std::string read(std::uint64_t offset, std::size_t count) override;

  // Bytes fetched from the file so far (for the benchmarks).
  std::uint64_t bytesRead() const { return bytesRead_; }

 private:
  FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  std::size_t fetch(std::uint64_t offset, char* into, std::size_t count);

  int fd_;
  std::uint64_t size_;
  std::uint64_t bytesRead_ = 0;
  struct Window {
    std::string bytes;
    std::uint64_t offset = 0;
  };
  Window windows_[2];
  int recent_ = 0;  // the window used last
};

}  // namespace youran
