// Allocations through operator new (the engine's buffers; Qt's texts use malloc) fail above a
// size while a test asks for it, as they would with the memory used up.
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

std::atomic<std::size_t> g_failing_allocations_above{0};  // 0: none fails

#ifndef LIPIMATTAM_SANITIZED  // the sanitizers keep operator new for themselves
void* operator new(std::size_t size) {
  const std::size_t limit = g_failing_allocations_above.load(std::memory_order_relaxed);
  if (limit != 0 && size > limit) throw std::bad_alloc();
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
  std::free(memory);
}
void operator delete(void* memory, std::size_t /*size*/) noexcept {
  std::free(memory);
}
#endif
