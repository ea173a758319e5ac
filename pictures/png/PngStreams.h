// Byte source and sink interfaces the PNG core reads from and writes to, with in-memory
// implementations.
//
// A ByteSource is sequential: the loader reads exactly up to and including the CRC of the IEND
// chunk and never asks for a byte more, so a PNG stored inside a larger stream leaves the
// stream right after itself. Neither interface owns the bytes it is handed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vornada::png {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Copies up to `count` bytes into `buffer` and returns how many were copied; fewer than
  // `count` means the source has no more.
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Skips up to `count` bytes and returns how many were skipped. The default reads and
  // discards them.
  virtual uint64_t Skip(uint64_t count);
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Takes all `count` bytes or throws.
  virtual void Write(const void* data, size_t count) = 0;
};

// Reads from a block of memory owned by the caller.
class MemorySource final : public ByteSource {
 public:
  MemorySource(const void* data, size_t size)
      : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  size_t Read(void* buffer, size_t count) override;
  uint64_t Skip(uint64_t count) override;
  size_t Position() const { return position_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

// Appends to a byte vector owned by the caller.
class VectorSink final : public ByteSink {
 public:
  explicit VectorSink(std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  void Write(const void* data, size_t count) override;

 private:
  std::vector<uint8_t>& bytes_;
};

}  // namespace vornada::png
