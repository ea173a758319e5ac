// In-memory byte source and sink of the PNG core.
#include "PngStreams.h"

#include <algorithm>
#include <cstring>

namespace vornada::png {

uint64_t ByteSource::Skip(uint64_t count) {
  uint8_t scratch[4096];
  uint64_t skipped = 0;
  while (skipped < count) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(sizeof scratch, count - skipped));
    size_t got = Read(scratch, want);
    skipped += got;
    if (got < want) break;
  }
  return skipped;
}

size_t MemorySource::Read(void* buffer, size_t count) {
  size_t n = std::min(count, size_ - position_);
  if (n != 0) std::memcpy(buffer, data_ + position_, n);
  position_ += n;
  return n;
}

uint64_t MemorySource::Skip(uint64_t count) {
  size_t n = static_cast<size_t>(std::min<uint64_t>(count, size_ - position_));
  position_ += n;
  return n;
}

void VectorSink::Write(const void* data, size_t count) {
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  bytes_.insert(bytes_.end(), bytes, bytes + count);
}

}  // namespace vornada::png
