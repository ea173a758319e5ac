// Linked into a Windows test program, this fills every block the program frees through
// operator delete with a pattern before the block goes back to the heap. An object read after
// it was freed then shows the pattern (pointers that point nowhere, so reading through them
// fails at once) instead of its old contents, and a use after free fails the test instead of
// passing by luck: the program's stand-in for the sanitizers, which do not run under Wine.
//
// It replaces the program's global operator delete; the blocks come from malloc, as those of
// the standard operator new do, so the heap tells each block's size.
#include <malloc.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr unsigned char kFreedByte = 0xA5;

// Called through a volatile pointer: the compiler may not drop the filling as a store into
// memory that is freed right after.
void* (*volatile const fill)(void*, int, std::size_t) = &std::memset;

void PoisonAndFree(void* block, std::size_t size) {
  if (block == nullptr) return;
  fill(block, kFreedByte, size);
  std::free(block);
}

}  // namespace

void operator delete(void* block) noexcept {
  if (block != nullptr) PoisonAndFree(block, _msize(block));
}
void operator delete[](void* block) noexcept {
  if (block != nullptr) PoisonAndFree(block, _msize(block));
}
void operator delete(void* block, std::size_t size) noexcept { PoisonAndFree(block, size); }
void operator delete[](void* block, std::size_t) noexcept {
  if (block != nullptr) PoisonAndFree(block, _msize(block));
}
